// The muxing module driven the way quarvel drives it (through MuxWriter and
// dlopen), with the frames of the codec fixtures; FFmpeg's demuxer (the
// oracle) reads the written file back and compares it with the source track.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "matroska/Reader.h"
#include "tests/oracle/Oracle.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TempDir.h"
#include "tools/common/OutputFiles.h"
#include "tools/quarvel/mux/MuxApi.h"
#include "tools/quarvel/writers/MuxWriter.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;
namespace oracle = torvane::oracle;
using torvane::testsupport::ReadOctets;
using torvane::testsupport::TempDir;

// The module the build ships, in the program folder beside quarvel; the test
// program itself stands elsewhere.
const std::string kShippedModuleFolder = TORVANE_BIN_DIR;

class ShippedModule : public ::testing::Environment {
  public:
    void SetUp() override { SetMuxModuleFolder(kShippedModuleFolder); }
};
[[maybe_unused]] ::testing::Environment* const kShippedModule =
    ::testing::AddGlobalTestEnvironment(new ShippedModule);

std::string Codec(const std::string& name) {
    return torvane::testsupport::Fixture("codecs/" + name);
}

// The fixture's one track as the pass hands it to a writer, its frames read
// with our reader; and what FFmpeg's demuxer finds in it, to compare with.
struct Source {
    TrackInfo info;
    struct Packet {
        std::vector<uint8_t> data;
        int64_t timestampNs = 0, durationNs = -1;
        bool keyframe = false;
    };
    std::vector<Packet> frames;
    oracle::Stream stream;
    int64_t fileDurationNs = 0;
};

Source LoadSource(const std::string& fixture) {
    Source s;
    std::string error;
    mkv::Reader reader(mkv::OpenFile(Codec(fixture), &error));
    EXPECT_TRUE(reader.Open()) << error;
    const mkv::Track& t = reader.Tracks().at(0);
    const uint64_t scale = reader.Info().timestampScale;
    s.fileDurationNs = static_cast<int64_t>(reader.Info().duration.value_or(0) * scale);
    s.info.number = t.number;
    s.info.position = 1;
    s.info.type = t.type;
    s.info.codecId = t.codecId;
    s.info.codecPrivate = t.codecPrivate;
    s.info.defaultDurationNs = t.defaultDuration.value_or(0);
    if (t.video) {
        s.info.pixelWidth = t.video->pixelWidth;
        s.info.pixelHeight = t.video->pixelHeight;
    }
    if (t.audio) {
        s.info.hasAudio = true;
        s.info.samplingFrequency = t.audio->samplingFrequency;
        s.info.channels = t.audio->channels;
        s.info.bitDepth = t.audio->bitDepth.value_or(0);
    }
    mkv::BlockWalker walker = reader.Blocks();
    for (mkv::BlockHeader b; walker.Next(b);) {
        EXPECT_EQ(b.lacing, 0) << "the fixtures' frames are not laced";
        Source::Packet& p = s.frames.emplace_back();
        walker.ReadPayload(p.data);
        p.timestampNs = b.Ticks() * static_cast<int64_t>(scale);
        p.durationNs = b.duration          ? static_cast<int64_t>(*b.duration * scale)
                       : t.defaultDuration ? static_cast<int64_t>(*t.defaultDuration)
                                           : -1;
        p.keyframe = b.keyframe;
    }
    auto media = oracle::Read(Codec(fixture), {}, &error);
    EXPECT_TRUE(media && media->streams.size() == 1) << error;
    if (media && !media->streams.empty()) {
        s.stream = media->streams[0];
    }
    return s;
}

// Renames what a finished writer wrote into place, as the pass does; returns
// the error, empty on success.
std::string Commit(const TrackWriter& writer) {
    std::string error;
    tools::ReplaceTargets(writer.Files(), error);
    return error;
}

