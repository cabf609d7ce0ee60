#include "output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "track_limits.h"

#ifdef _WIN32
#include <process.h>
#define QUARVEL_GETPID _getpid
#else
#include <unistd.h>
#define QUARVEL_GETPID getpid
#endif

namespace quarvel {

std::string TemporaryPathFor(const std::string& target) {
    // The process id keeps two runs writing the same target apart.
    return target + ".quarvel-part-" + std::to_string(QUARVEL_GETPID());
}

size_t OutputFile::bufferBytes_ = limits::kOutputBufferBytes;

void OutputFile::ShareBudget(size_t files) {
    const size_t share = limits::kOutputBudgetBytes / std::max<size_t>(files, 1);
    bufferBytes_ = std::clamp(share, limits::kMinOutputBufferBytes, limits::kOutputBufferBytes);
}

OutputFile::~OutputFile() {
    if (file_) {
        Discard();
    }
}

bool OutputFile::Fail(const std::string& what) {
    error_ = what + " '" + path_ + "': " + std::strerror(errno);
    return false;
}

bool OutputFile::Open(const std::string& path) {
    path_ = path;
    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        return Fail("cannot create");
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);  // our own buffer does the batching
    buffer_.resize(bufferBytes_);
    used_ = 0;
    written_ = 0;
    return true;
}

bool OutputFile::Flush() {
    if (used_ == 0) {
        return true;
    }
    errno = 0;
    if (std::fwrite(buffer_.data(), 1, used_, file_) != used_) {
        return Fail("cannot write");
    }
    used_ = 0;
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (!file_) {
        return false;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    written_ += size;
    if (used_ + size > buffer_.size()) {
        if (!Flush()) {
            return false;
        }
        // Large frames go straight out, in pieces of at most the buffer's
        // size: on Linux, 1 MiB writes into the page cache measured over twice
        // as slow per byte as 256 KiB ones.
        while (size >= buffer_.size()) {
            errno = 0;
            if (std::fwrite(p, 1, buffer_.size(), file_) != buffer_.size()) {
                return Fail("cannot write");
            }
            p += buffer_.size();
            size -= buffer_.size();
        }
        if (size == 0) {
            return true;
        }
    }
    std::memcpy(buffer_.data() + used_, p, size);
    used_ += size;
    return true;
}

bool OutputFile::RewriteHead(const void* data, size_t size) {
    if (!file_ || !Flush()) {
        return false;
    }
    errno = 0;
    std::rewind(file_);
    if (std::fwrite(data, 1, size, file_) != size) {
        return Fail("cannot write");
    }
    if (std::fseek(file_, 0, SEEK_END) != 0) {
        return Fail("cannot seek in");
    }
    return true;
}

bool OutputFile::Close() {
    if (!file_) {
        return error_.empty();
    }
    bool ok = Flush();
    errno = 0;
    if (std::fclose(file_) != 0 && ok) {
        ok = Fail("cannot write");
    }
    file_ = nullptr;
    buffer_.clear();
    buffer_.shrink_to_fit();
    return ok;
}

void OutputFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
}

void PutLE16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}
void PutLE32(std::vector<uint8_t>& v, uint32_t x) {
    PutLE16(v, x & 0xFFFF);
    PutLE16(v, x >> 16);
}
void PutLE64(std::vector<uint8_t>& v, uint64_t x) {
    PutLE32(v, static_cast<uint32_t>(x));
    PutLE32(v, static_cast<uint32_t>(x >> 32));
}
void PutBE16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back((x >> 8) & 0xFF);
    v.push_back(x & 0xFF);
}
void PutBE32(std::vector<uint8_t>& v, uint32_t x) {
    PutBE16(v, x >> 16);
    PutBE16(v, x & 0xFFFF);
}
void PutText(std::vector<uint8_t>& v, const char* text) {
    v.insert(v.end(), text, text + std::strlen(text));
}

}  // namespace quarvel
