#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "matroska/RawFile.h"

namespace mkv {

namespace {

class PosixFile : public RawFile {
  public:
    PosixFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~PosixFile() override { close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    uint64_t Size() const override { return size_; }

    // One system call per read, without a seek of its own.
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        auto* out = static_cast<uint8_t*>(dst);
        size_t got = 0;
        while (got < n) {
            const ssize_t r = pread(fd_, out + got, n - got, static_cast<off_t>(offset + got));
            if (r < 0 && errno == EINTR) {
                continue;
            }
            if (r <= 0) {
                break;
            }
            got += static_cast<size_t>(r);
        }
        return got;
    }

    // preadv2 with RWF_NOWAIT copies the pages in the page cache and stops at
    // the first that is not; a file system that cannot do so says so once,
    // and is not asked again.
    size_t ReadCachedAt(uint64_t offset, void* dst, size_t n) override {
        if (!canReadCached_ || n == 0) {
            return 0;
        }
        iovec piece{dst, n};
        const ssize_t r = preadv2(fd_, &piece, 1, static_cast<off_t>(offset), RWF_NOWAIT);
        if (r < 0 && errno != EAGAIN && errno != EINTR) {
            canReadCached_ = false;
        }
        return r > 0 ? static_cast<size_t>(r) : 0;
    }

    // In a long sequence the kernel reads ahead twice as far as by default;
    // across jumps it reads only what is asked.
    void Expect(bool sequential) override {
        posix_fadvise(fd_, 0, 0, sequential ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_RANDOM);
    }

  private:
    int fd_;
    uint64_t size_;
    bool canReadCached_ = true;
};

// The reason the opened file is refused, or null. Reads wait again from here
// on, as those of a regular file or a disk always do.
const char* Refusal(int fd, Accept accept) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return "it is a folder";
    }
    if (!S_ISREG(info.st_mode) &&
        !(accept == Accept::kRegularFilesAndDisks && S_ISBLK(info.st_mode))) {
        return "not a regular file";
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return std::strerror(errno);
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<RawFile> OpenRawFile(const std::string& path, Accept accept, std::string* error) {
    // Opened without waiting: a pipe with no writer (or a terminal, a
    // modem) would otherwise hold the open for ever; its kind is checked
    // before anything is read. O_NOCTTY: a terminal never becomes ours.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    const char* refusal = fd < 0 ? std::strerror(errno) : Refusal(fd, accept);
    // The end, found by seeking, is also the size of a disk, whose own
    // recorded size is 0.
    const off_t end = refusal == nullptr ? lseek(fd, 0, SEEK_END) : 0;
    if (end < 0) {
        refusal = std::strerror(errno);
    }
    if (refusal != nullptr) {
        if (error != nullptr) {
            *error = refusal;
        }
        if (fd >= 0) {
            close(fd);
        }
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd, static_cast<uint64_t>(end));
}

}  // namespace mkv