// Writes the source's frames through a MuxWriter; returns the writer's
// error or warning, empty when there is neither.
std::string WriteTrack(const Source& src, const std::string& path, size_t skipFrame = SIZE_MAX) {
    auto writer = MakeMuxWriter(static_cast<uint64_t>(src.fileDurationNs));
    if (!writer->Begin(src.info, path)) {
        return "Begin: " + writer->Error();
    }
    for (size_t i = 0; i < src.frames.size(); ++i) {
        const Source::Packet& p = src.frames[i];
        const Frame f = {.timestampNs = p.timestampNs,
                         .durationNs = p.durationNs,
                         .keyframe = p.keyframe,
                         .data = p.data.data(),
                         .size = p.data.size()};
        if (i != skipFrame && !writer->Write(f)) {
            return "Write: " + writer->Error();
        }
    }
    if (!writer->Finish()) {
        return "Finish: " + writer->Error();
    }
    if (!writer->Warning().empty()) {
        return "Warning: " + writer->Warning();
    }
    return Commit(*writer);
}

oracle::Media ReadBack(const std::string& path) {
    std::string error;
    auto media = oracle::Read(path, {}, &error);
    EXPECT_TRUE(media) << error;
    return media ? *media : oracle::Media{};
}

// Writes the source through a MuxWriter to `path` and reads the file back
// with FFmpeg; fails the test unless that gives one stream.
oracle::Stream WriteAndReadBack(const Source& src, const std::string& path) {
    EXPECT_EQ(WriteTrack(src, path), "");
    const oracle::Media media = ReadBack(path);
    EXPECT_EQ(media.streams.size(), 1u);
    return media.streams.empty() ? oracle::Stream{} : media.streams[0];
}

void ExpectSamePayloads(const oracle::Stream& out, const oracle::Stream& src) {
    ASSERT_EQ(out.packets.size(), src.packets.size());
    for (size_t i = 0; i < src.packets.size(); ++i) {
        ASSERT_EQ(out.packets[i].data, src.packets[i].data) << "packet " << i;
    }
}

struct Case {
    const char* fixture;
    const char* format;  // FFmpeg's name for the written container
    const char* codec;   // FFmpeg's name for the codec read back
};

class MuxRoundTrip : public ::testing::TestWithParam<Case> {};

