// The CRC-32 checks of the Clusters the pass reads from end to end. The bytes
// come in file order as they are read; a Cluster whose bytes do not all come,
// one after the other, is not checked. The sums are computed on a thread of
// their own, beside the reading and writing, so that a pass over a file in
// memory checks every Cluster at almost no cost in time.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
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
    ClusterChecks() = default;
    ~ClusterChecks();
    ClusterChecks(const ClusterChecks&) = delete;
    ClusterChecks& operator=(const ClusterChecks&) = delete;

    // The Cluster whose bytes come next; one that was still awaited is given up.
    void Expect(const mkv::ClusterCrc& crc);
    // Bytes [offset, offset + size) of the file, just read. They must stay
    // unchanged until Wait() returns.
    void Feed(uint64_t offset, const uint8_t* data, size_t size);
    // Returns once every byte fed so far has been summed.
    void Wait();
    // The Clusters found damaged so far, in file order.
    const std::vector<CrcMismatch>& Mismatches();

  private:
    struct Job {
        const uint8_t* data;
        size_t size;
        bool first;  // the first bytes of a Cluster
        bool last;   // its last: compare
        mkv::ClusterCrc crc;
    };
    void Push(const Job& job);
    void Run();

    // The pass's side.
    std::optional<mkv::ClusterCrc> awaited_;
    uint64_t next_ = 0;  // the next byte of awaited_ to sum

    // Shared with the thread.
    std::mutex mutex_;
    std::condition_variable work_, idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stop_ = false;
    std::vector<CrcMismatch> mismatches_;
    std::thread thread_;
};

}  // namespace quarvel
