#include <gtest/gtest.h>
#include <zlib.h>

#include "tools/quarvel/pass/ContentDecoder.h"
#include "tools/quarvel/pass/PassLimits.h"

namespace quarvel {
namespace {

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in, int level = 9) {
    uLongf n = compressBound(in.size());
    std::vector<uint8_t> out(n);
    EXPECT_EQ(compress2(out.data(), &n, in.data(), in.size(), level), Z_OK);
    out.resize(n);
    return out;
}

mkv::ContentEncoding Zlib(uint64_t order, uint64_t scope = 1) {
    mkv::ContentEncoding e;
    e.order = order;
    e.scope = scope;
    return e;
}

mkv::ContentEncoding Strip(uint64_t order, std::vector<uint8_t> prefix) {
    mkv::ContentEncoding e;
    e.order = order;
    e.hasCompression = true;
    e.compAlgo = 3;
    e.compSettings = std::move(prefix);
    return e;
}

TEST(ContentEncoding, ZlibFramesAndPrivate) {
    const std::vector<uint8_t> frame = {'h', 'e', 'l', 'l', 'o', ' ', 'h', 'e', 'l', 'l', 'o'};
    ContentDecoder d({Zlib(0, 3)});
    ASSERT_TRUE(d.Usable());
    ASSERT_TRUE(d.TouchesFrames());
    const auto packed = Deflate(frame);
    std::vector<uint8_t> out;
    std::string error;
    ASSERT_TRUE(d.DecodeFrame(packed.data(), packed.size(), out, error)) << error;
    EXPECT_EQ(out, frame);
    std::vector<uint8_t> priv = packed;
    ASSERT_TRUE(d.DecodePrivate(priv, error));
    EXPECT_EQ(priv, frame);
}

TEST(ContentEncoding, DecodesHighestOrderFirst) {
    // Written as: strip "AB" (order 0), then deflate (order 1). Undone the other way.
    const std::vector<uint8_t> stripped = {'C', 'D'};
    const auto packed = Deflate(stripped);
    ContentDecoder d({Strip(0, {'A', 'B'}), Zlib(1)});
    std::vector<uint8_t> out;
    std::string error;
    ASSERT_TRUE(d.DecodeFrame(packed.data(), packed.size(), out, error)) << error;
    EXPECT_EQ(out, (std::vector<uint8_t>{'A', 'B', 'C', 'D'}));
}

TEST(ContentEncoding, PrivateUntouchedWithoutScopeTwo) {
    ContentDecoder d({Strip(0, {0x0B, 0x77})});
    std::vector<uint8_t> priv = {1, 2, 3};
    std::string error;
    ASSERT_TRUE(d.DecodePrivate(priv, error));
    EXPECT_EQ(priv, (std::vector<uint8_t>{1, 2, 3}));
    std::vector<uint8_t> out;
    const uint8_t f[] = {0x10};
    ASSERT_TRUE(d.DecodeFrame(f, 1, out, error));
    EXPECT_EQ(out, (std::vector<uint8_t>{0x0B, 0x77, 0x10}));
}

TEST(ContentEncoding, EncryptionAndUnsupportedAlgorithmsAreRefused) {
    mkv::ContentEncoding enc;
    enc.type = 1;
    enc.hasEncryption = true;
    ContentDecoder d1({enc});
    EXPECT_FALSE(d1.Usable());
    EXPECT_EQ(d1.Error(), "the track is encrypted");
    mkv::ContentEncoding bz = Zlib(0);
    bz.compAlgo = 1;
    ContentDecoder d2({bz});
    EXPECT_FALSE(d2.Usable());
    EXPECT_EQ(d2.Error(), "content compression 'bzip2' (algorithm 1) is not supported");
    // zlib over the frames and over the stripped bytes of the next encoding.
    ContentDecoder d3({Zlib(0, 1 | 4), Strip(1, Deflate({0x0B, 0x77}))});
    EXPECT_FALSE(d3.Usable());
    EXPECT_EQ(d3.Error(),
              "content encoding scope 4 (settings of the next encoding themselves encoded) is not "
              "supported");
}

TEST(ContentEncoding, CodecPrivateLimit) {
    // Bytes that do not compress, so only the size limit can refuse them.
    std::vector<uint8_t> big(limits::kMaxCodecPrivateBytes + 1);
    uint32_t x = 1;
    for (auto& b : big) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    std::vector<uint8_t> priv = Deflate(big, 1);
    ContentDecoder d({Zlib(0, 2)});
    std::string error;
    EXPECT_FALSE(d.DecodePrivate(priv, error));
    EXPECT_EQ(error, "compressed frame expands past the size limit");
    big.pop_back();
    priv = Deflate(big, 1);
    EXPECT_TRUE(d.DecodePrivate(priv, error)) << error;
    EXPECT_EQ(priv, big);
}

TEST(ContentEncoding, InflateRefusesDamageTruncationAndBombs) {
    std::vector<uint8_t> big(100000, 0);
    const auto packed = Deflate(big);
    std::vector<uint8_t> out;
    std::string error;
    ASSERT_TRUE(Inflate(packed.data(), packed.size(), big.size(), out, error));
    EXPECT_EQ(out.size(), big.size());
    EXPECT_FALSE(Inflate(packed.data(), packed.size(), big.size() - 1, out, error));
    EXPECT_EQ(error, "compressed frame expands past the size limit");
    EXPECT_FALSE(Inflate(packed.data(), packed.size() - 4, 1 << 20, out, error));
    std::vector<uint8_t> garbage = {0x78, 0x9C, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(Inflate(garbage.data(), garbage.size(), 1 << 20, out, error));
    EXPECT_TRUE(out.empty());
    // Within the ratio, past what one frame may expand to: refused all the
    // same, before memory of its size is taken.
    const std::vector<uint8_t> bomb(limits::kMaxInflatedBytes + 1, 0);
    const auto packedBomb = Deflate(bomb, 1);
    ASSERT_GT(packedBomb.size() * limits::kMaxInflateRatio, bomb.size());
    ContentDecoder d({Zlib(0)});
    EXPECT_FALSE(d.DecodeFrame(packedBomb.data(), packedBomb.size(), out, error));
    EXPECT_EQ(error, "compressed frame expands past the size limit");
    EXPECT_LE(out.capacity(), limits::kInflateFirstPassBytes);
}

}  // namespace
}  // namespace quarvel
