// The CRC-32 checks of the Clusters the pass reads from end to end. The bytes
// come in file order as they are read, and are summed (with zlib) while they
// are still in the processor's cache; a Cluster whose bytes do not all come,
// one after the other, is not checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "Reader.h"

namespace quarvel {

struct CrcMismatch {
    uint64_t clusterOffset = 0;
    uint32_t stored = 0;
    uint32_t computed = 0;
};

class ClusterChecks {
  public:
    // The Cluster whose bytes come next; one that was still awaited is given up.
    void Expect(const mkv::ClusterCrc& crc);
    // Bytes [offset, offset + size) of the file, just read.
    void Feed(uint64_t offset, const uint8_t* data, size_t size);
    // The Clusters found damaged so far, in file order.
    const std::vector<CrcMismatch>& Mismatches() const { return mismatches_; }

  private:
    std::optional<mkv::ClusterCrc> awaited_;
    uint64_t next_ = 0;  // the next byte of awaited_ to sum
    uint32_t sum_ = 0;   // of the bytes before it
    std::vector<CrcMismatch> mismatches_;
};

}  // namespace quarvel
