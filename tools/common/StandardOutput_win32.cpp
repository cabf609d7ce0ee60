#include <fcntl.h>
#include <io.h>

#include "tools/common/StandardOutput.h"

namespace tools {

// The C runtime would write "\r\n" as "\r\r\n" in text mode.
void SetBinaryStdout() {
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace tools
