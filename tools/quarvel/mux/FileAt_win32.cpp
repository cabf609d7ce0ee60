#include <io.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "tools/quarvel/mux/FileAt.h"

namespace quarvel::mux {
namespace {

// The CRT's descriptors take 32-bit counts.
unsigned int Count(size_t size) {
    return size > INT_MAX ? INT_MAX : static_cast<unsigned int>(size);
}

// Runs `step` with the current position at `offset`, then puts the position
// back where it was, so that the reads and writes at an offset leave it alone
// as pread and pwrite do.
template <typename Step>
int64_t AtOffset(int fd, int64_t offset, Step step) {
    const int64_t was = _lseeki64(fd, 0, SEEK_CUR);
    if (was < 0 || _lseeki64(fd, offset, SEEK_SET) < 0) {
        return -1;
    }
    const int64_t done = step();
    const int error = errno;
    if (_lseeki64(fd, was, SEEK_SET) < 0) {
        return -1;
    }
    errno = error;
    return done;
}

}  // namespace

int64_t WriteSome(int fd, const void* data, size_t size) {
    return _write(fd, data, Count(size));
}

int64_t SeekTo(int fd, int64_t offset, int whence) {
    return _lseeki64(fd, offset, whence);
}

int64_t SizeOf(int fd) {
    return _filelengthi64(fd);
}

int64_t ReadAt(int fd, void* data, size_t size, int64_t offset) {
    return AtOffset(fd, offset, [&] { return static_cast<int64_t>(_read(fd, data, Count(size))); });
}

int64_t WriteAt(int fd, const void* data, size_t size, int64_t offset) {
    return AtOffset(fd, offset,
                    [&] { return static_cast<int64_t>(_write(fd, data, Count(size))); });
}

int Duplicate(int fd) {
    return _dup(fd);
}

int CloseDescriptor(int fd) {
    return _close(fd);
}

bool Truncate(int fd, int64_t size) {
    const errno_t error = _chsize_s(fd, size);
    if (error != 0) {
        errno = error;
        return false;
    }
    return true;
}

}  // namespace quarvel::mux
