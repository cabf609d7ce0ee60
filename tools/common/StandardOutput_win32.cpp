#include <fcntl.h>
#include <io.h>

#include "tools/common/StandardOutput.h"

namespace tools::platform {

// The C runtime keeps descriptors 0, 1 and 2 for the standard streams even
// when the process was started without them: no file opened later takes their
// numbers, and a write to a missing standard output fails, as it should.
bool FillClosedStandardDescriptors(bool (&closed)[3]) {
    closed[0] = closed[1] = closed[2] = false;
    return true;
}

// The C runtime would write "\r\n" as "\r\r\n" in text mode.
void SetBinaryStdout() {
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace tools::platform
