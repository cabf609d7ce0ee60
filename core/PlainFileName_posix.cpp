#include "core/PlainFileName.h"

namespace torvane {

void MakePlainFileName(std::string&) {}

}  // namespace torvane
