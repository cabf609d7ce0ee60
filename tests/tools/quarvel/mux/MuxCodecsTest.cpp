// The payload rules of the muxing module, checked on hand-made bytes where
// the fixtures cannot reach (other Opus modes, damaged headers, multi-block
// WavPack frames).
#include <fcntl.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/oracle/Oracle.h"
#include "tests/support/TempDir.h"
#include "tools/quarvel/ByteOrder.h"
#include "tools/quarvel/mux/MuxCodecs.h"
#include "tools/quarvel/mux/TtaFile.h"

namespace quarvel::mux {
namespace {

TEST(OpusPacketSamples, CountsFramesOfEveryMode) {
    auto samples = [](std::vector<uint8_t> p) { return OpusPacketSamples(p.data(), p.size()); };
    EXPECT_EQ(samples({0 << 3 | 0}), 480);         // SILK NB 10 ms, one frame
    EXPECT_EQ(samples({3 << 3 | 0}), 2880);        // SILK 60 ms
    EXPECT_EQ(samples({3 << 3 | 1, 0, 0}), 5760);  // two 60 ms frames: the 120 ms limit
    EXPECT_EQ(samples({13 << 3 | 0}), 960);        // hybrid SWB 20 ms
    EXPECT_EQ(samples({14 << 3 | 2, 1, 0}), 960);  // hybrid FB 10 ms, two frames
    EXPECT_EQ(samples({16 << 3 | 0}), 120);        // CELT 2.5 ms
    EXPECT_EQ(samples({31 << 3 | 3, 6}), 5760);    // CELT 20 ms, six frames (code 3)
    // Malformed: empty, code 3 without its count, no frames, over 120 ms.
    EXPECT_EQ(samples({}), -1);
    EXPECT_EQ(samples({31 << 3 | 3}), -1);
    EXPECT_EQ(samples({31 << 3 | 3, 0}), -1);
    EXPECT_EQ(samples({31 << 3 | 3, 7}), -1);
}

TEST(SplitXiphHeaders, SplitsAndRejectsDamage) {
    // Three packets of 300, 2 and 4 octets: 300 is laced as 255 + 45.
    std::vector<uint8_t> cp = {2, 255, 45, 2};
    cp.insert(cp.end(), 300, 'a');
    cp.insert(cp.end(), 2, 'b');
    cp.insert(cp.end(), 4, 'c');
    std::vector<std::vector<uint8_t>> out;
    ASSERT_TRUE(SplitXiphHeaders(cp.data(), cp.size(), out));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].size(), 300u);
    EXPECT_EQ(out[1], std::vector<uint8_t>(2, 'b'));
    EXPECT_EQ(out[2], std::vector<uint8_t>(4, 'c'));

    // Sizes that run past the data, and lacing cut short.
    const std::vector<uint8_t> tooBig = {2, 200, 2, 'x'};
    EXPECT_FALSE(SplitXiphHeaders(tooBig.data(), tooBig.size(), out));
    const std::vector<uint8_t> cut = {2, 255, 255};
    EXPECT_FALSE(SplitXiphHeaders(cut.data(), cut.size(), out));
    EXPECT_FALSE(SplitXiphHeaders(nullptr, 0, out));
}

TEST(AlacFrameSamples, ReadsTheCountOfAShortFrame) {
    // First octets of the last and of a full frame of the ALAC fixture.
    const uint8_t last[] = {0x20, 0x00, 0x10, 0x00, 0x00, 0x0c, 0x44, 0x00};
    const uint8_t full[] = {0x20, 0x00, 0x00, 0x00, 0x00, 0x0f, 0x0c, 0x01};
    EXPECT_EQ(AlacFrameSamples(last, sizeof last, 4096), 1570);
    EXPECT_EQ(AlacFrameSamples(full, sizeof full, 4096), 4096);
    EXPECT_EQ(AlacFrameSamples(last, 3, 4096), 4096);  // too short to say
}

