#include "tools/quarvel/writers/BufferedOutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/quarvel/pass/PassLimits.h"

namespace quarvel {

namespace {

// Runs in place shorter than this are copied into the buffer: a piece of its
// own costs the write more than the copy.
constexpr size_t kMinInPlaceBytes = 4 << 10;

}  // namespace

size_t OutputFile::bufferBytes_ = limits::kOutputBufferBytes;

void OutputFile::ShareBudget(size_t files) {
    const size_t share = limits::kOutputBudgetBytes / std::max<size_t>(files, 1);
    bufferBytes_ = std::clamp(share, limits::kMinOutputBufferBytes, limits::kOutputBufferBytes);
}

OutputFile::~OutputFile() {
    if (IsOpen()) {
        Discard();
    }
}

bool OutputFile::Fail(const std::string& what) {
    error_ = what + " '" + Target() + "': " + std::strerror(errno);
    return false;
}

bool OutputFile::Open(const std::string& target) {
    if (!temp_.Create(target, error_)) {
        return false;
    }
    std::setvbuf(temp_.Stream(), nullptr, _IONBF, 0);  // our own buffer does the batching
    used_ = 0;
    written_ = 0;
    return true;
}

bool OutputFile::Grow(size_t size) {
    if (buffer_.size() >= bufferBytes_) {
        return true;
    }
    // Nothing waiting may point into the buffer when it moves.
    if (!Flush()) {
        return false;
    }
    buffer_.resize(std::min(bufferBytes_,
                            std::max({size, 2 * buffer_.size(), limits::kFirstOutputBufferBytes})));
    return true;
}

void OutputFile::EndBufferSpan() {
    if (spanFrom_ < used_) {
        pieces_.push_back({buffer_.data() + spanFrom_, used_ - spanFrom_});
        waiting_ += used_ - spanFrom_;
        spanFrom_ = used_;
    }
}

bool OutputFile::Flush() {
    if (!error_.empty()) {
        return false;
    }
    EndBufferSpan();
    const bool ok = pieces_.empty() || WriteRuns(temp_.Stream(), pieces_) || Fail("cannot write");
    pieces_.clear();
    used_ = spanFrom_ = waiting_ = 0;
    holdsInPlace_ = false;
    return ok;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (!IsOpen() || !error_.empty()) {
        return false;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    written_ += size;
    // The buffer grows to its full size only as data comes, so that
    // thousands of small outputs do not each hold a whole one.
    if (waiting_ + used_ - spanFrom_ + size > buffer_.size() && !Grow(used_ + size)) {
        return false;
    }
    if (waiting_ + used_ - spanFrom_ + size > buffer_.size()) {
        if (!Flush()) {
            return false;
        }
        // Large frames go straight out, in pieces of at most the buffer's
        // size: on Linux, 1 MiB writes into the page cache measured over twice
        // as slow per byte as 256 KiB ones.
        while (size >= buffer_.size()) {
            errno = 0;
            if (std::fwrite(p, 1, buffer_.size(), temp_.Stream()) != buffer_.size()) {
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

bool OutputFile::WriteInPlace(const void* data, size_t size) {
    if (size < kMinInPlaceBytes) {
        return Write(data, size);
    }
    if (!IsOpen() || !error_.empty() || !Grow(bufferBytes_)) {
        return false;
    }
    written_ += size;
    EndBufferSpan();
    holdsInPlace_ = true;
    for (const auto* p = static_cast<const uint8_t*>(data); size > 0;) {
        const size_t n = std::min(size, buffer_.size());
        pieces_.push_back({p, n});
        waiting_ += n;
        p += n;
        size -= n;
        if (waiting_ >= buffer_.size() && !Flush()) {
            return false;
        }
    }
    return true;
}

bool OutputFile::RewriteHead(const void* data, size_t size) {
    if (!IsOpen() || !Flush()) {
        return false;
    }
    std::FILE* file = temp_.Stream();
    errno = 0;
    std::rewind(file);
    if (std::fwrite(data, 1, size, file) != size) {
        return Fail("cannot write");
    }
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return Fail("cannot seek in");
    }
    return true;
}

bool OutputFile::Close() {
    if (!IsOpen()) {
        return error_.empty();
    }
    bool ok = Flush();
    std::string closeError;
    if (!temp_.Close(closeError) && ok) {
        error_ = closeError;
        ok = false;
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
    return ok;
}

void OutputFile::Discard() {
    pieces_.clear();
    used_ = spanFrom_ = waiting_ = 0;
    holdsInPlace_ = false;
    temp_.Discard();
    buffer_.clear();
    buffer_.shrink_to_fit();
}

}  // namespace quarvel
