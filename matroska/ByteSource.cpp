#include "matroska/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace mkv {
namespace {

// A read that does not continue the previous one fetches this much: enough
// for an element header and a small value, little enough that walking the
// headers of thousands of Clusters reads a few hundred KiB at most.
constexpr size_t kSeekFill = 64;
// Sequential reads double the window up to this.
constexpr size_t kMaxFill = 256 * 1024;

int SeekTo(std::FILE* f, uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET);
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET);
#endif
}

uint64_t SizeOf(std::FILE* f) {
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0)
        return 0;
    const __int64 size = _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0)
        return 0;
    const off_t size = ftello(f);
#endif
    return size < 0 ? 0 : static_cast<uint64_t>(size);
}

class FileSource : public ByteSource {
  public:
    FileSource(std::FILE* file, uint64_t size) : file_(file), size_(size), buffer_(kMaxFill) {}
    ~FileSource() override { std::fclose(file_); }

    uint64_t Size() const override { return size_; }
    uint64_t BytesRead() const override { return bytesRead_; }

    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        if (offset >= size_)
            return 0;
        n = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
        auto* out = static_cast<uint8_t*>(dst);
        size_t done = 0;
        while (done < n) {
            const uint64_t at = offset + done;
            if (at >= bufStart_ && at < bufStart_ + bufLen_) {
                const size_t take =
                    static_cast<size_t>(std::min<uint64_t>(n - done, bufStart_ + bufLen_ - at));
                std::memcpy(out + done, buffer_.data() + (at - bufStart_), take);
                done += take;
                continue;
            }
            const bool sequential = at == mediumPos_;
            fill_ = sequential ? std::min(kMaxFill, std::max(fill_ * 2, kSeekFill)) : kSeekFill;
            const size_t want = n - done;
            if (want >= fill_) {
                // Large reads go straight to the caller.
                const size_t got = Fetch(at, out + done, want);
                done += got;
                if (got < want)
                    break;
                continue;
            }
            bufLen_ = 0;
            bufStart_ = at;
            bufLen_ = Fetch(at, buffer_.data(), fill_);
            if (bufLen_ == 0)
                break;
        }
        return done;
    }

  private:
    // Reads from the medium, counting what it hands back.
    size_t Fetch(uint64_t at, uint8_t* dst, size_t n) {
#ifdef _WIN32
        if (at != mediumPos_ && SeekTo(file_, at) != 0) {
            mediumPos_ = UINT64_MAX;
            return 0;
        }
        const size_t got = std::fread(dst, 1, n, file_);
        if (got < n)
            std::clearerr(file_);
#else
        // One system call per read, without a seek of its own.
        size_t got = 0;
        while (got < n) {
            const ssize_t r =
                ::pread(fileno(file_), dst + got, n - got, static_cast<off_t>(at + got));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            got += static_cast<size_t>(r);
        }
#endif
        bytesRead_ += got;
        mediumPos_ = got == n ? at + got : UINT64_MAX;
        return got;
    }

    std::FILE* file_;
    uint64_t size_;
    std::vector<uint8_t> buffer_;
    uint64_t bufStart_ = 0;
    size_t bufLen_ = 0;
    size_t fill_ = 0;
    uint64_t mediumPos_ = 0;
    uint64_t bytesRead_ = 0;
};

class MemoryBytes : public ByteSource {
  public:
    explicit MemoryBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    uint64_t BytesRead() const override { return bytesRead_; }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        if (offset >= bytes_.size())
            return 0;
        n = static_cast<size_t>(std::min<uint64_t>(n, bytes_.size() - offset));
        if (n > 0)
            std::memcpy(dst, bytes_.data() + offset, n);
        bytesRead_ += n;
        return n;
    }

  private:
    std::vector<uint8_t> bytes_;
    uint64_t bytesRead_ = 0;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFile(const std::string& path, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        if (error != nullptr)
            *error = std::strerror(errno);
        return nullptr;
    }
#ifndef _WIN32
    struct stat info;
    if (fstat(fileno(f), &info) == 0 && S_ISDIR(info.st_mode)) {
        if (error != nullptr)
            *error = "it is a folder";
        std::fclose(f);
        return nullptr;
    }
#endif
    // Our own buffer does the buffering; stdio's would read ahead blindly.
    std::setvbuf(f, nullptr, _IONBF, 0);
    const uint64_t size = SizeOf(f);
    if (SeekTo(f, 0) != 0) {
        if (error != nullptr)
            *error = std::strerror(errno);
        std::fclose(f);
        return nullptr;
    }
    return std::make_unique<FileSource>(f, size);
}

std::unique_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes) {
    return std::make_unique<MemoryBytes>(std::move(bytes));
}

}  // namespace mkv