TEST(RebuildWavPackBlocks, RebuildsEachBlockOfAMultiBlockFrame) {
    // 1024 samples in two blocks (initial only, then final only), each with
    // its size, as Matroska stores a multichannel WavPack frame.
    std::vector<uint8_t> frame;
    PutLE32(frame, 1024);
    for (auto [flags, crc, data] : {std::tuple{0x800u, 0x11111111u, std::vector<uint8_t>{1, 2}},
                                    std::tuple{0x1000u, 0x22222222u, std::vector<uint8_t>{3}}}) {
        for (auto v : {flags, crc, static_cast<uint32_t>(data.size())}) {
            PutLE32(frame, v);
        }
        frame.insert(frame.end(), data.begin(), data.end());
    }
    std::vector<uint8_t> out;
    std::string error;
    ASSERT_TRUE(RebuildWavPackBlocks(frame.data(), frame.size(), 0x410, 4096, out, error)) << error;
    ASSERT_EQ(out.size(), 32u + 2 + 32 + 1);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 4), "wvpk");
    EXPECT_EQ(ReadLE32(out.data() + 4), 24u + 2);  // chunk size
    EXPECT_EQ(out[8], 0x10);                       // version, little-endian
    EXPECT_EQ(out[9], 0x04);
    EXPECT_EQ(ReadLE32(out.data() + 16), 4096u);   // block index: samples before
    EXPECT_EQ(ReadLE32(out.data() + 20), 1024u);   // block samples
    EXPECT_EQ(ReadLE32(out.data() + 24), 0x800u);  // flags
    EXPECT_EQ(ReadLE32(out.data() + 28), 0x11111111u);
    EXPECT_EQ(out[32], 1);
    const uint8_t* second = out.data() + 34;
    EXPECT_EQ(std::string(second, second + 4), "wvpk");
    EXPECT_EQ(ReadLE32(second + 28), 0x22222222u);
    EXPECT_EQ(second[32], 3);

    // Cut one octet short: the second block's data is missing.
    frame.pop_back();
    EXPECT_FALSE(RebuildWavPackBlocks(frame.data(), frame.size(), 0x410, 0, out, error));
    EXPECT_NE(error.find("runs past the end"), std::string::npos) << error;
}

TEST(MakePlan, TakesStreamParametersFromCodecPrivate) {
    // A bare ALAC cookie (no atom header): wrapped, with rate and channels
    // read from it rather than from the track's possibly wrong elements.
    std::vector<uint8_t> cookie = {0, 0, 0x10, 0, 0, 24, 40, 10, 14, 6, 0,    255,
                                   0, 0, 0,    0, 0, 0,  0,  0,  0,  0, 0xBB, 0x80};
    const quarvel_mux_track t{.codec_id = "A_ALAC",
                              .codec_private = cookie.data(),
                              .codec_private_size = cookie.size(),
                              .sampling_frequency = 44100,
                              .channels = 2};
    Plan p;
    std::string error;
    ASSERT_TRUE(MakePlan(t, p, error)) << error;
    EXPECT_EQ(p.format, std::string("caf"));
    EXPECT_EQ(p.sampleRate, 48000);
    EXPECT_EQ(p.channels, 6);
    EXPECT_EQ(p.bitsPerRawSample, 24);
    EXPECT_EQ(p.frameSize, 4096);
    ASSERT_EQ(p.extradata.size(), 36u);
    EXPECT_EQ(std::string(p.extradata.begin() + 4, p.extradata.begin() + 8), "alac");

    // TTA without a header: the length comes from the Segment's duration.
    const quarvel_mux_track tta{
        .codec_id = "A_TTA1", .sampling_frequency = 44100, .channels = 2, .duration_ns = 500000000};
    ASSERT_TRUE(MakePlan(tta, p, error)) << error;
    EXPECT_EQ(p.ttaTotalSamples, 0);
    EXPECT_EQ(p.ttaDurationSamples, 22050);
    EXPECT_EQ(p.ttaFrameSize, 46080);
    EXPECT_EQ(p.bitsPerRawSample, 16);

    // A VFW header with a negative (top-down) height and no DefaultDuration.
    std::vector<uint8_t> bih(40, 0);
    bih[0] = 40;
    bih[4] = 64;                                       // width 64
    bih[8] = 0xF0, bih[9] = bih[10] = bih[11] = 0xFF;  // height -16
    bih[16] = 'H', bih[17] = 'F', bih[18] = 'Y', bih[19] = 'U';
    const quarvel_mux_track vfw{.codec_id = "V_MS/VFW/FOURCC",
                                .codec_private = bih.data(),
                                .codec_private_size = bih.size()};
    ASSERT_TRUE(MakePlan(vfw, p, error)) << error;
    EXPECT_EQ(p.width, 64);
    EXPECT_EQ(p.height, 16);
    EXPECT_TRUE(p.rateFromFrames);
    EXPECT_EQ(p.codecId, AV_CODEC_ID_HUFFYUV);
}

