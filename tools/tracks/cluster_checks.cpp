#include "cluster_checks.h"

#include <zlib.h>

#include <algorithm>

namespace quarvel {

void ClusterChecks::Expect(const mkv::ClusterCrc& crc) {
    awaited_ = crc;
    next_ = crc.from;
    sum_ = static_cast<uint32_t>(crc32(0, nullptr, 0));
    Feed(crc.from, nullptr, 0);  // a Cluster with nothing after its CRC-32
}

void ClusterChecks::Feed(uint64_t offset, const uint8_t* data, size_t size) {
    if (!awaited_ || offset > next_) {
        awaited_.reset();  // a gap: the Cluster is read only in part
        return;
    }
    const uint64_t end = std::min<uint64_t>(offset + size, awaited_->to);
    if (end > next_) {
        // Pieces are at most a read buffer's size, far below 4 GiB.
        sum_ = static_cast<uint32_t>(
            crc32(sum_, data + (next_ - offset), static_cast<uInt>(end - next_)));
        next_ = end;
    }
    if (next_ == awaited_->to) {
        if (sum_ != awaited_->stored) {
            mismatches_.push_back(CrcMismatch{awaited_->clusterOffset, awaited_->stored, sum_});
        }
        awaited_.reset();
    }
}

}  // namespace quarvel
