#include <sys/stat.h>
#include <unistd.h>

#include "tools/quarvel/mux/FileAt.h"

namespace quarvel::mux {

int64_t WriteSome(int fd, const void* data, size_t size) {
    return ::write(fd, data, size);
}

int64_t SeekTo(int fd, int64_t offset, int whence) {
    return ::lseek(fd, static_cast<off_t>(offset), whence);
}

int64_t SizeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

int64_t ReadAt(int fd, void* data, size_t size, int64_t offset) {
    return ::pread(fd, data, size, static_cast<off_t>(offset));
}

int64_t WriteAt(int fd, const void* data, size_t size, int64_t offset) {
    return ::pwrite(fd, data, size, static_cast<off_t>(offset));
}

int Duplicate(int fd) {
    return ::dup(fd);
}

int CloseDescriptor(int fd) {
    return ::close(fd);
}

bool Truncate(int fd, int64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

}  // namespace quarvel::mux
