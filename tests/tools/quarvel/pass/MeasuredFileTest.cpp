// The measured file on a slow storage, where it reads ahead on a thread of its
// own: whatever the reads, they get the file's bytes, and the storage never
// serves two reads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "tools/quarvel/pass/MeasuredFile.h"

namespace {

// 32 MiB that take 1 ms a read and 2 ns a byte, counting the reads of a
// read-ahead piece and any two reads at once.
class SlowFile : public mkv::RawFile {
  public:
    struct Seen {
        std::atomic<int> reading{0};
        std::atomic<bool> overlapped{false};
        std::atomic<int> pieces{0};
    };
    SlowFile(const std::vector<uint8_t>& bytes, Seen& seen) : bytes_(bytes), seen_(seen) {}
    uint64_t Size() const override { return bytes_.size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        if (seen_.reading.fetch_add(1) != 0) {
            seen_.overlapped = true;
        }
        seen_.pieces += n == quarvel::ReadCosts::kMaxPieceBytes;
        std::this_thread::sleep_for(std::chrono::microseconds(1000 + n / 500));
        n = offset >= bytes_.size() ? 0 : std::min<size_t>(n, bytes_.size() - offset);
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), n,
                    static_cast<uint8_t*>(dst));
        seen_.reading.fetch_sub(1);
        return n;
    }
    void Expect(bool) override {}

  private:
    const std::vector<uint8_t>& bytes_;
    Seen& seen_;
};

TEST(MeasuredFile, ReadingAheadHandsOutTheFileWhateverTheReads) {
    std::mt19937 random(24);
    std::vector<uint8_t> bytes(32 << 20);
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(random());
    }
    SlowFile::Seen seen;
    quarvel::MeasuredFile file(std::make_unique<SlowFile>(bytes, seen));
    std::vector<uint8_t> out(2 << 20);
    auto readAndCheck = [&](uint64_t at, size_t n) {
        const size_t got = file.ReadAt(at, out.data(), n);
        ASSERT_EQ(got, std::min<uint64_t>(n, bytes.size() - std::min<uint64_t>(at, bytes.size())));
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(got),
                               bytes.begin() + static_cast<std::ptrdiff_t>(at)))
            << at << " " << n;
    };
    // A pass's opening: its first read, one jump, then reading through in
    // pieces, which starts the reading ahead.
    readAndCheck(0, 8 << 10);
    readAndCheck(3 << 20, 8 << 10);
    uint64_t at = (3 << 20) + (8 << 10);
    for (size_t n = 16 << 10; n <= file.Costs().PieceBytes(); n *= 2) {
        readAndCheck(at, n);
        at += n;
    }
    ASSERT_TRUE(file.Costs().ReadAheadPays());
    ASSERT_EQ(file.Costs().PieceBytes(), quarvel::ReadCosts::kMaxPieceBytes);
    // Then reads on, small or of a piece's size (which starts the reading
    // ahead again), jumps into what is read ahead, past it, and back, to the
    // end of the file.
    for (int i = 0; i < 300; ++i) {
        const int what = static_cast<int>(random() % 8);
        if (what == 0) {
            at += random() % (8 << 20);  // maybe past what is held
        } else if (what == 1) {
            at -= std::min<uint64_t>(at, random() % (1 << 20));
        } else if (what == 2) {
            at += random() % (1 << 20);
        }
        const size_t n = what >= 5 ? 2 << 20 : 1 + random() % (300 << 10);
        readAndCheck(at, n);
        at = at + n < bytes.size() ? at + n : random() % (1 << 20);
    }
    readAndCheck(bytes.size() - 100, 1000);  // across the end
    EXPECT_GT(seen.pieces.load(), 0) << "nothing was read ahead";
    EXPECT_FALSE(seen.overlapped.load()) << "two reads ran at once";
}

}  // namespace
