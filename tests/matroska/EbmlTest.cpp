// EBML primitives from inline bytes.
#include <gtest/gtest.h>

#include "matroska/Ebml.h"
#include "tests/support/EbmlWriter.h"

namespace {

using ebmltest::Bytes;

// Sizes drop the marker and need not be shortest; all ones is the unknown
// size at every length; invalid or cut short gives length 0.
TEST(Vint, LengthValueAndUnknownSize) {
    struct Row {
        Bytes bytes;
        size_t length;
        uint64_t value;
        bool ones;
    };
    std::vector<Row> rows = {{{0x82}, 1, 2, false},
                             {{0x40, 0x02}, 2, 2, false},
                             {{0x01, 0, 0, 0, 0, 0, 0, 0x02}, 8, 2, false},
                             {{0x00, 0x81}, 0, 0, false},
                             {{0x40}, 0, 0, false}};
    for (int len = 1; len <= 8; ++len) {
        rows.push_back({ebmltest::UnknownSize(len), static_cast<size_t>(len), 0, true});
    }
    for (const Row& row : rows) {
        uint64_t v = 0;
        bool ones = false;
        EXPECT_EQ(mkv::DecodeVint(row.bytes.data(), row.bytes.size(), v, &ones), row.length);
        EXPECT_EQ(ones, row.ones) << row.bytes.size();
        if (row.length > 0 && !row.ones) {
            EXPECT_EQ(v, row.value);
        }
    }
}

TEST(ElementHeader, ReadsIdsWithMarkerAndAcceptsChapterDisplay0x80) {
    auto src = mkv::MemorySource({0x80, 0x83, 1, 2, 3});
    mkv::ElementHeader h;
    mkv::Error e;
    ASSERT_TRUE(mkv::ReadElementHeader(*src, 0, 5, h, e)) << e.message;
    EXPECT_EQ(h.id, 0x80u);
    EXPECT_EQ(h.size, 3u);
    EXPECT_EQ(h.dataOffset, 2u);

    auto seg =
        mkv::MemorySource({0x18, 0x53, 0x80, 0x67, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_TRUE(mkv::ReadElementHeader(*seg, 0, 12, h, e)) << e.message;
    EXPECT_EQ(h.id, 0x18538067u);
    EXPECT_TRUE(h.unknownSize);
}

TEST(ElementHeader, ErrorsNameTheOffsetAndWhatWasFound) {
    auto src = mkv::MemorySource({0xEC, 0x80, 0x00, 0x81});
    mkv::ElementHeader h;
    mkv::Error e;
    EXPECT_FALSE(mkv::ReadElementHeader(*src, 2, 4, h, e));
    EXPECT_EQ(e.offset, 2u);
    EXPECT_EQ(e.message, "expected an element ID, found byte 00");
    EXPECT_EQ(e.ToString(), "at byte 2: expected an element ID, found byte 00");

    auto reserved = mkv::MemorySource({0xFF, 0x81, 0x00});
    EXPECT_FALSE(mkv::ReadElementHeader(*reserved, 0, 3, h, e));
    EXPECT_EQ(e.message, "expected an element ID, found the reserved ID FF");

    // The header may not reach past its parent's end.
    auto cut = mkv::MemorySource({0x1A, 0x45, 0xDF, 0xA3, 0x84});
    EXPECT_FALSE(mkv::ReadElementHeader(*cut, 0, 3, h, e));
    EXPECT_EQ(e.message, "element ID cut short by the end of its parent");
}

TEST(Values, IntegersFloatsAndText) {
    const uint8_t u[] = {0x01, 0x00};
    EXPECT_EQ(mkv::DecodeUint(u, 2), 256u);
    const uint8_t s[] = {0xFF, 0xFE};
    EXPECT_EQ(mkv::DecodeSint(s, 2), -2);
    const uint8_t f32[] = {0x47, 0x3B, 0x80, 0x00};  // 48000.0f
    EXPECT_EQ(mkv::DecodeFloat(f32, 4).value(), 48000.0);
    EXPECT_FALSE(mkv::DecodeFloat(f32, 3).has_value());

    const std::string padded("eng\0\0\0", 6);
    EXPECT_EQ(mkv::DecodeText(reinterpret_cast<const uint8_t*>(padded.data()), padded.size()),
              "eng");
    const uint8_t bad[] = {'a', 0xC3, 'b', 0xC0, 0x80, 0xE2, 0x82, 0xAC};  // cut, overlong, euro
    EXPECT_EQ(mkv::DecodeText(bad, sizeof bad),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xEF\xBF\xBD\xE2\x82\xAC");
}

// Regression: an empty string value handed memchr a null pointer.
TEST(Values, EmptyTextIsEmpty) {
    EXPECT_EQ(mkv::DecodeText(nullptr, 0), "");
}

}  // namespace
