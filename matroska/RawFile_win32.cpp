#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "matroska/RawFile.h"

namespace mkv {

namespace {

class Win32File : public RawFile {
  public:
    Win32File(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
    ~Win32File() override { std::fclose(file_); }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    uint64_t Size() const override { return size_; }

    // Seeks only where a read does not go on from the last one.
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        if (offset != position_ && _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET) != 0) {
            position_ = kUnknown;
            return 0;
        }
        const size_t got = std::fread(dst, 1, n, file_);
        if (got < n) {
            std::clearerr(file_);
        }
        position_ = got == n ? offset + got : kUnknown;
        return got;
    }

    // The system's read-ahead needs no hint here.
    void Expect(bool) override {}

  private:
    static constexpr uint64_t kUnknown = UINT64_MAX;
    std::FILE* file_;
    uint64_t size_;
    uint64_t position_ = 0;
};

}  // namespace

// Folders do not open with fopen here. What opens by a name but is not a file
// on a disk (the console, CON; a pipe; a serial port) is refused before
// anything is read from it, which could wait for ever. Disks themselves are
// files on a disk to the system, so `accept` has nothing to tell apart.
std::unique_ptr<RawFile> OpenRawFile(const std::string& path, Accept, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        if (error != nullptr) {
            *error = std::strerror(errno);
        }
        return nullptr;
    }
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        if (error != nullptr) {
            *error = "not a regular file";
        }
        std::fclose(f);
        return nullptr;
    }
    // The caller's buffer does the buffering; stdio's would read ahead blindly.
    std::setvbuf(f, nullptr, _IONBF, 0);
    __int64 end = 0;
    if (_fseeki64(f, 0, SEEK_END) == 0) {
        end = std::max<__int64>(_ftelli64(f), 0);
    }
    if (_fseeki64(f, 0, SEEK_SET) != 0) {
        if (error != nullptr) {
            *error = std::strerror(errno);
        }
        std::fclose(f);
        return nullptr;
    }
    return std::make_unique<Win32File>(f, static_cast<uint64_t>(end));
}

}  // namespace mkv
