#define _CRT_RAND_S
#include "platform/NewFile.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace torvane {

std::FILE* CreateNewFile(const std::string& path) {
    // _O_EXCL makes the system create the file new (CREATE_NEW), which fails
    // on any existing name, a symbolic link or junction included.
    int fd = -1;
    if (_sopen_s(&fd, path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                 _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "w+b");
    if (file == nullptr) {
        const int error = errno;
        _close(fd);
        _unlink(path.c_str());
        errno = error;
    }
    return file;
}

size_t NameStart(const std::string& path) {
    const size_t separator = path.find_last_of("/\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

// Windows allows 255 UTF-16 units in a name on every file system it writes;
// as many bytes of the name in the ANSI code page never make more.
size_t LongestName(const std::string&) {
    return 255;
}

bool RandomBytes(void* out, size_t size) {
    auto* p = static_cast<unsigned char*>(out);
    for (size_t i = 0; i < size; ++i) {
        unsigned int r = 0;
        if (rand_s(&r) != 0) {
            return false;
        }
        p[i] = static_cast<unsigned char>(r);
    }
    return true;
}

}  // namespace torvane
