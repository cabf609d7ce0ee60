#include "tools/quarvel/pass/ReadCosts.h"

#include <algorithm>
#include <bit>

namespace quarvel {

namespace {

// A read at a new place larger than this (a payload read straight) is not
// taken for what a jump costs: its bytes would hide the jump.
constexpr size_t kMaxJumpSampleBytes = 64 << 10;

}  // namespace

void ReadCosts::Record(From from, uint64_t jumped, size_t bytes, double seconds) {
    if (bytes == 0) {
        return;
    }
    // A jump tells where the pass is now; a read in sequence counts for the
    // kind of place the pass is reading through, even where the system had
    // read its bytes ahead already: its cost is what that reading costs.
    if (jumped != 0) {
        inMemory_ = from == From::kMemory;
    } else if (from == From::kStorage) {
        inMemory_ = false;
    }
    Costs& costs = inMemory_ ? memory_ : storage_;
    if (jumped == 0) {
        costs.RecordSequence(bytes, seconds);
    } else if (jumped != kFirstRead) {
        costs.RecordJump(jumped, bytes, seconds);
    }
}

bool ReadCosts::ReadsThrough(uint64_t gap, bool readingAhead) {
    return (inMemory_ ? memory_ : storage_).ReadsThrough(gap, readingAhead);
}

bool ReadCosts::Measured(uint64_t gap) const {
    return (inMemory_ ? memory_ : storage_).Measured(gap);
}

size_t ReadCosts::PieceBytes() const {
    return inMemory_ ? kPieceBytes : storage_.PieceBytes();
}

bool ReadCosts::ReadAheadPays() const {
    return !inMemory_ && storage_.ReadsThroughKnowingly() &&
           storage_.PieceSeconds() >= kReadAheadSeconds;
}

void ReadCosts::Recent::Add(double value) {
    values_[next_] = value;
    next_ = (next_ + 1) % values_.size();
    count_ = std::min(count_ + 1, values_.size());
    std::array<double, std::tuple_size_v<decltype(values_)>> sorted = values_;
    const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(count_);
    const auto low = sorted.begin() + static_cast<std::ptrdiff_t>(count_ / 4);
    std::nth_element(sorted.begin(), low, end);
    low_ = *low;
}

void ReadCosts::Sums::Add(double bytes, double seconds) {
    weight_ = weight_ * kKeep + 1;
    bytes_ = bytes_ * kKeep + bytes;
    seconds_ = seconds_ * kKeep + seconds;
}

int ReadCosts::Costs::ClassOf(uint64_t bytes, int classes) {
    const int log = static_cast<int>(std::bit_width(bytes)) - 1;
    return std::clamp(log - 12, 0, classes - 1);
}

void ReadCosts::Costs::RecordJump(uint64_t length, size_t bytes, double seconds) {
    if (bytes > kMaxJumpSampleBytes) {
        return;
    }
    jumpsMeasured_ = true;
    Jumps& jumps = jumps_[ClassOf(length, kLengths)];
    jumps.seconds.Add(seconds);
    jumps.bytes.Add(static_cast<double>(bytes));
    jumps.readThrough = 0;
}

void ReadCosts::Costs::RecordSequence(size_t bytes, double seconds) {
    sequences_[ClassOf(bytes, kSizes)].Add(static_cast<double>(bytes), seconds);
    FitSequences();
}

// Fits seconds = perRead + bytes * perByte through the smallest and the
// largest size of read in sequence measured (their recent means), and makes
// the pieces large enough that a request costs little beside its bytes.
void ReadCosts::Costs::FitSequences() {
    int lo = -1, hi = -1;
    for (int c = 0; c < kSizes; ++c) {
        if (!sequences_[c].Empty()) {
            lo = lo < 0 ? c : lo;
            hi = c;
        }
    }
    largestSequence_ = hi;
    const double hiBytes = sequences_[hi].Bytes(), hiSeconds = sequences_[hi].Seconds();
    const double loBytes = sequences_[lo].Bytes(), loSeconds = sequences_[lo].Seconds();
    const double slope = lo < hi ? (hiSeconds - loSeconds) / (hiBytes - loBytes) : 0;
    if (slope > 0 && loSeconds > slope * loBytes) {
        perByte_ = slope;
        perRead_ = loSeconds - slope * loBytes;
        fitted_ = true;
    } else if (!fitted_) {
        // One size only, or sizes that a busy machine made look alike: the
        // last fit holds until the next.
        perByte_ = hiSeconds / hiBytes;
        perRead_ = 0;
    }
    const double piece = perRead_ / (kRequestShare * perByte_);
    piece_ = static_cast<size_t>(
        std::clamp(piece, static_cast<double>(kPieceBytes), static_cast<double>(kMaxPieceBytes)));
    pieceSeconds_ = perRead_ + static_cast<double>(piece_) * perByte_;
}

bool ReadCosts::Costs::Measured(uint64_t gap) const {
    return gap <= alwaysReadThrough_ || jumps_[ClassOf(gap, kLengths)].seconds.Count() >= kMinJumps;
}

// The gap's bytes, each with its share of the request that reads it, against
// what a jump as long costs beyond its own bytes.
bool ReadCosts::Costs::ReadsThrough(uint64_t gap, bool readingAhead) {
    if (gap <= alwaysReadThrough_) {
        return true;
    }
    gapsMet_ = true;
    if (largestSequence_ < ClassOf(kPieceBytes, kSizes)) {
        return gap <= kExploreBytes;
    }
    Jumps& jumps = jumps_[ClassOf(gap, kLengths)];
    const bool measureAgain = !readingAhead && jumps.readThrough >= kMeasureAgainAfter
                                                                        << jumps.seconds.Count();
    if (jumps.seconds.Count() < kMinJumps || measureAgain) {
        jumps.readThrough = 0;
        return false;
    }
    const double jumpCost = jumps.seconds.Low() - jumps.bytes.Low() * perByte_;
    const double gapCost =
        static_cast<double>(gap) * (perByte_ + perRead_ / static_cast<double>(piece_));
    if (gapCost >= (readingAhead ? kReadingAheadJumpWeight : kJumpWeight) * jumpCost) {
        return false;
    }
    jumps.readThrough += readingAhead ? 0 : 1;
    return true;
}

}  // namespace quarvel
