#include "matroska/BufferedFile.h"

#include <algorithm>
#include <cstring>

namespace mkv {

BufferedFile::BufferedFile(std::unique_ptr<RawFile> file, WindowSizes sizes)
    : file_(std::move(file)), sizes_(sizes), fill_(sizes.jumpFill) {
    // The other buffer is made when the window first moves to it.
    buffers_[0].resize(sizes_.buffer);
}

size_t BufferedFile::ReadAt(uint64_t offset, void* dst, size_t n) {
    const uint64_t size = Size();
    if (offset >= size || n == 0) {  // nothing to copy, and `dst` may be null
        return 0;
    }
    n = static_cast<size_t>(std::min<uint64_t>(n, size - offset));
    const bool fits = n <= sizes_.buffer;
    Load(offset, fits ? n : 0);
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    if (offset >= start_ && offset < End()) {
        done = static_cast<size_t>(std::min<uint64_t>(n, End() - offset));
        std::memcpy(out, Data() + (offset - start_), done);
    }
    if (!fits && done < n && offset + done == End()) {
        done += ReadStraight(End(), out + done, n - done);
    }
    return done;
}

const uint8_t* BufferedFile::Hold(uint64_t offset, size_t size) {
    if (size == 0 || size > sizes_.buffer || offset > Size() || size > Size() - offset) {
        return nullptr;
    }
    return Load(offset, size) ? Data() + (offset - start_) : nullptr;
}

// Makes the window hold [at, at + n), n at most a buffer's size. False when
// the file ends first.
bool BufferedFile::Load(uint64_t at, size_t n) {
    if (at >= start_ && at + n <= End()) {
        return true;
    }
    if (at < start_ || (at > End() && !ReadsThrough(at - End()))) {
        Jump(at);
    }
    while (End() < at + n) {
        fill_ = std::min(fill_, Piece());
        size_t want = static_cast<size_t>(std::max<uint64_t>(fill_, at + n - End()));
        if (len_ + want > sizes_.buffer) {
            Switch(std::min(at, End()));
            want = std::min(want, sizes_.buffer - len_);
        }
        const size_t got = Fetch(End(), Free(), want, true);
        len_ += got;
        fill_ = std::min(std::max(fill_ * 2, resumeFill_), Piece());
        resumeFill_ = 0;
        ++readsSinceJump_;
        if (got < want) {
            break;
        }
    }
    return at >= start_ && at + n <= End();
}

void BufferedFile::Jump(uint64_t at) {
    OnJump();
    Switch(End());
    const Landing landing = JumpWindow();
    start_ = at / landing.align * landing.align;
    len_ = 0;
    // Reading on from where the jump lands goes on at the size reached
    // before it, where the reader had read on after its last jump: one that
    // reads in sequence and jumps over a long gap does not start again from
    // small reads, each a request of its own.
    resumeFill_ = readsSinceJump_ > 1 ? fill_ : 0;
    readsSinceJump_ = 0;
    fill_ = landing.fill;
}

// Goes on in the other buffer, with the bytes from keepFrom on.
void BufferedFile::Switch(uint64_t keepFrom) {
    BeforeChange();
    std::vector<uint8_t>& next = buffers_[current_ ^ 1];
    if (next.empty()) {
        next.resize(sizes_.buffer);
    }
    const auto keep = static_cast<size_t>(End() - keepFrom);
    std::memcpy(next.data(), Data() + (keepFrom - start_), keep);
    current_ ^= 1;
    start_ = keepFrom;
    len_ = keep;
}

size_t BufferedFile::Piece() const {
    return std::clamp<size_t>(PieceBytes(), sizes_.jumpFill, sizes_.maxPiece);
}

// The window starts over after the bytes read.
size_t BufferedFile::ReadStraight(uint64_t at, uint8_t* dst, size_t n) {
    BeforeChange();
    const size_t got = Fetch(at, dst, n, false);
    start_ = at + got;
    len_ = 0;
    return got;
}

size_t BufferedFile::Fetch(uint64_t at, uint8_t* dst, size_t n, bool intoWindow) {
    size_t got = 0;
    while (got < n) {
        const size_t want = std::min(n - got, Piece());
        const size_t r = file_->ReadAt(at + got, dst + got, want);
        got += r;
        if (r < want) {
            break;
        }
    }
    bytesRead_ += got;
    OnRead(at, dst, got, intoWindow);
    return got;
}

}  // namespace mkv
