#include <gtest/gtest.h>

#include "tests/support/EbmlWriter.h"
#include "tools/quarvel/pass/Lacing.h"

namespace quarvel {
namespace {

std::vector<FrameSpan> Split(const std::vector<uint8_t>& data, Lacing lacing,
                             bool expectOk = true) {
    std::vector<FrameSpan> frames;
    std::string error;
    EXPECT_EQ(SplitLaces(data.data(), data.size(), lacing, frames, error), expectOk) << error;
    if (!expectOk) {
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(frames.empty());
    }
    return frames;
}

std::vector<uint8_t> Payload(std::vector<uint8_t> head, std::initializer_list<size_t> sizes) {
    uint8_t fill = 1;
    for (size_t s : sizes) {
        head.insert(head.end(), s, fill++);
    }
    return head;
}

TEST(Lacing, NoLacingIsOneFrame) {
    auto f = Split({1, 2, 3}, Lacing::kNone);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].offset, 0u);
    EXPECT_EQ(f[0].size, 3u);
}

TEST(Lacing, XiphSizesRunOf255) {
    // Three frames of 500, 255 and 7 octets: 500 = FF F5, 255 = FF 00.
    auto data = Payload({2, 0xFF, 0xF5, 0xFF, 0x00}, {500, 255, 7});
    auto f = Split(data, Lacing::kXiph);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].offset, 5u);
    EXPECT_EQ(f[0].size, 500u);
    EXPECT_EQ(f[1].size, 255u);
    EXPECT_EQ(f[2].offset, 5u + 755u);
    EXPECT_EQ(f[2].size, 7u);
    EXPECT_EQ(data[f[2].offset], 3);
}

TEST(Lacing, EbmlSignedDifferences) {
    // 800, 500, 1000: first size 43 20, difference -300 as 5E D3.
    auto data = Payload({2, 0x43, 0x20, 0x5E, 0xD3}, {800, 500, 1000});
    auto f = Split(data, Lacing::kEbml);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].size, 800u);
    EXPECT_EQ(f[1].size, 500u);
    EXPECT_EQ(f[2].size, 1000u);
    EXPECT_EQ(f[0].offset, 5u);
    // One-octet difference of +64 uses the all-ones pattern, which is a value here.
    auto g = Split(Payload({2, 0x81, 0xFF}, {1, 65, 3}), Lacing::kEbml);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[1].size, 65u);
    // A lace of one frame stores no size: the frame is the rest of the block.
    auto one = Split(ebmltest::EbmlLace({{7, 8, 9}}), Lacing::kEbml);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].offset, 1u);
    EXPECT_EQ(one[0].size, 3u);
}

TEST(Lacing, FixedSizeSplitsEvenly) {
    auto f = Split(Payload({3}, {6, 6, 6, 6}), Lacing::kFixed);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[3].offset, 1u + 18u);
    EXPECT_EQ(f[3].size, 6u);
}

TEST(Lacing, DamagedLacesAreRefused) {
    Split({}, Lacing::kXiph, false);                                    // no count
    Split(Payload({1}, {7}), Lacing::kFixed, false);                    // 7 octets in 2 frames
    Split({2, 0xFF, 0xFF}, Lacing::kXiph, false);                       // sizes run out
    Split(Payload({1, 0x90}, {10}), Lacing::kXiph, false);              // 0x90 > what is left
    Split(Payload({1, 0x40 | 0x3F, 0xFF}, {9}), Lacing::kEbml, false);  // 16383 past end
    Split({2, 0x82, 0x80, 1, 2}, Lacing::kEbml, false);                 // 2 then 2-63 < 0
    Split({1, 0x00}, Lacing::kEbml, false);                             // not a VINT
}

}  // namespace
}  // namespace quarvel
