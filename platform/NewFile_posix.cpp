#include "platform/NewFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace torvane {

std::FILE* CreateNewFile(const std::string& path) {
    // O_CREAT | O_EXCL fails on any existing name and never follows a link
    // planted there; O_NOFOLLOW says the same once more. The mode is 0666
    // less the umask, what a file created with fopen gets.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
}

size_t NameStart(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

size_t LongestName(const std::string& folder) {
    errno = 0;
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<size_t>(limit) : 255;
}

bool RandomBytes(void* out, size_t size) {
    auto* p = static_cast<unsigned char*>(out);
    while (size > 0) {
        const size_t n = size < 256 ? size : 256;  // getentropy's most per call
        if (::getentropy(p, n) != 0) {
            return false;
        }
        p += n;
        size -= n;
    }
    return true;
}

}  // namespace torvane
