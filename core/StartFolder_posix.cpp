#include "core/StartFolder.h"

namespace torvane {

// The launcher (packaging/launcher.sh) has chosen the folder.
void EnterStartFolder(const std::string&) {}

}  // namespace torvane
