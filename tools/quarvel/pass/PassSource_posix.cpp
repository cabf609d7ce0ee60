#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/quarvel/pass/PassSource.h"

namespace quarvel {

namespace {

class PosixFile : public RawFile {
  public:
    PosixFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~PosixFile() override { close(fd_); }

    uint64_t Size() const override { return size_; }

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

    // In a long sequence the kernel reads ahead twice as far as by default;
    // across jumps it reads only what is asked.
    void Expect(bool sequential) override {
        posix_fadvise(fd_, 0, 0, sequential ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_RANDOM);
    }

  private:
    int fd_;
    uint64_t size_;
};

}  // namespace

std::unique_ptr<PassSource> OpenPassSource(const std::string& path, std::string* error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = fstat(fd, &st) != 0 ? std::strerror(errno) : "not a regular file";
        close(fd);
        return nullptr;
    }
    return std::make_unique<PassSource>(
        std::make_unique<PosixFile>(fd, static_cast<uint64_t>(st.st_size)));
}

}  // namespace quarvel
