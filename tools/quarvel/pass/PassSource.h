// The file source of the track pass: the reader's buffered file (see
// matroska/BufferedFile.h) with the pass's own policy on top. The pass reads
// in file order: the few octets of header before every block, and the payloads
// of the requested tracks. Where the next bytes it needs lie close after the
// last ones read, it reads on through the gap, so that the reads stay one
// sequence; where they lie far, it jumps, and reads a small window there. How
// close is close follows from what the reads have cost so far on this file
// (see ReadCosts.h): far more on a rotating disk than on a network share, and
// least of all for a file in memory. Payloads are used where they lie in its
// buffer, and written out from there (see Frame::inSource). A Cluster read
// through from end to end can have its CRC-32 checked on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "matroska/BufferedFile.h"
#include "tools/quarvel/pass/ClusterChecks.h"
#include "tools/quarvel/pass/MeasuredFile.h"
#include "tools/quarvel/pass/ReadCosts.h"

namespace quarvel {

class PassSource : public mkv::BufferedFile {
  public:
    explicit PassSource(std::unique_ptr<mkv::RawFile> file);

    // The bytes [offset, offset + size) in place, valid until the buffer
    // changes (see OnChange); null when they are not all in the file or are
    // more than kMaxViewBytes (the caller then reads them).
    const uint8_t* View(uint64_t offset, size_t size) { return Hold(offset, size); }
    // Called before bytes handed out by View are moved or overwritten.
    void OnChange(std::function<void()> hook) { onChange_ = std::move(hook); }

    // Checks crc when the pass reads all the bytes it covers in one sequence.
    void Check(const mkv::ClusterCrc& crc);
    // The Clusters whose bytes did not match their CRC-32, in file order.
    const std::vector<CrcMismatch>& Mismatches() { return checks_.Mismatches(); }

    // The size of the reads in sequence from memory (see ReadCosts.h).
    static constexpr size_t kPieceBytes = ReadCosts::kPieceBytes;
    // The size of each of the two buffers: payloads up to it are used in
    // place. A pass over a file in memory measured 15% faster with one of 2
    // MiB than with one of 8 MiB, whose bytes the copies out of it no longer
    // found in the processor's cache.
    static constexpr size_t kMaxViewBytes = 2 << 20;

  private:
    explicit PassSource(MeasuredFile* file);
    bool ReadsThrough(uint64_t gap) override;
    size_t PieceBytes() const override;
    Landing JumpWindow() const override;
    void OnJump() override;
    void OnRead(uint64_t at, const uint8_t* data, size_t n, bool intoWindow) override;
    void BeforeChange() override;
    void Expect(bool sequential);

    MeasuredFile& measured_;  // the file read, owned by BufferedFile
    uint64_t run_ = 0;        // bytes read into the buffers in sequence since the last jump
    int sequential_ = -1;     // the last hint given: -1 none yet
    std::function<void()> onChange_;
    // The bytes read go to one buffer until it is full, then, after the bytes
    // still needed, to the other, while the check thread may still be summing
    // the first one's.
    ClusterChecks checks_;
    uint64_t otherMark_ = 0;  // the pieces of the other buffer handed to checks_
};

// Returns null and sets *error when the file cannot be opened.
std::unique_ptr<PassSource> OpenPassSource(const std::string& path, std::string* error);

}  // namespace quarvel
