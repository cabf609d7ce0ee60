// The file source of the track pass. The pass reads in file order: the few
// octets of header before every block, and the payloads of the requested
// tracks. Where the next bytes it needs lie close after the last ones read, it
// reads on through the gap in growing pieces, so that the reads stay one
// sequence and the kernel's read-ahead keeps the disk busy; where they lie far,
// it skips, and reads a small window there. Payloads are used where they lie
// in its buffer, and written out from there (see Frame::inSource). A Cluster
// read through from end to end can have its CRC-32 checked on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "matroska/ByteSource.h"
#include "tools/quarvel/pass/ClusterChecks.h"

namespace quarvel {

// The file at the lowest level, per platform.
class RawFile {
  public:
    virtual ~RawFile() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to n bytes at offset; fewer only at the end or on an error.
    virtual size_t ReadAt(uint64_t offset, void* dst, size_t n) = 0;
    // The reads from now on go on in sequence (true) or jump (false).
    virtual void Expect(bool sequential) { (void)sequential; }
};

class PassSource : public mkv::ByteSource {
  public:
    explicit PassSource(std::unique_ptr<RawFile> file);

    uint64_t Size() const override { return file_->Size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override;
    uint64_t BytesRead() const override { return bytesRead_; }

    // The bytes [offset, offset + size) in place, valid until the buffer
    // changes (see OnChange); null when they are not all in the file or are
    // more than kMaxViewBytes (the caller then reads them).
    const uint8_t* View(uint64_t offset, size_t size);
    // Called before bytes handed out by View are moved or overwritten.
    void OnChange(std::function<void()> hook) { onChange_ = std::move(hook); }

    // Checks crc when the pass reads all the bytes it covers in one sequence.
    void Check(const mkv::ClusterCrc& crc);
    // The Clusters whose bytes did not match their CRC-32, in file order.
    const std::vector<CrcMismatch>& Mismatches() { return checks_.Mismatches(); }

    // The size of the reads in sequence (see PassSource.cpp).
    static constexpr size_t kPieceBytes = 256 << 10;
    // The size of each of the two buffers: payloads up to it are used in
    // place. A pass over a file in memory measured 15% faster with one of 2
    // MiB than with one of 8 MiB, whose bytes the copies out of it no longer
    // found in the processor's cache.
    static constexpr size_t kMaxViewBytes = 2 << 20;

  private:
    uint64_t End() const { return start_ + len_; }
    uint8_t* Data() { return buffers_[current_].data(); }
    bool Load(uint64_t at, size_t n);
    void Skip(uint64_t at);
    void Switch(uint64_t keepFrom);
    void BeforeChange();
    size_t Fetch(uint64_t at, uint8_t* dst, size_t n);
    void Expect(bool sequential);

    std::unique_ptr<RawFile> file_;
    // The bytes read go to one buffer until it is full, then, after the bytes
    // still needed, to the other, while the check thread may still be summing
    // the first one's.
    std::vector<uint8_t> buffers_[2];
    int current_ = 0;
    uint64_t otherMark_ = 0;  // the pieces of the other buffer handed to checks_
    uint64_t start_ = 0;      // file offset of the current buffer's first byte
    size_t len_ = 0;          // bytes held
    size_t fill_;             // the next piece read on in sequence
    uint64_t run_ = 0;        // bytes read in sequence since the last jump
    int sequential_ = -1;     // the last hint given: -1 none yet
    uint64_t bytesRead_ = 0;
    std::function<void()> onChange_;
    ClusterChecks checks_;
};

// Returns null and sets *error when the file cannot be opened.
std::unique_ptr<PassSource> OpenPassSource(const std::string& path, std::string* error);

}  // namespace quarvel
