// What the pass decides from the costs it measures, fed the reads of three
// kinds of storage as the benchmarks' models charge them.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/quarvel/pass/ReadCosts.h"

namespace {

using quarvel::ReadCosts;
using From = ReadCosts::From;

// Seconds a read of `bytes` takes after a jump of `jumped` bytes (0: in sequence).
using Storage = std::function<double(uint64_t jumped, size_t bytes)>;

// A rotating disk: 8 ms seeks unless the read lands within 128 KiB, 150 MB/s.
double Rotating(uint64_t jumped, size_t bytes) {
    const double perByte = 1 / 150e6;
    const double move = jumped == 0 ? 0 : jumped <= (128 << 10) ? jumped * perByte : 8e-3;
    return move + bytes * perByte;
}

// A network share: 1 ms a request, 110 MB/s.
double Network(uint64_t, size_t bytes) {
    return 1e-3 + bytes / 110e6;
}

// The page cache: a system call, then a copy.
double Memory(uint64_t, size_t bytes) {
    return 2e-6 + bytes / 8e9;
}

// What a pass reads on opening a file and on its first gaps: its first read,
// reads in sequence growing from 8 KiB to 2 MiB, and two jumps of each length
// in `jumps`, all of them from `from`.
void Open(ReadCosts& costs, From from, const Storage& storage, const std::vector<uint64_t>& jumps) {
    costs.Record(from, ReadCosts::kFirstRead, 8 << 10, storage(1 << 30, 8 << 10));
    for (size_t bytes = 8 << 10; bytes <= (2 << 20); bytes *= 2) {
        costs.Record(from, 0, bytes, storage(0, bytes));
    }
    for (uint64_t jump : jumps) {
        for (int twice = 0; twice < 2; ++twice) {
            costs.Record(from, jump, 8 << 10, storage(jump, 8 << 10));
            costs.Record(from, 0, 2 << 20, storage(0, 2 << 20));
        }
    }
}

TEST(ReadCosts, ReadsThroughWhatCostsLessThanAJumpAsLong) {
    const std::vector<uint64_t> lengths = {50'000, 150'000, 500'000, 2'000'000, 20'000'000};
    struct Row {
        const char* storage;
        Storage read;
        From from;
        std::vector<bool> readsThrough;  // for each of `lengths`
        size_t piece;
        bool readAhead;
    };
    const Row rows[] = {
        // 8 ms is 1.2 MB read: short jumps cost what their bytes do, and
        // reading through is taken where it costs no more.
        {"rotating", Rotating, From::kStorage, {true, true, true, false, false}, 256 << 10, true},
        // 1 ms is 110 KB read; a request costs so much that reads grow to 2 MiB.
        {"network", Network, From::kStorage, {true, false, false, false, false}, 2 << 20, true},
        // 2 µs is 16 KB copied.
        {"memory", Memory, From::kMemory, {false, false, false, false, false}, 256 << 10, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.storage);
        ReadCosts costs;
        Open(costs, row.from, row.read, lengths);
        EXPECT_EQ(costs.InMemory(), row.from == From::kMemory);
        for (size_t k = 0; k < lengths.size(); ++k) {
            EXPECT_EQ(costs.ReadsThrough(lengths[k], false), row.readsThrough[k]) << lengths[k];
        }
        EXPECT_EQ(costs.PieceBytes(), row.piece);
        EXPECT_EQ(costs.ReadAheadPays(), row.readAhead);
    }
}

TEST(ReadCosts, JumpsOfALengthNotMeasuredYetAreMadeToMeasureThem) {
    ReadCosts costs;
    Open(costs, From::kStorage, Rotating, {});
    // The first read of a file is no jump to go by.
    EXPECT_FALSE(costs.Measured(1 << 30));
    EXPECT_FALSE(costs.ReadsThrough(500'000, false));
    EXPECT_FALSE(costs.ReadAheadPays());
    // Gaps shorter than a jump's window are read through all the same.
    EXPECT_TRUE(costs.Measured(8 << 10));
    EXPECT_TRUE(costs.ReadsThrough(8 << 10, false));

    // Once is not enough: that jump may have waited for another program.
    costs.Record(From::kStorage, 500'000, 8 << 10, 0.5);
    EXPECT_FALSE(costs.Measured(500'000));
    EXPECT_FALSE(costs.ReadsThrough(500'000, false));
    costs.Record(From::kStorage, 500'000, 8 << 10, Rotating(500'000, 8 << 10));
    EXPECT_TRUE(costs.Measured(500'000));
    EXPECT_TRUE(costs.Measured(300'000));   // the same power of two
    EXPECT_FALSE(costs.Measured(700'000));  // the next one
    EXPECT_TRUE(costs.ReadAheadPays());
    // Measured twice, the length is jumped again after 64 reads through, then
    // after 128 once measured three times.
    int jumps = 0;
    for (int gap = 0; gap < 64 + 1 + 128; ++gap) {
        if (!costs.ReadsThrough(500'000, false)) {
            ++jumps;
            costs.Record(From::kStorage, 500'000, 8 << 10, Rotating(500'000, 8 << 10));
        }
    }
    EXPECT_EQ(jumps, 1);
    EXPECT_FALSE(costs.ReadsThrough(500'000, false));
}

TEST(ReadCosts, AJumpIntoBytesReadAheadMustSaveMore) {
    // A jump costs 2 ms beside its bytes, a gap of 450 KB 3 ms: more than
    // 1.25 jumps, less than 2 once its bytes are on their way.
    const Storage storage = [](uint64_t jumped, size_t bytes) {
        return (jumped != 0 ? 2e-3 : 0) + bytes / 150e6;
    };
    ReadCosts costs;
    Open(costs, From::kStorage, storage, {500'000});
    EXPECT_FALSE(costs.ReadsThrough(450'000, false));
    EXPECT_TRUE(costs.ReadsThrough(450'000, true));
}

TEST(ReadCosts, TheKindOfPlaceFollowsTheJumps) {
    ReadCosts costs;
    Open(costs, From::kStorage, Network, {200'000});
    EXPECT_FALSE(costs.InMemory());
    // A jump landing in memory: the memory's figures decide, and a read in
    // sequence from memory changes nothing.
    costs.Record(From::kMemory, 200'000, 4 << 10, Memory(0, 4 << 10));
    costs.Record(From::kMemory, 200'000, 4 << 10, Memory(0, 4 << 10));
    EXPECT_TRUE(costs.InMemory());
    costs.Record(From::kMemory, 0, 8 << 10, Memory(0, 8 << 10));
    EXPECT_TRUE(costs.InMemory());
    EXPECT_EQ(costs.PieceBytes(), ReadCosts::kPieceBytes);
    EXPECT_FALSE(costs.ReadAheadPays());
    // Reading on into storage, or a jump landing there, goes back.
    costs.Record(From::kStorage, 0, 8 << 10, Network(0, 8 << 10));
    EXPECT_FALSE(costs.InMemory());
    EXPECT_EQ(costs.PieceBytes(), size_t{2 << 20});
}

}  // namespace
