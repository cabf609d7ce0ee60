#include "tools/common/StandardOutput.h"

namespace tools {

// POSIX never translates line ends: standard output is binary already.
void SetBinaryStdout() {}

}  // namespace tools
