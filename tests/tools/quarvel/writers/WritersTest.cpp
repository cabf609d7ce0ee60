// Our own writers, fed frames directly: the bytes they write are checked
// against the formats' layouts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "tests/support/TempDir.h"
#include "tools/common/OutputFiles.h"
#include "tools/quarvel/pass/PassLimits.h"
#include "tools/quarvel/writers/OwnWriters.h"
#include "tools/quarvel/writers/TimestampsWriter.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;
using namespace torvane::testsupport;

std::string Text(const std::vector<uint8_t>& b) {
    return {b.begin(), b.end()};
}

struct In {
    In(std::vector<uint8_t> d, int64_t t = 0, int64_t du = -1, std::string add = {})
        : data(std::move(d)), ts(t), dur(du), additional(std::move(add)) {}
    std::vector<uint8_t> data;
    int64_t ts;
    int64_t dur;
    std::string additional;
};

class WriterTest : public ::testing::Test {
  protected:
    // Runs the writer over the frames; returns what it wrote (or fails the test).
    std::vector<uint8_t> Run(std::unique_ptr<TrackWriter> w, const TrackInfo& info,
                             const std::vector<In>& frames, const std::string& name = "out") {
        const std::string path = dir_.File(name);
        EXPECT_TRUE(w->Begin(info, path)) << w->Error();
        for (const In& in : frames) {
            Frame f;
            f.data = in.data.data();
            f.size = in.data.size();
            f.timestampNs = in.ts;
            f.durationNs = in.dur;
            if (!in.additional.empty()) {
                f.additional = reinterpret_cast<const uint8_t*>(in.additional.data());
                f.additionalSize = in.additional.size();
            }
            EXPECT_TRUE(w->Write(f)) << w->Error();
        }
        EXPECT_TRUE(w->Finish()) << w->Error();
        // Renamed into place, as the pass does.
        extras_ = w->Files();
        std::string error;
        EXPECT_TRUE(tools::ReplaceTargets(extras_, error)) << error;
        extras_.erase(extras_.begin());
        warning_ = w->Warning();
        return ReadOctets(path);
    }

    static std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

    TempDir dir_;
    std::vector<std::pair<std::string, std::string>> extras_;
    std::string warning_;
};

TEST_F(WriterTest, AdtsFromLegacyIdsAndHeAacCore) {
    // no CodecPrivate: LC core at 24 kHz, stereo
    const TrackInfo t{.codecId = "A_AAC/MPEG4/LC/SBR", .samplingFrequency = 24000, .channels = 2};
    auto out = Run(MakeAdtsWriter(), t, {{{1, 2, 3}}});
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[2], (1 << 6) | (6 << 2));  // profile LC, index 6 (24000)
    EXPECT_EQ(out[3] >> 6, 2);               // two channels
    // HE-AAC v1 config: SBR(5), index 6, stereo, ext index 3, core AAC LC.
    const TrackInfo he{.codecId = "A_AAC", .codecPrivate = {0x2B, 0x11, 0x88, 0x00}};
    out = Run(MakeAdtsWriter(), he, {{{9}}}, "he");
    ASSERT_EQ(out.size(), 8u);
    EXPECT_EQ(out[2], (1 << 6) | (6 << 2));
    // Main profile by name, 44.1 kHz.
    const TrackInfo main{.codecId = "A_AAC/MPEG2/MAIN", .samplingFrequency = 44100, .channels = 1};
    out = Run(MakeAdtsWriter(), main, {{{9}}}, "main");
    EXPECT_EQ(out[2], (0 << 6) | (4 << 2));
}

TEST_F(WriterTest, AdtsRefusesObjectTypesItCannotSay) {
    // escape: object type 32 + x
    const TrackInfo t{.codecId = "A_AAC", .codecPrivate = {0xF8, 0x00, 0x00}};
    auto w = MakeAdtsWriter();
    EXPECT_FALSE(w->Begin(t, dir_.File("x")));
    EXPECT_NE(w->Error().find("cannot be written as ADTS"), std::string::npos);
    w->Abort();
    EXPECT_TRUE(fs::is_empty(dir_.Path()));
}

TEST_F(WriterTest, AnnexBCutsNalRunningPastTheFrame) {
    // 2-octet lengths, no sets
    const TrackInfo t{.codecId = "V_MPEG4/ISO/AVC",
                      .codecPrivate = {1, 0x64, 0, 0x1F, 0xFD, 0xE0, 0}};
    auto out = Run(MakeAnnexBWriter(), t, {{{0, 1, 0x41, 0, 9, 0x41}}});
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 0, 1, 0x41}));
    EXPECT_FALSE(warning_.empty());
}

