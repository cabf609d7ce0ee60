// The oracle must itself be right before other tests lean on it: these check
// it against facts the fixture script fixed when it made the files.
#include "tests/oracle/Oracle.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/Fixtures.h"

namespace torvane::oracle {
namespace {

std::optional<Media> ReadCodec(const std::string& name) {
    std::string error;
    auto media = Read(testsupport::Fixture("codecs/" + name), {}, &error);
    EXPECT_TRUE(media) << error;
    return media;
}

TEST(Oracle, ReadsStreamsAndTimedPackets) {
    const auto h264 = ReadCodec("h264.mkv");
    ASSERT_TRUE(h264 && h264->streams.size() == 1);
    const Stream& s = h264->streams[0];
    EXPECT_EQ(h264->formatName, "matroska,webm");
    EXPECT_EQ(s.mediaType + " " + s.codecName, "video h264");
    EXPECT_EQ(s.width * 1000 + s.height, 160120);
    EXPECT_EQ(s.extradata.at(0), 1);  // avcC version
    // 1 s at 25 fps, a keyframe every 10 frames, in Matroska's millisecond time base.
    ASSERT_EQ(s.packets.size(), 25u);
    int keyframes = 0;
    for (const Packet& p : s.packets) {
        keyframes += p.keyframe ? 1 : 0;
    }
    EXPECT_EQ(keyframes, 3);
    EXPECT_EQ(s.timeBaseDen, 1000);
    EXPECT_EQ(s.packets[1].ptsNs, 40000000);
    EXPECT_EQ(EndNs(s), 1000000000);

    const auto multi = ReadCodec("multi.mkv");
    ASSERT_TRUE(multi && multi->streams.size() == 4);
    EXPECT_EQ(multi->streams[2].codecName, "aac");
    EXPECT_EQ(multi->streams[2].metadata.at("language"), "jpn");
    const Stream& subs = multi->streams[3];
    ASSERT_EQ(subs.packets.size(), 3u);
    EXPECT_EQ(std::string(subs.packets[0].data.begin(), subs.packets[0].data.end()), "First line");
    EXPECT_EQ(subs.packets[0].durationNs, 500000000);
}

TEST(Oracle, DecodesAudio) {
    std::string error;
    const auto vorbis = DecodeAudio(testsupport::Fixture("codecs/vorbis.mka"), -1, &error);
    ASSERT_TRUE(vorbis) << error;
    EXPECT_NEAR(vorbis->samples, 72000, 1024);               // 1.5 s at 48 kHz
    EXPECT_EQ(vorbis->pcm.size(), vorbis->samples * 2 * 4);  // stereo, 32-bit float
}

TEST(Oracle, FailuresNameTheFileOrFormat) {
    std::string error;
    EXPECT_FALSE(Read("/nonexistent/x.mkv", {}, &error));
    EXPECT_NE(error.find("/nonexistent/x.mkv"), std::string::npos) << error;
    EXPECT_FALSE(Read(testsupport::Fixture("codecs/flac.mka"), {.format = "no-such"}, &error));
    EXPECT_NE(error.find("no-such"), std::string::npos) << error;
}

}  // namespace
}  // namespace torvane::oracle
