// The buffered file under every kind of read, with buffers small enough that
// the window moves, switches buffers and reads straight past them all the time.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "matroska/BufferedFile.h"

namespace {

// A file in memory that counts the bytes read of it.
class MemoryFile : public mkv::RawFile {
  public:
    explicit MemoryFile(const std::vector<uint8_t>& bytes, uint64_t& read)
        : bytes_(bytes), read_(read) {}
    uint64_t Size() const override { return bytes_.size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        n = offset >= bytes_.size() ? 0 : std::min<size_t>(n, bytes_.size() - offset);
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), n,
                    static_cast<uint8_t*>(dst));
        read_ += n;
        return n;
    }
    void Expect(bool) override {}

  private:
    const std::vector<uint8_t>& bytes_;
    uint64_t& read_;
};

// A reader's policy on top of the buffered file.
struct Policy {
    uint64_t gap = 0;           // gaps up to this are read through
    size_t landingAlign = 4;    // a jump's window starts at a multiple of this
    size_t landingFill = 8;     // and reads this much
    bool piecesChange = false;  // the largest read changes from read to read
};

// Follows its policy, and lets the test see the window in place.
class Window : public mkv::BufferedFile {
  public:
    Window(std::unique_ptr<mkv::RawFile> file, const Policy& policy)
        : BufferedFile(std::move(file), {64, 8, 4, 16}), policy_(policy) {}
    using BufferedFile::Hold;

  private:
    bool ReadsThrough(uint64_t gap) override { return gap <= policy_.gap; }
    size_t PieceBytes() const override { return policy_.piecesChange ? 3 + ++asked_ % 20 : 16; }
    Landing JumpWindow() const override { return {policy_.landingAlign, policy_.landingFill}; }
    Policy policy_;
    mutable size_t asked_ = 0;
};

TEST(BufferedFile, HandsOutTheFileWhateverTheReads) {
    std::mt19937 random(14);
    std::vector<uint8_t> bytes(5000);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    const Policy policies[] = {
        {},
        {.gap = 40},
        // Pieces outside what the buffer allows, windows anywhere.
        {.gap = 40, .landingAlign = 1, .landingFill = 3, .piecesChange = true},
    };
    for (const Policy& policy : policies) {
        uint64_t fetched = 0;
        Window window(std::make_unique<MemoryFile>(bytes, fetched), policy);
        // Reads in order, each read from the file once.
        std::vector<uint8_t> all(bytes.size() + 10);
        size_t got = 0;
        for (size_t n = 1; got < bytes.size(); n = n % 150 + 7)
            got += window.ReadAt(got, all.data() + got, n);
        all.resize(got);
        EXPECT_EQ(all, bytes);
        EXPECT_EQ(window.BytesRead(), bytes.size());
        // Reads and views anywhere, of any size, past the end too.
        for (int i = 0; i < 3000; ++i) {
            const uint64_t at = random() % (bytes.size() + 20);
            const size_t n = random() % 3 == 0 ? random() % 300 : random() % 70;
            std::vector<uint8_t> out(n);
            const size_t read = window.ReadAt(at, out.data(), n);
            ASSERT_EQ(read, at >= bytes.size() ? 0 : std::min<size_t>(n, bytes.size() - at));
            ASSERT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(read),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(at)));
            const uint8_t* view = window.Hold(at, n);
            const bool whole = n > 0 && n <= 64 && at + n <= bytes.size();
            ASSERT_EQ(view != nullptr, whole) << at << " " << n;
            if (whole) {
                ASSERT_TRUE(
                    std::equal(view, view + n, bytes.begin() + static_cast<std::ptrdiff_t>(at)));
            }
        }
        EXPECT_EQ(window.BytesRead(), fetched);
    }
}

}  // namespace