TEST_F(WriterTest, WavFromBigEndianPcmCarriesSplitSamples) {
    const TrackInfo t{.codecId = "A_PCM/INT/BIG",
                      .hasAudio = true,
                      .samplingFrequency = 48000,
                      .channels = 1,
                      .bitDepth = 24};
    auto out = Run(MakeWavWriter(), t, {{{1, 2, 3, 4}}, {{5, 6}}});
    ASSERT_EQ(out.size(), 12u + 8 + 40 + 8 + 6);
    EXPECT_EQ(Text({out.begin(), out.begin() + 4}), "RIFF");
    EXPECT_EQ(out[4], 66);                      // file size - 8
    EXPECT_EQ(out[20] | out[21] << 8, 0xFFFE);  // 24 bits: extensible form
    EXPECT_EQ(out[22], 1);
    EXPECT_EQ(out[24] | out[25] << 8, 48000 & 0xFFFF);
    EXPECT_EQ(std::vector<uint8_t>(out.end() - 6, out.end()),
              (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(warning_, "");
}

TEST_F(WriterTest, WavRefusesRatesNoHeaderCanHold) {
    for (double hz : {std::nan(""), HUGE_VAL, -44100.0, 0.0, 1e300}) {
        const TrackInfo t{.codecId = "A_PCM/INT/LIT",
                          .hasAudio = true,
                          .samplingFrequency = hz,
                          .channels = 2,
                          .bitDepth = 16};
        auto w = MakeWavWriter();
        EXPECT_FALSE(w->Begin(t, dir_.File("x.wav"))) << hz;
        char text[32];
        std::snprintf(text, sizeof text, "%g", hz);
        EXPECT_EQ(w->Error(),
                  std::string("PCM at a SamplingFrequency of ") + text + " Hz cannot be written");
        w->Abort();
    }
    EXPECT_TRUE(fs::is_empty(dir_.Path()));
}

TEST_F(WriterTest, WavFromAcmKeepsTheFormatChunkAndPadsOddData) {
    // A-law
    const TrackInfo t{
        .codecId = "A_MS/ACM",
        .codecPrivate = {6, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0, 0, 0}};
    auto out = Run(MakeWavWriter(), t, {{{1, 2, 3}}});
    ASSERT_EQ(out.size(), 12u + 8 + 18 + 8 + 4);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 20, out.begin() + 38), t.codecPrivate);
    EXPECT_EQ(out[42], 3);  // data size without the pad octet
    EXPECT_EQ(out[4], 12 + 18 + 8 + 4 - 8 + 8);
}

TEST_F(WriterTest, SrtTimesAndCuesWithoutDuration) {
    const TrackInfo t{.codecId = "S_TEXT/UTF8"};
    auto out = Run(MakeSrtWriter(), t,
                   {{Bytes("Hello\nworld\n\n"), 137'440'000'000, 2'935'000'000},
                    {Bytes("no end"), 3'600'000'000'000, -1},
                    {Bytes(""), 3'601'000'000'000, -1},
                    {Bytes("last"), 3'602'000'000'000, -1}});
    EXPECT_EQ(Text(out),
              "1\r\n00:02:17,440 --> 00:02:20,375\r\nHello\r\nworld\r\n\r\n"
              "2\r\n01:00:00,000 --> 01:00:01,000\r\nno end\r\n\r\n"
              "3\r\n01:00:02,000 --> 01:00:04,000\r\nlast\r\n\r\n");
}

