#include "cluster_checks.h"

#include <zlib.h>

#include <algorithm>

namespace quarvel {

ClusterChecks::~ClusterChecks() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        work_.notify_one();
        thread_.join();
    }
}

void ClusterChecks::Expect(const mkv::ClusterCrc& crc) {
    awaited_ = crc;
    next_ = crc.from;
    if (crc.from == crc.to) {
        Push(Job{nullptr, 0, true, true, crc});
        awaited_.reset();
    }
}

void ClusterChecks::Feed(uint64_t offset, const uint8_t* data, size_t size) {
    if (!awaited_ || offset + size <= next_) {
        return;
    }
    if (offset > next_) {
        awaited_.reset();  // a gap: the Cluster is read only in part
        return;
    }
    const uint64_t end = std::min<uint64_t>(offset + size, awaited_->to);
    const bool first = next_ == awaited_->from;
    const bool last = end == awaited_->to;
    Push(Job{data + (next_ - offset), static_cast<size_t>(end - next_), first, last, *awaited_});
    next_ = end;
    if (last) {
        awaited_.reset();
    }
}

void ClusterChecks::Push(const Job& job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(job);
    }
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    }
    work_.notify_one();
}

void ClusterChecks::Run() {
    uLong sum = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            return;  // stopped with nothing left to do
        }
        const Job job = jobs_.front();
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        if (job.first) {
            sum = crc32(0, nullptr, 0);
        }
        for (size_t at = 0; at < job.size;) {
            const auto n = static_cast<uInt>(std::min<size_t>(job.size - at, 1u << 30));
            sum = crc32(sum, job.data + at, n);
            at += n;
        }
        lock.lock();
        if (job.last && sum != job.crc.stored) {
            mismatches_.push_back(
                CrcMismatch{job.crc.clusterOffset, job.crc.stored, static_cast<uint32_t>(sum)});
        }
        busy_ = false;
        if (jobs_.empty()) {
            idle_.notify_all();
        }
    }
}

void ClusterChecks::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

const std::vector<CrcMismatch>& ClusterChecks::Mismatches() {
    Wait();
    return mismatches_;
}

}  // namespace quarvel
