#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "tools/common/StandardOutput.h"

namespace tools::platform {

// In order from 0, so that open() returns the lowest free number: the one
// being filled.
bool FillClosedStandardDescriptors(bool (&closed)[3]) {
    for (int fd = 0; fd < 3; ++fd) {
        closed[fd] = ::fcntl(fd, F_GETFD) == -1 && errno == EBADF;
        if (!closed[fd]) {
            continue;
        }
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null < 0) {
            return false;
        }
        if (null != fd) {
            const bool moved = ::dup2(null, fd) == fd;
            ::close(null);
            if (!moved) {
                return false;
            }
        }
    }
    return true;
}

// POSIX never translates line ends: standard output is binary already.
void SetBinaryStdout() {}

}  // namespace tools::platform
