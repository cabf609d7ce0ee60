// The oracle must itself be right before other tests lean on it: these check
// it against facts the fixture script fixed when it made the files.
#include "tests/oracle/Oracle.h"

#include <gtest/gtest.h>

#include <string>

namespace torvane::oracle {
namespace {

std::string Fixture(const std::string& name) {
    return std::string(TORVANE_FIXTURES_DIR) + "/codecs/" + name;
}

TEST(Oracle, ReadsVideoStreamAndTimedPackets) {
    std::string error;
    auto media = Read(Fixture("h264.mkv"), {}, &error);
    ASSERT_TRUE(media) << error;
    EXPECT_EQ(media->formatName, "matroska,webm");
    ASSERT_EQ(media->streams.size(), 1u);
    const Stream& s = media->streams[0];
    EXPECT_EQ(s.mediaType, "video");
    EXPECT_EQ(s.codecName, "h264");
    EXPECT_EQ(s.width, 160);
    EXPECT_EQ(s.height, 120);
    ASSERT_FALSE(s.extradata.empty());
    EXPECT_EQ(s.extradata[0], 1);  // avcC version
    // 1 s at 25 fps, a keyframe every 10 frames.
    ASSERT_EQ(s.packets.size(), 25u);
    int keyframes = 0;
    for (const Packet& p : s.packets) {
        keyframes += p.keyframe ? 1 : 0;
        EXPECT_FALSE(p.data.empty());
    }
    EXPECT_EQ(keyframes, 3);
    EXPECT_TRUE(s.packets[0].keyframe);
    // Matroska's millisecond time base, given in ns as well.
    EXPECT_EQ(s.timeBaseNum, 1);
    EXPECT_EQ(s.timeBaseDen, 1000);
    EXPECT_EQ(s.packets[0].ptsNs, 0);
    EXPECT_EQ(s.packets[0].durationNs, 40000000);
    EXPECT_EQ(EndNs(s), 1000000000);
}

TEST(Oracle, ReadsAudioParametersAndXiphHeaders) {
    std::string error;
    auto media = Read(Fixture("vorbis.mka"), {}, &error);
    ASSERT_TRUE(media) << error;
    const Stream* s = FirstOfType(*media, "audio");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->codecName, "vorbis");
    EXPECT_EQ(s->sampleRate, 48000);
    EXPECT_EQ(s->channels, 2);
    ASSERT_FALSE(s->extradata.empty());
    EXPECT_EQ(s->extradata[0], 2);  // three Xiph-laced header packets
    EXPECT_FALSE(s->packets.empty());
    EXPECT_EQ(Concat(*s).size(), [&] {
        size_t n = 0;
        for (const Packet& p : s->packets) {
            n += p.data.size();
        }
        return n;
    }());
}

TEST(Oracle, ReadsEveryTrackWithItsLanguage) {
    std::string error;
    auto media = Read(Fixture("multi.mkv"), {}, &error);
    ASSERT_TRUE(media) << error;
    ASSERT_EQ(media->streams.size(), 4u);
    EXPECT_EQ(media->streams[1].codecName, "vorbis");
    EXPECT_EQ(media->streams[1].metadata.at("language"), "ger");
    EXPECT_EQ(media->streams[2].codecName, "aac");
    EXPECT_EQ(media->streams[2].metadata.at("language"), "jpn");
    EXPECT_EQ(media->streams[3].mediaType, "subtitle");
    EXPECT_EQ(media->streams[3].codecName, "subrip");
    for (const Stream& s : media->streams) {
        EXPECT_FALSE(s.packets.empty()) << s.codecName;
    }
    const Stream& subs = media->streams[3];
    ASSERT_EQ(subs.packets.size(), 3u);
    EXPECT_EQ(std::string(subs.packets[0].data.begin(), subs.packets[0].data.end()), "First line");
    EXPECT_EQ(subs.packets[0].durationNs, 500000000);

    // Alone in its file, the first cue starts where the source said.
    auto srt = Read(Fixture("srt.mks"), {}, &error);
    ASSERT_TRUE(srt) << error;
    ASSERT_EQ(srt->streams.size(), 1u);
    ASSERT_EQ(srt->streams[0].packets.size(), 3u);
    EXPECT_EQ(srt->streams[0].packets[0].ptsNs, 100000000);
    EXPECT_EQ(srt->streams[0].packets[2].ptsNs, 1300000000);
}

TEST(Oracle, HeadersOnlyLeavesPacketsOut) {
    ReadOptions options;
    options.readPackets = false;
    auto media = Read(Fixture("flac.mka"), options);
    ASSERT_TRUE(media);
    ASSERT_EQ(media->streams.size(), 1u);
    EXPECT_EQ(media->streams[0].codecName, "flac");
    EXPECT_TRUE(media->streams[0].packets.empty());
}

TEST(Oracle, FailuresNameTheFileOrFormat) {
    std::string error;
    EXPECT_FALSE(Read("/nonexistent/x.mkv", {}, &error));
    EXPECT_NE(error.find("/nonexistent/x.mkv"), std::string::npos) << error;

    ReadOptions options;
    options.format = "no-such-format";
    EXPECT_FALSE(Read(Fixture("flac.mka"), options, &error));
    EXPECT_NE(error.find("no-such-format"), std::string::npos) << error;
}

}  // namespace
}  // namespace torvane::oracle