// A .tta file must state its length; the fixture keeps no TTA header, and
// its one frame holds 0.5 s at 44.1 kHz, which walking the code must find.
TEST(TtaLastFrameSamples, FindsTheLengthOfAShortFrame) {
    std::string error;
    const auto media =
        torvane::oracle::Read(std::string(TORVANE_FIXTURES_DIR) + "/codecs/tta.mka", {}, &error);
    ASSERT_TRUE(media) << error;
    ASSERT_EQ(media->streams[0].packets.size(), 1u);
    const std::vector<uint8_t>& frame = media->streams[0].packets[0].data;
    EXPECT_EQ(TtaLastFrameSamples(frame.data(), frame.size(), 2, 46080), 22050);
    // Read with the wrong channel count, or with no room for any sample, it
    // does not give that length.
    EXPECT_NE(TtaLastFrameSamples(frame.data(), frame.size(), 1, 46080), 22050);
    EXPECT_EQ(TtaLastFrameSamples(frame.data(), 4, 2, 46080), -1);
    EXPECT_EQ(TtaLastFrameSamples(nullptr, 0, 2, 46080), -1);
}

// The frame table comes before the frames; whether its room was reserved too
// small, too large or just right, the frames end up after it intact.
TEST(TtaFile, FramesFollowTheirTableWhateverWasReserved) {
    const torvane::testsupport::TempDir dir;
    // Three frames at 8 kHz (8359 samples each but the last), and the
    // frame bytes made unlike each other so a misplaced one shows.
    std::vector<std::vector<uint8_t>> frames;
    for (int f = 0; f < 3; ++f) {
        std::vector<uint8_t>& data = frames.emplace_back(3000 + f * 700);
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<uint8_t>(i * 7 + f);
        }
    }
    for (int64_t total : {int64_t(0), int64_t(8359 * 2 + 100), int64_t(8359 * 9)}) {
        SCOPED_TRACE(total);
        const std::string path = dir.File("out.tta");
        const TtaFormat format{
            .channels = 1, .bits = 16, .sampleRate = 8000, .totalSamples = total};
        TtaFile tta;
        std::string error;
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(tta.Open(fd, path, format, error)) << error;
        EXPECT_EQ(tta.FrameSize(), 8359);
        for (size_t f = 0; f < frames.size(); ++f) {
            ASSERT_TRUE(tta.Write(frames[f].data(), frames[f].size(), f == 2 ? 100 : 0, error))
                << error;
        }
        std::string warning;
        ASSERT_TRUE(tta.Close(error, warning)) << error;
        EXPECT_EQ(warning, "");
        ::close(fd);

        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        EXPECT_EQ(size, 22u + 3 * 4 + 4 + 3000 + 3700 + 4400);
        const auto media = torvane::oracle::Read(path, {}, &error);
        ASSERT_TRUE(media) << error;
        ASSERT_EQ(media->streams.size(), 1u);
        const auto& s = media->streams[0];
        EXPECT_EQ(s.codecName, "tta");
        EXPECT_EQ(s.sampleRate, 8000);
        // The header's total: the last frame holds 100 samples either way
        // (from the total when it fits, else from the frame's duration).
        EXPECT_EQ(s.durationNs, (8359 * 2 + 100) * int64_t(1000000000) / 8000);
        ASSERT_EQ(s.packets.size(), 3u);
        for (size_t f = 0; f < 3; ++f) {
            EXPECT_TRUE(s.packets[f].data == frames[f]) << "frame " << f;
        }
        std::filesystem::remove(path, ec);
    }
}

}  // namespace
}  // namespace quarvel::mux
