// A file read through a window of it held in memory: the one buffered file
// reader of the Matroska reader (OpenFile) and of quarvel's track pass, which
// adds its own policy on top (tools/quarvel/pass/PassSource.h).
//
// A read that goes on where the window ends extends it, in pieces that double
// from `jumpFill` up to PieceBytes(), so that a run of small reads becomes a few
// large ones; a read that lands elsewhere starts the window over there with a
// small piece, and reading on from there goes on at the size reached before.
// The window lives in one of two buffers: when it is full, the bytes still
// needed move to the other, and the bytes of the first stay where they are
// until BeforeChange has been called. A read larger than a buffer goes
// straight into the caller's memory. Every byte fetched from the file is
// counted once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "matroska/ByteSource.h"
#include "matroska/RawFile.h"

namespace mkv {

struct WindowSizes {
    size_t buffer;    // bytes each of the two buffers holds
    size_t jumpFill;  // the piece read where a jump lands
    size_t align;     // a jump's window starts at a multiple of this
    size_t maxPiece;  // the largest single read from the file (see PieceBytes)
};

class BufferedFile : public ByteSource {
  public:
    BufferedFile(std::unique_ptr<RawFile> file, WindowSizes sizes);
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    uint64_t Size() const override { return file_->Size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override;
    uint64_t BytesRead() const override { return bytesRead_; }

  protected:
    // The bytes [offset, offset + size) where they lie in the window, read in
    // first where needed; null when they are not all in the file or are more
    // than a buffer holds. Valid until BeforeChange is next called.
    const uint8_t* Hold(uint64_t offset, size_t size);

    // The window: the file offsets of its first byte and of the byte after
    // its last, and its bytes.
    uint64_t Start() const { return start_; }
    uint64_t End() const { return start_ + len_; }
    const uint8_t* Data() const { return buffers_[current_].data(); }
    RawFile& File() { return *file_; }

    // The policy of a reader on top. Whether a read that lands `gap` bytes
    // past the window's end is reached by reading on through the gap rather
    // than by starting the window over there; by default only a read that
    // starts where the window ends goes on.
    virtual bool ReadsThrough(uint64_t /*gap*/) { return false; }
    // The largest single read from the file, at most `maxPiece`.
    virtual size_t PieceBytes() const { return sizes_.maxPiece; }
    // Where a jump's window starts (at a multiple of `align` before the
    // bytes asked for) and the piece read there.
    struct Landing {
        size_t align;
        size_t fill;
    };
    virtual Landing JumpWindow() const { return {sizes_.align, sizes_.jumpFill}; }
    // The window is about to start over elsewhere.
    virtual void OnJump() {}
    // `n` bytes at file offset `at` have just been read into `data`: into the
    // window, or straight into the caller's memory.
    virtual void OnRead(uint64_t /*at*/, const uint8_t* /*data*/, size_t /*n*/,
                        bool /*intoWindow*/) {}
    // Called before the window's bytes are moved or dropped and before the
    // other buffer is written over.
    virtual void BeforeChange() {}

  private:
    uint8_t* Free() { return buffers_[current_].data() + len_; }
    size_t Piece() const;
    bool Load(uint64_t at, size_t n);
    void Jump(uint64_t at);
    void Switch(uint64_t keepFrom);
    size_t ReadStraight(uint64_t at, uint8_t* dst, size_t n);
    size_t Fetch(uint64_t at, uint8_t* dst, size_t n, bool intoWindow);

    std::unique_ptr<RawFile> file_;
    WindowSizes sizes_;
    std::vector<uint8_t> buffers_[2];
    int current_ = 0;
    uint64_t start_ = 0;     // file offset of the window's first byte
    size_t len_ = 0;         // bytes held
    size_t fill_;            // the next piece read on in sequence
    size_t resumeFill_ = 0;  // after a jump's first piece, the piece before it
    int readsSinceJump_ = 0;
    uint64_t bytesRead_ = 0;
};

}  // namespace mkv