TEST_F(WriterTest, AssEventsBackInReadOrderUnderTheHeader) {
    const TrackInfo t{
        .codecId = "S_TEXT/ASS",
        .codecPrivate = Bytes("[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nStyle: x\n")};
    auto out = Run(MakeSsaWriter(), t,
                   {{Bytes("2,0,Default,,0,0,0,,Third"), 500'000'000, 1'400'000'000},
                    {Bytes("0,0,Default,,0,0,0,,First, with commas"), 100'000'000, 500'000'000},
                    {Bytes("1,1,Default,Bob,0,0,0,,Second\r\nline"), 700'000'000, 505'000'000}});
    EXPECT_EQ(Text(out),
              "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[V4+ Styles]\r\nStyle: x\r\n\r\n"
              "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, "
              "Effect, Text\r\n"
              "Dialogue: 0,0:00:00.10,0:00:00.60,Default,,0,0,0,,First, with commas\r\n"
              "Dialogue: 1,0:00:00.70,0:00:01.21,Default,Bob,0,0,0,,Second\\Nline\r\n"
              "Dialogue: 0,0:00:00.50,0:00:01.90,Default,,0,0,0,,Third\r\n");
}

TEST_F(WriterTest, SsaUsesMarkedAndKeepsAnExistingEventsSection) {
    TrackInfo t;
    t.codecId = "S_TEXT/SSA";
    t.codecPrivate = Bytes(
        "[Script Info]\r\n[Events]\r\nFormat: Marked, Start, End, Style, Name, MarginL, "
        "MarginR, MarginV, Effect, Text\r\n");
    auto out =
        Run(MakeSsaWriter(), t, {{Bytes("0,,Default,,0,0,0,,Hi"), 3'723'450'000'000, 10'000'000}});
    EXPECT_EQ(Text(out),
              "[Script Info]\r\n[Events]\r\nFormat: Marked, Start, End, Style, Name, MarginL, "
              "MarginR, MarginV, Effect, Text\r\n"
              "Dialogue: Marked=0,1:02:03.45,1:02:03.46,Default,,0,0,0,,Hi\r\n");
}

TEST_F(WriterTest, SsaTextLimit) {
    const TrackInfo t{.codecId = "S_TEXT/ASS"};
    auto w = MakeSsaWriter();
    ASSERT_TRUE(w->Begin(t, dir_.File("big.ass")));
    std::string event = "0,0,Default,,0,0,0,," + std::string(1 << 20, 'x');
    Frame f;
    f.data = reinterpret_cast<const uint8_t*>(event.data());
    f.size = event.size();
    bool ok = true;
    for (size_t i = 0; ok && i <= limits::kMaxSubtitleTextBytes >> 20; ++i) {
        ok = w->Write(f);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(w->Error(), "the subtitle track holds more text than the limit of 64 MiB");
    w->Abort();
    EXPECT_TRUE(fs::is_empty(dir_.Path()));
}

TEST_F(WriterTest, WebVttCueSettingsIdentifierAndComments) {
    const TrackInfo t{.codecId = "S_TEXT/WEBVTT",
                      .codecPrivate = Bytes("WEBVTT\n\nSTYLE\n::cue { color: red }\n")};
    auto out = Run(MakeWebVttWriter(), t,
                   {{Bytes("First"), 100'000'000, 500'000'000, "align:start\nfirst\nNOTE hi"},
                    {Bytes("Second"), 700'000'000, 500'000'000}});
    EXPECT_EQ(Text(out),
              "WEBVTT\r\n\r\nSTYLE\r\n::cue { color: red }\r\n\r\n"
              "NOTE hi\r\n\r\nfirst\r\n00:00:00.100 --> 00:00:00.600 align:start\r\nFirst\r\n\r\n"
              "00:00:00.700 --> 00:00:01.200\r\nSecond\r\n\r\n");
}

TEST_F(WriterTest, SupSplitsSegmentsWithTheirTimes) {
    const TrackInfo t{.codecId = "S_HDMV/PGS"};
    // Two segments: 0x16 with 2 octets, 0x80 (end) with none; 1 s = 90000 ticks.
    auto out = Run(MakeSupWriter(), t, {{{0x16, 0, 2, 0xAA, 0xBB, 0x80, 0, 0}, 1'000'000'000}});
    ASSERT_EQ(out.size(), 2u * 10 + 5 + 3);
    EXPECT_EQ(Text({out.begin(), out.begin() + 2}), "PG");
    EXPECT_EQ((out[2] << 24) | (out[3] << 16) | (out[4] << 8) | out[5], 90000);
    EXPECT_EQ(out[10], 0x16);
    EXPECT_EQ(Text({out.begin() + 15, out.begin() + 17}), "PG");
    EXPECT_EQ(out[25], 0x80);
}

TEST_F(WriterTest, VobSubPacksAndIndexBesideThePath) {
    const TrackInfo t{.codecId = "S_VOBSUB",
                      .codecPrivate = Bytes("size: 720x480\npalette: 000000\n"),
                      .language = "spa"};
    std::vector<uint8_t> big(3000, 0x5A);
    auto sub =
        Run(MakeVobSubWriter(), t, {{{1, 2, 3}, 100'000'000}, {big, 61'001'000'000}}, "Track3.sub");
    ASSERT_EQ(sub.size(), 3u * 2048);
    for (size_t at : {0, 2048, 4096}) {
        EXPECT_EQ(std::vector<uint8_t>(sub.begin() + at, sub.begin() + at + 4),
                  (std::vector<uint8_t>{0, 0, 1, 0xBA}));
        EXPECT_EQ(sub[at + 17], 0xBD);
    }
    EXPECT_EQ(sub[14 + 9 + 5], 0x20);  // substream after the PTS
    EXPECT_EQ(sub[14 + 9 + 5 + 1], 1);
    ASSERT_EQ(extras_.size(), 1u);
    EXPECT_EQ(extras_[0].second, dir_.File("Track3.idx"));
    EXPECT_EQ(ReadBytes(extras_[0].second),
              "# VobSub index file, v7 (do not modify this line!)\r\nsize: 720x480\r\n"
              "palette: 000000\r\nlangidx: 0\r\nid: es, index: 0\r\n"
              "timestamp: 00:00:00:100, filepos: 000000000\r\n"
              "timestamp: 00:01:01:001, filepos: 000000800\r\n");
    // The SPU spread over two packs comes back whole.
    std::vector<uint8_t> spu;
    for (size_t at : {2048, 4096}) {
        const size_t hdr = sub[at + 22];
        const size_t pesLen = (sub[at + 18] << 8) | sub[at + 19];
        const size_t start = at + 23 + hdr + 1;
        spu.insert(spu.end(), sub.begin() + start, sub.begin() + at + 20 + pesLen);
    }
    EXPECT_EQ(spu, big);
}

// ---- timestamps -------------------------------------------------------------------

struct Stamp {
    int64_t ns;
    bool known = true;
};

// Runs a timestamps writer with `limits` over the times; returns what it wrote
// after the format line, or its error.
std::string Timestamps(const std::string& path, const std::vector<Stamp>& stamps,
                       const TimestampLimits& limits, std::string* warning = nullptr) {
    auto w = MakeTimestampsWriter(limits);
    EXPECT_TRUE(w->Begin({}, path)) << w->Error();
    const uint8_t data = 0;
    for (const Stamp& s : stamps) {
        Frame f;
        f.data = &data;
        f.size = 1;
        f.timestampNs = s.ns;
        f.timeKnown = s.known;
        if (!w->Write(f)) {
            w->Abort();
            return "error: " + w->Error();
        }
    }
    if (!w->Finish()) {
        w->Abort();
        return "error: " + w->Error();
    }
    std::string error;
    EXPECT_TRUE(tools::ReplaceTargets(w->Files(), error)) << error;
    if (warning != nullptr) {
        *warning = w->Warning();
    }
    const std::string text = ReadBytes(path);
    EXPECT_EQ(text.rfind("# timestamp format v2\n", 0), 0u) << text;
    return text.substr(std::min(text.size(), text.find('\n') + 1));
}

TEST_F(WriterTest, TimestampsInPresentationOrderAsMilliseconds) {
    struct Row {
        const char* name;
        std::vector<Stamp> stamps;
        std::string text;
        std::string warning;
    };
    const Row rows[] = {
        {"decode order, as B-frames store it",
         {{0}, {120'000'000}, {40'000'000}, {80'000'000}, {240'000'000}, {160'000'000}},
         "0\n40\n80\n120\n160\n240\n",
         ""},
        {"decimals as the times need them",
         {{1'234'567}, {100'000}, {41'708'333}, {1'000'001}, {90'000'000'000'000}},
         "0.1\n1.000001\n1.234567\n41.708333\n90000000\n",
         ""},
        {"negative times and the ends of the range",
         {{-500'000}, {INT64_MIN}, {INT64_MAX}, {-2'000'000}},
         "-9223372036854.775808\n-2\n-0.5\n9223372036854.775807\n",
         ""},
        {"a frame listed once per frame, equal times included",
         {{40'000'000}, {40'000'000}},
         "40\n40\n",
         ""},
        {"frames without a time of their own",
         {{0}, {40'000'000, false}, {80'000'000}, {0, false}},
         "0\n80\n",
         "2 of its 4 frames have no time of their own (laced after the first frame of their "
         "block with neither a BlockDuration nor a DefaultDuration to space them, or in a "
         "Cluster without a Timestamp): they are left out, not guessed"},
        {"no frame", {}, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string warning;
        EXPECT_EQ(Timestamps(dir_.File("t.txt"), row.stamps, {}, &warning), row.text);
        EXPECT_EQ(warning, row.warning);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()), 1);
}

// More times than one sort takes are sorted run by run in the temporary file
// and merged; past the limit the track is refused. Either way only the
// finished output stays.
TEST_F(WriterTest, TimestampsMergedFromRunsAndBounded) {
    std::vector<Stamp> stamps;
    std::vector<int64_t> sorted;
    for (int64_t i = 0; i < 100; ++i) {
        const int64_t ms = (i * 37) % 101 - 20;  // every value once, in a scrambled order
        stamps.push_back({ms * 1'000'000});
        sorted.push_back(ms);
    }
    std::sort(sorted.begin(), sorted.end());
    std::string want;
    for (int64_t ms : sorted) {
        want += std::to_string(ms) + "\n";
    }
    const TimestampLimits small{.sortFrames = 7, .mergeFrames = 3, .maxFrames = 100};
    EXPECT_EQ(Timestamps(dir_.File("merged.txt"), stamps, small), want);
    // Frames without a time count nothing towards the limit.
    stamps.push_back({0, false});
    EXPECT_EQ(Timestamps(dir_.File("merged.txt"), stamps, small), want);
    stamps.push_back({5});
    EXPECT_EQ(Timestamps(dir_.File("refused.txt"), stamps, small),
              "error: the track has more than 100 frames, more than quarvel puts in order: only "
              "a damaged file has so many");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace quarvel
