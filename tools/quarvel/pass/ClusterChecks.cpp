#include "tools/quarvel/pass/ClusterChecks.h"

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
    kept_.reset();
    awaited_ = crc;
    next_ = crc.from;
    if (crc.from == crc.to) {
        Hand(Piece{nullptr, 0, true, true, crc});
        awaited_.reset();
    }
}

void ClusterChecks::Feed(uint64_t offset, const uint8_t* data, size_t size) {
    if (!awaited_ || offset + size <= next_) {
        return;
    }
    if (offset > next_) {
        GiveUp();  // a gap: the Cluster is read only in part
        return;
    }
    const uint64_t end = std::min<uint64_t>(offset + size, awaited_->to);
    const bool first = next_ == awaited_->from;
    const bool last = end == awaited_->to;
    const Piece piece{data + (next_ - offset), static_cast<size_t>(end - next_), first, last,
                      *awaited_};
    next_ = end;
    if (first && !last) {
        kept_ = piece;
        return;
    }
    HandOver();
    Hand(piece);
    if (last) {
        awaited_.reset();
    }
}

void ClusterChecks::HandOver() {
    if (kept_) {
        Hand(*kept_);
        kept_.reset();
    }
}

void ClusterChecks::GiveUp() {
    awaited_.reset();
    kept_.reset();
}

void ClusterChecks::Hand(const Piece& piece) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pieces_.push_back(piece);
        wake = idle_;
    }
    ++handed_;
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    } else if (wake) {
        work_.notify_one();
    }
}

void ClusterChecks::Run() {
    uLong sum = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        idle_ = true;
        work_.wait(lock, [this] { return stop_ || !pieces_.empty(); });
        idle_ = false;
        if (pieces_.empty()) {
            return;  // stopped with nothing left to do
        }
        const Piece piece = pieces_.front();
        pieces_.pop_front();
        lock.unlock();
        if (piece.first) {
            sum = crc32(0, nullptr, 0);
        }
        // Pieces are at most a read buffer's size, far below 4 GiB.
        sum = piece.size == 0 ? sum : crc32(sum, piece.data, static_cast<uInt>(piece.size));
        lock.lock();
        if (piece.last && sum != piece.crc.stored) {
            mismatches_.push_back(
                CrcMismatch{piece.crc.clusterOffset, piece.crc.stored, static_cast<uint32_t>(sum)});
        }
        ++summed_;
        done_.notify_all();
    }
}

void ClusterChecks::WaitFor(uint64_t mark) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this, mark] { return summed_ >= mark; });
}

const std::vector<CrcMismatch>& ClusterChecks::Mismatches() {
    WaitFor(handed_);
    return mismatches_;
}

}  // namespace quarvel
