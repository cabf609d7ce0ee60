#include "matroska/HexText.h"

#include <gtest/gtest.h>

namespace {

using mkv::HexCase;

TEST(HexText, NumbersArePaddedToTheirWidthAndNeverCut) {
    EXPECT_EQ(mkv::HexNumber(0x4ABA6F6C, 8, HexCase::kUpper), "4ABA6F6C");
    EXPECT_EQ(mkv::HexNumber(0xC, 8, HexCase::kUpper), "0000000C");
    EXPECT_EQ(mkv::HexNumber(0x800, 9, HexCase::kLower), "000000800");
    EXPECT_EQ(mkv::HexNumber(0x3ff, 1, HexCase::kLower), "3ff");
    EXPECT_EQ(mkv::HexNumber(0, 1, HexCase::kLower), "0");
    EXPECT_EQ(mkv::HexNumber(UINT64_MAX, 2, HexCase::kUpper), "FFFFFFFFFFFFFFFF");
}

TEST(HexText, BytesAreTwoDigitsEachWithTheirSeparator) {
    const uint8_t bytes[] = {0x00, 0xff, 0x10, 0xab};
    EXPECT_EQ(mkv::HexBytes(bytes, 4, HexCase::kLower), "00ff10ab");
    EXPECT_EQ(mkv::HexBytes(bytes, 4, HexCase::kUpper), "00FF10AB");
    EXPECT_EQ(mkv::HexBytes(bytes, 0, HexCase::kLower), "");
    EXPECT_EQ(mkv::HexBytes(bytes, 4, HexCase::kUpper, ' '), "00 FF 10 AB");
}

}  // namespace
