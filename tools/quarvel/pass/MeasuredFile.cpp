#include "tools/quarvel/pass/MeasuredFile.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace quarvel {

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// How far a read at `offset` jumps from where the storage's last read ended.
uint64_t JumpFrom(uint64_t last, uint64_t offset) {
    if (last == UINT64_MAX) {
        return ReadCosts::kFirstRead;
    }
    return offset > last ? offset - last : last - offset;
}

}  // namespace

MeasuredFile::~MeasuredFile() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        work_.notify_one();
        thread_.join();
    }
}

void MeasuredFile::Expect(bool sequential) {
    // Holding the lock, no read of the thread's starts beside the hint.
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !reading_; });
    file_->Expect(sequential);
}

size_t MeasuredFile::ReadAt(uint64_t offset, void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    const bool inSequence = offset == next_;
    size_t got = streamed_ ? TakeStream(offset, out, n) : 0;
    if (got < n) {
        const bool jump = got == 0 && !inSequence;
        got += ReadNow(offset + got, out + got, n - got, jump ? JumpFrom(storageAt_, offset) : 0);
    }
    next_ = offset + got;
    // A read of a piece's size in sequence: the pass reads through.
    if (!streamed_ && inSequence && got == n && 2 * n >= costs_.PieceBytes() &&
        costs_.ReadAheadPays()) {
        StartStream(next_);
    }
    return got;
}

bool MeasuredFile::HoldsAhead(uint64_t offset) {
    if (!streamed_) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    // What the thread holds, and what it reads next while reading on.
    const uint64_t reach = readOn_ && !ended_ ? kPieces * ReadCosts::kMaxPieceBytes : 0;
    return offset >= consumeAt_ && offset < streamAt_ + reach;
}

void MeasuredFile::StopReadingAhead() {
    std::lock_guard<std::mutex> lock(mutex_);
    readOn_ = false;
}

size_t MeasuredFile::ReadNow(uint64_t offset, uint8_t* out, size_t n, uint64_t jumped) {
    const Clock::time_point start = Clock::now();
    const size_t cached = file_->ReadCachedAt(offset, out, n);
    const Clock::time_point probed = Clock::now();
    if (cached == n) {
        costs_.Record(ReadCosts::From::kMemory, jumped, cached, Seconds(probed - start));
        return n;
    }
    const size_t got = file_->ReadAt(offset + cached, out + cached, n - cached);
    storageAt_ = offset + cached + got;
    // Bytes partly in memory: what came from storage went on from them.
    costs_.Record(ReadCosts::From::kStorage, cached == 0 ? jumped : 0, got,
                  Seconds(Clock::now() - probed));
    return cached + got;
}

// Up to n bytes at `offset` from the pieces read ahead, waiting for them
// while the thread reads on.
size_t MeasuredFile::TakeStream(uint64_t offset, uint8_t* out, size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (offset != consumeAt_ && !SkipTo(offset, lock)) {
        return 0;
    }
    size_t got = 0;
    while (got < n) {
        done_.wait(lock, [this] { return filled_ > 0 || !readOn_ || ended_; });
        if (filled_ == 0) {
            if (!reading_) {
                DropStream(lock);  // nothing held, nothing coming
            }
            break;
        }
        Piece& piece = pieces_[first_];
        if (piece.used == 0) {
            costs_.Record(ReadCosts::From::kStorage, 0, piece.got, piece.seconds);
        }
        const size_t k = std::min(n - got, piece.got - piece.used);
        // The thread writes only into pieces not filled.
        lock.unlock();
        std::memcpy(out + got, piece.bytes.data() + piece.used, k);
        lock.lock();
        piece.used += k;
        got += k;
        if (piece.used == piece.got) {
            first_ = (first_ + 1) % kPieces;
            --filled_;
            work_.notify_one();
        }
    }
    consumeAt_ += got;
    return got;
}

// A jump: the thread stops reading on. Where `offset` lies ahead in what it
// has read, the bytes before it are passed over; elsewhere the stream is
// dropped (false).
bool MeasuredFile::SkipTo(uint64_t offset, std::unique_lock<std::mutex>& lock) {
    readOn_ = false;
    done_.wait(lock, [this] { return !reading_; });
    if (offset < consumeAt_ || offset >= streamAt_) {
        DropStream(lock);
        return false;
    }
    uint64_t skip = offset - consumeAt_;
    while (skip > 0) {
        Piece& piece = pieces_[first_];
        const uint64_t k = std::min<uint64_t>(skip, piece.got - piece.used);
        piece.used += static_cast<size_t>(k);
        skip -= k;
        if (piece.used == piece.got) {
            first_ = (first_ + 1) % kPieces;
            --filled_;
        }
    }
    consumeAt_ = offset;
    return true;
}

void MeasuredFile::StartStream(uint64_t from) {
    if (from >= Size()) {
        return;
    }
    for (Piece& piece : pieces_) {
        piece.bytes.resize(ReadCosts::kMaxPieceBytes);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        readOn_ = true;
        streamAt_ = consumeAt_ = from;
        first_ = filled_ = 0;
        ended_ = false;
    }
    streamed_ = true;
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    } else {
        work_.notify_one();
    }
}

// Once the thread's read in progress (if any) is over; its pieces are dropped.
void MeasuredFile::DropStream(std::unique_lock<std::mutex>& lock) {
    readOn_ = false;
    done_.wait(lock, [this] { return !reading_; });
    filled_ = 0;
    storageAt_ = streamAt_;
    streamed_ = false;
}

void MeasuredFile::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return stopping_ || (readOn_ && !ended_ && filled_ < kPieces); });
        if (stopping_) {
            return;
        }
        Piece& piece = pieces_[(first_ + filled_) % kPieces];
        const uint64_t at = streamAt_;
        const auto want =
            static_cast<size_t>(std::min<uint64_t>(ReadCosts::kMaxPieceBytes, file_->Size() - at));
        reading_ = true;
        lock.unlock();
        const Clock::time_point start = Clock::now();
        const size_t got = file_->ReadAt(at, piece.bytes.data(), want);
        const double seconds = Seconds(Clock::now() - start);
        lock.lock();
        reading_ = false;
        if (at == streamAt_) {
            piece.offset = at;
            piece.got = got;
            piece.used = 0;
            piece.seconds = seconds;
            streamAt_ += got;
            filled_ += got > 0 ? 1 : 0;
            ended_ = got < want || streamAt_ >= file_->Size();
        }
        done_.notify_all();
    }
}

}  // namespace quarvel