// Every packet comes back byte for byte, in a container FFmpeg recognises,
// with the codec and its parameters intact.
TEST_P(MuxRoundTrip, PayloadsAndParametersSurvive) {
    const Case& c = GetParam();
    TempDir dir;
    const Source src = LoadSource(c.fixture);
    ASSERT_FALSE(src.stream.packets.empty());
    const std::string out = dir.File("out");
    ASSERT_EQ(WriteTrack(src, out), "");

    const oracle::Media media = ReadBack(out);
    EXPECT_EQ(media.formatName, c.format);
    ASSERT_EQ(media.streams.size(), 1u);
    const oracle::Stream& s = media.streams[0];
    EXPECT_EQ(s.codecName, c.codec);
    if (src.stream.mediaType == "audio") {
        EXPECT_EQ(s.sampleRate, src.stream.sampleRate);
        EXPECT_EQ(s.channels, src.stream.channels);
    } else {
        EXPECT_EQ(s.width, src.stream.width);
        EXPECT_EQ(s.height, src.stream.height);
    }
    if (src.info.codecId == "A_WAVPACK4") {
        // The rebuilt headers differ only where a standalone file must say
        // more: the running block index (and the total in the first block).
        ASSERT_EQ(s.packets.size(), src.stream.packets.size());
        for (size_t i = 0; i < s.packets.size(); ++i) {
            std::vector<uint8_t> a = s.packets[i].data, b = src.stream.packets[i].data;
            ASSERT_EQ(a.size(), b.size());
            ASSERT_GE(a.size(), 32u);
            std::fill(a.begin() + 12, a.begin() + 20, 0);
            EXPECT_EQ(a, b) << "packet " << i;
        }
    } else if (src.info.codecId == "A_REAL/14_4") {
        EXPECT_EQ(oracle::Concat(s), oracle::Concat(src.stream));
    } else {
        ExpectSamePayloads(s, src.stream);
    }

    if (src.stream.mediaType == "audio") {
        // The file must also play: FFmpeg's decoder gives the same audio,
        // no more and no less, so lengths and granule positions are right.
        std::string error;
        const auto a = oracle::DecodeAudio(out, -1, &error);
        ASSERT_TRUE(a) << error;
        const auto b = oracle::DecodeAudio(Codec(c.fixture), -1, &error);
        ASSERT_TRUE(b) << error;
        if (src.info.codecId == "A_OPUS") {
            // Matroska trims the last packet's padding with DiscardPadding,
            // which frames do not carry; the tail of that one packet remains.
            EXPECT_GE(a->samples, b->samples);
            EXPECT_LT(a->samples, b->samples + 960);
            ASSERT_GE(a->pcm.size(), b->pcm.size());
            EXPECT_TRUE(std::equal(b->pcm.begin(), b->pcm.end(), a->pcm.begin()));
        } else {
            EXPECT_EQ(a->samples, b->samples);
            EXPECT_TRUE(a->pcm == b->pcm);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, MuxRoundTrip,
    ::testing::Values(Case{"vorbis.mka", "ogg", "vorbis"}, Case{"opus.mka", "ogg", "opus"},
                      Case{"theora.mkv", "ogg", "theora"},
                      Case{"vfw_msmpeg4v2.mkv", "avi", "msmpeg4v2"},
                      Case{"alac.mka", "caf", "alac"}, Case{"wavpack.mka", "wv", "wavpack"},
                      Case{"tta.mka", "tta", "tta"}, Case{"real_144.mka", "rm", "ra_144"}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name = param.param.fixture;
        return name.substr(0, name.find('.'));
    });

// Ogg states its length only through granule positions: the last one must
// put the end of the stream where the audio ends.
TEST(MuxOgg, GranulePositionsGiveTheStreamLength) {
    for (const char* fixture : {"vorbis.mka", "opus.mka"}) {
        SCOPED_TRACE(fixture);
        TempDir dir;
        const Source src = LoadSource(fixture);
        const std::string out = dir.File("out.ogg");
        const oracle::Stream written = WriteAndReadBack(src, out);
        std::string error;
        const auto decoded = oracle::DecodeAudio(out, -1, &error);
        ASSERT_TRUE(decoded) << error;
        const int64_t playedNs = decoded->samples * 1000000000 / written.sampleRate;
        // The source is 1.5 s of audio (plus, for Opus, the padding of its
        // last packet, which Matroska trims and Ogg here does not).
        EXPECT_NEAR(playedNs, 1500000000, 20000000);
        // Vorbis: the last granule position is the number of samples played.
        // Opus: it also counts the pre-skip the decoder drops (RFC 7845, 4.1).
        int64_t preSkipNs = 0;
        if (src.info.codecId == "A_OPUS") {
            const auto& head = src.info.codecPrivate;
            preSkipNs = (head.at(10) | head.at(11) << 8) * int64_t(1000000000) / 48000;
        }
        EXPECT_NEAR(written.durationNs, playedNs + preSkipNs, 100000);
    }
    TempDir dir;
    const oracle::Stream theora = WriteAndReadBack(LoadSource("theora.mkv"), dir.File("out.ogv"));
    EXPECT_EQ(oracle::EndNs(theora), 1000000000);  // 25 frames at 25 per second
}

TEST(MuxAvi, FrameRateLearntWhenTrackHasNoDefaultDuration) {
    TempDir dir;
    Source src = LoadSource("vfw_msmpeg4v2.mkv");
    src.info.defaultDurationNs = 0;
    const oracle::Stream s = WriteAndReadBack(src, dir.File("out.avi"));
    EXPECT_EQ(s.timeBaseNum * 1000 + s.timeBaseDen, 1025);  // 1/25 s
    ExpectSamePayloads(s, src.stream);
    EXPECT_EQ(s.codecTag, 0x3234504Du);  // "MP42"
}

TEST(MuxAvi, MissingFrameKeepsLaterFramesInTheirSlots) {
    TempDir dir;
    const Source src = LoadSource("vfw_msmpeg4v2.mkv");
    const std::string out = dir.File("out.avi");
    ASSERT_EQ(WriteTrack(src, out, /*skipFrame=*/5), "");
    const oracle::Media media = ReadBack(out);
    ASSERT_EQ(media.streams.size(), 1u);
    // The frame after the gap still starts at 240 ms.
    const auto& packets = media.streams[0].packets;
    const auto after = std::find_if(packets.begin(), packets.end(), [&](const oracle::Packet& p) {
        return p.data == src.stream.packets[6].data;
    });
    ASSERT_NE(after, packets.end());
    EXPECT_EQ(after->ptsNs, 240000000);
}

TEST(MuxOutput, SameTrackGivesSameBytes) {
    for (const char* fixture : {"vorbis.mka", "vfw_msmpeg4v2.mkv", "alac.mka"}) {
        SCOPED_TRACE(fixture);
        TempDir dir;
        const Source src = LoadSource(fixture);
        ASSERT_EQ(WriteTrack(src, dir.File("a")), "");
        ASSERT_EQ(WriteTrack(src, dir.File("b")), "");
        const auto a = ReadOctets(dir.File("a"));
        EXPECT_FALSE(a.empty());
        EXPECT_TRUE(a == ReadOctets(dir.File("b")));
        // No library version string makes it into the file.
        const std::string text(a.begin(), a.end());
        EXPECT_EQ(text.find("Lavf"), std::string::npos);
    }
}

TEST(MuxErrors, MissingModuleNamesItsFile) {
    TempDir empty;
    SetMuxModuleFolder(empty.Path());
    const Source src = LoadSource("vorbis.mka");
    auto writer = MakeMuxWriter();
    EXPECT_FALSE(writer->Begin(src.info, empty.File("out.ogg")));
    SetMuxModuleFolder(kShippedModuleFolder);
    const std::string error = writer->Error();
    EXPECT_NE(error.find(empty.File(MuxModuleFileName())), std::string::npos) << error;
    // The loader's own reason is kept.
    EXPECT_NE(error.find("cannot open shared object file"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(empty.Path()));

    // The real module is still found afterwards.
    auto again = MakeMuxWriter();
    EXPECT_TRUE(again->Begin(src.info, empty.File("out.ogg"))) << again->Error();
    again->Abort();
}

TEST(MuxErrors, ModuleOfAnotherVersionOrIncompleteIsRefused) {
    TempDir dir;
    const Source src = LoadSource("vorbis.mka");
    const std::string fakes = FAKE_MUX_DIR;
    SetMuxModuleFolder(fakes + "/fake_mux_wrong_version");
    auto w1 = MakeMuxWriter();
    EXPECT_FALSE(w1->Begin(src.info, dir.File("out.ogg")));
    EXPECT_NE(w1->Error().find("has interface version 99, this quarvel needs " +
                               std::to_string(QUARVEL_MUX_API_VERSION)),
              std::string::npos)
        << w1->Error();

    SetMuxModuleFolder(fakes + "/fake_mux_no_open");
    auto w2 = MakeMuxWriter();
    EXPECT_FALSE(w2->Begin(src.info, dir.File("out.ogg")));
    EXPECT_NE(w2->Error().find("lacks quarvel_mux_open"), std::string::npos) << w2->Error();
    EXPECT_NE(w2->Error().find("fake_mux_no_open/libquarvel_mux.so"), std::string::npos)
        << w2->Error();
    SetMuxModuleFolder(kShippedModuleFolder);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(MuxErrors, UnsupportedOrDamagedTracksAreRefusedBeforeAnyFile) {
    TempDir dir;
    struct Bad {
        TrackInfo info;
        const char* expect;
    };
    TrackInfo vorbis = LoadSource("vorbis.mka").info, vorbisSetup = vorbis;
    vorbis.codecPrivate.resize(20);
    // The identification header passes the plan; the setup header, last in
    // CodecPrivate, loses its framing bit and fails FFmpeg's parser.
    vorbisSetup.codecPrivate.back() = 0;
    const Bad cases[] = {
        {{.codecId = "A_REAL/COOK", .codecPrivate = std::vector<uint8_t>(80)},
         "A_REAL/COOK: RealMedia output is not supported"},
        {{.codecId = "V_REAL/RV40"}, "V_REAL/RV40: RealMedia output is not supported"},
        {vorbis, "does not hold the three Vorbis headers"},
        {vorbisSetup, "the Vorbis headers in CodecPrivate are damaged"},
        {{.codecId = "V_MS/VFW/FOURCC", .codecPrivate = std::vector<uint8_t>(39)},
         "no BITMAPINFOHEADER"},
        {{.codecId = "A_OPUS"}, "not an OpusHead packet"},
        {{.codecId = "V_MPEG4/ISO/AVC"}, "V_MPEG4/ISO/AVC is not written by the muxing module"},
    };
    for (const Bad& bad : cases) {
        SCOPED_TRACE(bad.info.codecId);
        auto writer = MakeMuxWriter();
        EXPECT_FALSE(writer->Begin(bad.info, dir.File("out")));
        EXPECT_NE(writer->Error().find(bad.expect), std::string::npos) << writer->Error();
        EXPECT_TRUE(fs::is_empty(dir.Path()));
    }
}

TEST(MuxErrors, UnwritablePathAndBadFrames) {
    TempDir dir;
    const Source src = LoadSource("opus.mka");
    auto writer = MakeMuxWriter();
    const std::string path = dir.File("no/such/folder/out.opus");
    EXPECT_FALSE(writer->Begin(src.info, path));
    EXPECT_NE(writer->Error().find(path), std::string::npos) << writer->Error();

    // A frame that is no Opus packet fails the track with a message; the
    // writer can still be dropped cleanly.
    auto w2 = MakeMuxWriter();
    ASSERT_TRUE(w2->Begin(src.info, dir.File("out.opus"))) << w2->Error();
    Frame f;
    f.data = nullptr;
    f.size = 0;
    EXPECT_FALSE(w2->Write(f));
    EXPECT_NE(w2->Error().find("not an Opus packet"), std::string::npos) << w2->Error();
    w2->Abort();
    EXPECT_FALSE(w2->Write(f));
}

// Without a TTA header or the file's duration, the length of the last frame
// is worked out from its code, and the file decodes to the end.
TEST(MuxTta, LastFrameLengthFoundWithoutDuration) {
    TempDir dir;
    Source src = LoadSource("tta.mka");
    src.fileDurationNs = 0;
    ASSERT_TRUE(src.info.codecPrivate.empty());  // the fixture keeps no header
    const std::string out = dir.File("out.tta");
    ASSERT_EQ(WriteTrack(src, out), "");
    std::string error;
    const auto a = oracle::DecodeAudio(out, -1, &error);
    ASSERT_TRUE(a) << error;
    const auto b = oracle::DecodeAudio(Codec("tta.mka"), -1, &error);
    ASSERT_TRUE(b) << error;
    EXPECT_EQ(a->samples, 22050);
    EXPECT_TRUE(a->pcm == b->pcm);
}

// The CAF packet table must not count the short last frame as a full one.
TEST(MuxCaf, PacketTableGivesTheTrueLength) {
    TempDir dir;
    const Source src = LoadSource("alac.mka");
    const std::string out = dir.File("out.caf");
    ASSERT_EQ(WriteTrack(src, out), "");
    const std::vector<uint8_t> f = ReadOctets(out);
    const std::string text(f.begin(), f.end());
    const size_t pakt = text.rfind("pakt");
    ASSERT_NE(pakt, std::string::npos);
    ASSERT_GE(f.size(), pakt + 36);
    uint64_t valid = 0;
    for (int i = 0; i < 8; ++i) {
        valid = valid << 8 | f[pakt + 20 + i];
    }
    const uint32_t remainder = uint32_t(f[pakt + 32]) << 24 | uint32_t(f[pakt + 33]) << 16 |
                               uint32_t(f[pakt + 34]) << 8 | f[pakt + 35];
    EXPECT_EQ(valid, 22050u);  // 0.5 s at 44.1 kHz
    EXPECT_EQ(valid + remainder, src.stream.packets.size() * 4096);
}

}  // namespace
}  // namespace quarvel
