// What the reads of the pass's source cost, measured as it goes, and what
// follows from it: whether the pass reads on through a gap or jumps over it,
// and how large its reads in sequence are.
//
// A jump pays what a read at a new place costs beyond its bytes (a seek, a
// round trip, a system call); reading through a gap pays the gap's bytes at
// the rate of reads in sequence. So a gap is read through when its bytes cost
// less than a jump as long: on a rotating disk (8 ms seeks, 150 MB/s) up to
// about 1.2 MB, on a network share (1 ms requests, 110 MB/s) about 100 KB, in
// memory (a system call against a copy) about 15 KB. What a jump costs is
// measured for each length of jump apart (a power of two each), as a disk's
// short jumps cost less than its long ones; a length measured fewer than
// kMinJumps times is jumped, which measures it.
//
// Reads whose bytes were all in memory are told apart: after a jump that
// landed in memory, the memory's figures decide, so that a file in the page
// cache is skipped through even where its disk would be read through. Where
// the system cannot tell what is in memory (Windows), every read counts as
// one from storage, and a file in memory shows by its fast reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quarvel {

class ReadCosts {
  public:
    enum class From { kMemory, kStorage };
    // `jumped` for the first read of a file: it often pays for more than its
    // bytes (opening, finding where the file lies), so it is not measured.
    static constexpr uint64_t kFirstRead = UINT64_MAX;

    // One read of `bytes` that took `seconds`, all of them from memory or
    // not, after a jump of `jumped` bytes from where the last read ended (0
    // when it went on from there).
    void Record(From from, uint64_t jumped, size_t bytes, double seconds);

    // Whether to read on through a gap of this many bytes rather than jump;
    // `readingAhead` when its bytes are being read ahead of the pass already.
    bool ReadsThrough(uint64_t gap, bool readingAhead);
    // Whether jumps as long as this gap have been measured yet.
    bool Measured(uint64_t gap) const;
    // The largest read in sequence.
    size_t PieceBytes() const;
    // The last jump landed in memory, and nothing read since came from storage.
    bool InMemory() const { return inMemory_; }
    // A piece read in sequence from storage takes long enough (at least
    // kReadAheadSeconds) that reading the next one while the pass works on
    // this one gains more than the copy out of the piece costs; and the pass
    // reads through knowing what a jump would cost, or meets no gap at all.
    bool ReadAheadPays() const;

    // Reads in sequence are of this size in memory, and in storage where a
    // request costs little beside its bytes: on Linux, reads of 256 KiB
    // through the page cache measured faster per byte than 1 MiB ones (the
    // copies stay in the processor's cache), and 4 MiB ones three times slower.
    static constexpr size_t kPieceBytes = 256 << 10;
    // The largest read: where every request pays a round trip, pieces grow up
    // to this, so that the trip costs at most kRequestShare of the piece.
    static constexpr size_t kMaxPieceBytes = 2 << 20;
    static constexpr double kRequestShare = 0.05;
    // Gaps up to this are always read through from storage: it is about what
    // a jump reads where it lands there, and measuring jumps this short would
    // cost more than the measure saves. (In memory, where a jump reads less
    // and reading on in sequence soon reads more than needed, they are
    // measured as the others.)
    static constexpr uint64_t kAlwaysReadThroughBytes = 8 << 10;
    // Until a read in sequence of kPieceBytes has been measured, gaps up to
    // this are read through, so that one is.
    static constexpr uint64_t kExploreBytes = 1 << 20;
    // Jumps of a length measured fewer times than this are not gone by: the
    // lowest of two, where one may have waited for another program.
    static constexpr size_t kMinJumps = 2;
    // A gap is read through while its bytes cost less than this many times
    // a jump: a jump costs more than its read (the reads after it start
    // small again, and the system's reading ahead starts over).
    static constexpr double kJumpWeight = 1.25;
    // Where the gap is being read ahead already, a jump stops the reading
    // ahead, which then starts again from small reads: it must save more.
    static constexpr double kReadingAheadJumpWeight = 2;
    // A length of gap read through kMeasureAgainAfter << n times, n the jumps
    // of that length measured, is jumped once: a jump measured slow while the
    // machine was busy does not decide for the rest of the file, and the
    // more samples agree, the rarer the jump that checks them. Not while the
    // gaps are being read ahead: there a jump would stop the reading ahead
    // and cost more than the measure could save.
    static constexpr uint32_t kMeasureAgainAfter = 16;
    // A copy of a piece from one buffer to another takes well under a tenth
    // of this.
    static constexpr double kReadAheadSeconds = 1e-3;

  private:
    // The last few values of a measure, and the lowest but one of them (of
    // seven; the lowest of three or fewer): a read slowed down by the machine
    // (another program's turn on the processor or on the disk) does not move
    // it, not even the first of a length.
    class Recent {
      public:
        void Add(double value);
        size_t Count() const { return count_; }
        double Low() const { return low_; }

      private:
        std::array<double, 7> values_{};
        size_t count_ = 0, next_ = 0;
        double low_ = 0;
    };

    // The recent reads of one size in sequence: their sums, each read
    // counting 1/32 less than the one after it. Sums, not a median: reading
    // in sequence, most reads find their bytes read ahead by the system and a
    // few wait for the storage, and only the sum tells what the sequence costs.
    class Sums {
      public:
        void Add(double bytes, double seconds);
        bool Empty() const { return weight_ == 0; }
        // The mean read.
        double Bytes() const { return bytes_ / weight_; }
        double Seconds() const { return seconds_ / weight_; }

      private:
        static constexpr double kKeep = 31.0 / 32;
        double weight_ = 0, bytes_ = 0, seconds_ = 0;
    };

    // The costs of one kind of read (memory or storage): jumps by length,
    // and reads in sequence by size, so that the cost of a request and of
    // its bytes can be told apart. Both in classes of a power of two from
    // 4 KiB up.
    class Costs {
      public:
        explicit Costs(uint64_t alwaysReadThrough) : alwaysReadThrough_(alwaysReadThrough) {}
        void RecordJump(uint64_t length, size_t bytes, double seconds);
        void RecordSequence(size_t bytes, double seconds);
        bool ReadsThrough(uint64_t gap, bool readingAhead);
        bool Measured(uint64_t gap) const;
        size_t PieceBytes() const { return piece_; }
        double PieceSeconds() const { return pieceSeconds_; }
        // No gap met yet (every byte is wanted), or jumps measured.
        bool ReadsThroughKnowingly() const { return jumpsMeasured_ || !gapsMet_; }

      private:
        static constexpr int kSizes = 11;    // 4 KiB to 4 MiB
        static constexpr int kLengths = 20;  // 4 KiB to 2 GiB
        static int ClassOf(uint64_t bytes, int classes);
        void FitSequences();

        struct Jumps {
            Recent seconds, bytes;
            uint32_t readThrough = 0;  // gaps of this length read through since the last
        };
        uint64_t alwaysReadThrough_;
        Jumps jumps_[kLengths];
        bool jumpsMeasured_ = false;
        bool gapsMet_ = false;  // a gap longer than alwaysReadThrough_
        Sums sequences_[kSizes];
        int largestSequence_ = -1;  // the class of the largest reads in sequence, -1 none
        double perByte_ = 0, perRead_ = 0;
        bool fitted_ = false;  // perByte_ and perRead_ come from two sizes
        size_t piece_ = kPieceBytes;
        double pieceSeconds_ = 0;  // what a read of piece_ in sequence takes
    };

    Costs memory_{0}, storage_{kAlwaysReadThroughBytes};
    bool inMemory_ = false;
};

}  // namespace quarvel
