// Whole runs of `quarvel tracks` on files built byte by byte: lacing, content
// encodings and timestamps give known streams; failures give the right status
// and message, leave no partial file and keep an earlier one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <random>
#include <thread>

#include "tests/support/EbmlWriter.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace ebmltest;
using namespace torvane::testsupport;

const std::string kQuarvel = Program("quarvel");

Bytes Frame(size_t size, uint8_t seed) {
    Bytes b(size);
    std::mt19937 rng(seed);
    for (auto& x : b) {
        x = static_cast<uint8_t>(rng());
    }
    return b;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Deflate(const Bytes& in) {
    uLongf n = compressBound(in.size());
    Bytes out(n);
    compress2(out.data(), &n, in.data(), in.size(), 9);
    out.resize(n);
    return out;
}

Bytes File(const std::vector<Bytes>& entries, const std::vector<Bytes>& clusters,
           uint64_t scale = 1000000) {
    std::vector<Bytes> seg = {Info(scale), Master(kTracks, entries)};
    seg.insert(seg.end(), clusters.begin(), clusters.end());
    return Cat({EbmlHeader(), Segment(seg)});
}

size_t PartFiles(const std::string& dir) {
    size_t parts = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        parts += e.path().filename().string().find(".quarvel-part-") != std::string::npos;
    }
    return parts;
}

class TracksSynthetic : public ::testing::Test {
  protected:
    void TearDown() override {
        EXPECT_EQ(PartFiles(dir_.Path()), 0u) << "a temporary file was left behind";
    }
    std::string Source(const Bytes& bytes, const std::string& name = "in.mkv") {
        WriteBytes(Out(name), bytes);
        return Out(name);
    }
    std::string Out(const std::string& name) const { return dir_.File(name); }
    ProgramRun Extract(const std::string& file, std::vector<std::string> targets,
                       const std::vector<std::string>& env = {}) {
        targets.insert(targets.begin(), {"tracks", file});
        return RunProgram(kQuarvel, targets, {.env = env});
    }
    TempDir dir_;
};

TEST_F(TracksSynthetic, LacedBlocksGiveTheFramesBackToBack) {
    std::vector<Bytes> f;
    for (size_t size : {300, 17, 600, 800, 500, 1000, 64, 64, 5}) {
        f.push_back(Frame(size, static_cast<uint8_t>(f.size())));
    }
    const Bytes file =
        File({TrackEntry(1, 2, "A_AC3")},
             {Cluster(0, {SimpleBlock(1, 0, XiphLace({f[0], f[1], f[2]}), 0x80 | kLaceXiph),
                          SimpleBlock(1, 10, EbmlLace({f[3], f[4], f[5]}), 0x80 | kLaceEbml)}),
              Cluster(100, {SimpleBlock(1, 0, FixedLace({f[6], f[7]}), 0x80 | kLaceFixed),
                            BlockGroup(1, 5, f[8], {Uint(kBlockDuration, 3)})})});
    ProgramRun r = Extract(Source(file), {"1:" + Out("Track1.ac3")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadOctets(Out("Track1.ac3")), Cat(f));
}

TEST_F(TracksSynthetic, LargeFramesAcrossMappedWindows) {
    // Frames of several MiB are used where they lie in the file, through
    // mapped windows of the source; they must come out whole and in order.
    std::vector<Bytes> f;
    for (size_t size : {5u << 20, 70u << 10, 6u << 20, 3u << 20, 9u << 20, 100u}) {
        f.push_back(Frame(size, static_cast<uint8_t>(40 + f.size())));
    }
    std::vector<Bytes> blocks;
    for (size_t i = 0; i < f.size(); ++i) {
        blocks.push_back(SimpleBlock(1, static_cast<int16_t>(i), f[i]));
    }
    const Bytes file = File({TrackEntry(1, 2, "A_DTS")}, {Cluster(0, blocks)});
    ProgramRun r = Extract(Source(file), {"1:" + Out("Track1.dts")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadOctets(Out("Track1.dts")) == Cat(f));
}

TEST_F(TracksSynthetic, LacedFramesGetTimesFromTheDefaultDuration) {
    const Bytes file = File(
        {TrackEntry(1, 1, "V_VP8",
                    {Uint(kDefaultDuration, 40000000),
                     Master(kVideo, {Uint(kPixelWidth, 64), Uint(kPixelHeight, 48)})})},
        {Cluster(1000, {SimpleBlock(1, 0, XiphLace({{1}, {2, 2}, {3, 3, 3}}), 0x80 | kLaceXiph)})});
    ProgramRun r = Extract(Source(file), {"1:" + Out("Track1.ivf")});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes ivf = ReadOctets(Out("Track1.ivf"));
    ASSERT_EQ(ivf.size(), 32u + 3 * 12 + 6);
    EXPECT_EQ(ivf[24], 3);  // frames
    size_t pos = 32;
    for (uint32_t ms : {1000u, 1040u, 1080u}) {
        const uint32_t got = ivf[pos + 4] | ivf[pos + 5] << 8 | ivf[pos + 6] << 16;
        EXPECT_EQ(got, ms);
        pos += 12 + ivf[pos];
    }
}

// `quarvel timestamps`: the times the blocks give, laced frames timed as the
// format says, in presentation order, and no time made up where the file
// gives none.
TEST_F(TracksSynthetic, TimestampsOfTheBlocks) {
    const Bytes lace = XiphLace({{1}, {2, 2}, {3, 3, 3}});
    const Bytes laced = SimpleBlock(1, 0, lace, 0x80 | kLaceXiph);
    const Bytes zlib =
        Master(kContentEncodings, {Master(kContentEncoding, {Uint(kContentEncodingScope, 1)})});
    const Bytes encrypted = Master(
        kContentEncodings,
        {Master(kContentEncoding, {Uint(kContentEncodingType, 1),
                                   Master(kContentEncryption, {Uint(kContentEncAlgo, 5)})})});
    const std::string unspaced =
        "quarvel: timestamps of track 1 (A_VORBIS): 2 of its 3 frames have no time of their "
        "own (laced after the first frame of their block with neither a BlockDuration nor a "
        "DefaultDuration to space them, or in a Cluster without a Timestamp): they are left "
        "out, not guessed\n";
    struct Row {
        const char* name;
        Bytes file;
        std::string times;  // the lines after the format line
        std::string err;
    };
    const Row rows[] = {
        {"decode order, as B-frames store it",
         File({TrackEntry(1, 1, "V_MPEG4/ISO/AVC")},
              {Cluster(0, {SimpleBlock(1, 0, {1}), SimpleBlock(1, 120, {2}, 0),
                           SimpleBlock(1, 40, {3}, 0), SimpleBlock(1, 80, {4}, 0)}),
               Cluster(160, {SimpleBlock(1, 0, {5}), SimpleBlock(1, -20, {6}, 0)})}),
         "0\n40\n80\n120\n140\n160\n", ""},
        {"laced frames spaced by the DefaultDuration, to the nanosecond",
         File({TrackEntry(1, 2, "A_VORBIS", {Uint(kDefaultDuration, 41708333)})},
              {Cluster(1000, {laced, SimpleBlock(1, 200, {4})})}),
         "1000\n1041.708333\n1083.416666\n1200\n", ""},
        {"laced frames sharing the BlockDuration",
         File({TrackEntry(1, 2, "A_VORBIS", {Uint(kDefaultDuration, 1000000)})},
              {Cluster(0, {Master(kBlockGroup, {Element(kBlock, BlockData(1, 10, kLaceXiph, lace)),
                                                Uint(kBlockDuration, 90)})})}),
         "10\n40\n70\n", ""},
        {"laced frames nothing spaces", File({TrackEntry(1, 2, "A_VORBIS")}, {Cluster(7, {laced})}),
         "7\n", unspaced},
        // FFmpeg's demuxer takes the CodecDelay off; the blocks' own times
        // are what a muxer must be given back.
        {"a CodecDelay and a SeekPreRoll shift nothing",
         File({TrackEntry(1, 2, "A_OPUS",
                          {Uint(kCodecDelay, 6500000), Uint(kSeekPreRoll, 80000000)})},
              {Cluster(0, {SimpleBlock(1, 0, {1}), SimpleBlock(1, 20, {2})})}),
         "0\n20\n", ""},
        {"100-microsecond ticks",
         File({TrackEntry(1, 1, "V_VP9")},
              {Cluster(10000, {SimpleBlock(1, 2345, {1}), SimpleBlock(1, 2346, {2})})}, 100000),
         "1234.5\n1234.6\n", ""},
        {"a track without frames", File({TrackEntry(1, 17, "S_TEXT/UTF8")}, {Cluster(0, {})}), "",
         ""},
        // The frames are not decoded: neither a damaged compressed frame nor
        // encryption, nor a codec quarvel cannot write, keeps a time back.
        {"a compressed frame that does not inflate",
         File({TrackEntry(1, 17, "S_TEXT/UTF8", {zlib})},
              {Cluster(0, {SimpleBlock(1, 5, {0xDE, 0xAD})})}),
         "5\n", ""},
        {"an encrypted track of a codec quarvel does not write",
         File({TrackEntry(1, 1, "V_FOO", {encrypted})}, {Cluster(0, {SimpleBlock(1, 6, {1})})}),
         "6\n", ""},
        {"a Cluster without a Timestamp, and one past 64 bits of nanoseconds",
         File({TrackEntry(1, 1, "V_VP9")},
              {Cluster(50, {SimpleBlock(1, 0, {1})}), Element(kCluster, SimpleBlock(1, 3, {2})),
               Cluster(uint64_t{1} << 62, {SimpleBlock(1, 0, {3})}),
               Cluster(60, {SimpleBlock(1, 0, {4})})}),
         "50\n60\n",
         "quarvel: timestamps of track 1 (V_VP9): 2 of its 4 frames have no time of their own "
         "(laced after the first frame of their block with neither a BlockDuration nor a "
         "DefaultDuration to space them, or in a Cluster without a Timestamp): they are left "
         "out, not guessed\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string src = Source(row.file);
        ProgramRun r = RunProgram(kQuarvel, {"timestamps", src, "1:" + Out("t1.txt")});
        EXPECT_EQ(r.status, row.err.empty() ? 0 : 1) << r.err;
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(ReadBytes(Out("t1.txt")), "# timestamp format v2\n" + row.times);
    }
}

// One pass writes tracks and timestamps together, and a track asked for
// twice gets both outputs.
TEST_F(TracksSynthetic, TracksAndTimestampsInOnePass) {
    const Bytes file = File({TrackEntry(1, 2, "A_AC3"), TrackEntry(2, 2, "A_AC3")},
                            {Cluster(0, {SimpleBlock(1, 0, {1, 2, 3}),
                                         SimpleBlock(2, 10, {4, 5, 6}), SimpleBlock(1, 30, {7})})});
    ProgramRun r = Extract(
        Source(file), {"1:" + Out("t1.ac3"), "--timestamps", "1:" + Out("t1.txt"), "--timestamps",
                       "2:" + Out("t2.txt"), "--timestamps", "1:" + Out("again.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadOctets(Out("t1.ac3")), (Bytes{1, 2, 3, 7}));
    EXPECT_EQ(ReadBytes(Out("t1.txt")), "# timestamp format v2\n0\n30\n");
    EXPECT_EQ(ReadBytes(Out("again.txt")), ReadBytes(Out("t1.txt")));
    EXPECT_EQ(ReadBytes(Out("t2.txt")), "# timestamp format v2\n10\n");
}

TEST_F(TracksSynthetic, CompressedAndHeaderStrippedTracks) {
    const Bytes zlibEncoding =
        Master(kContentEncodings, {Master(kContentEncoding, {Uint(kContentEncodingScope, 3)})});
    const Bytes stripEncoding = Master(
        kContentEncodings,
        {Master(kContentEncoding,
                {Master(kContentCompression,
                        {Uint(kContentCompAlgo, 3), Bin(kContentCompSettings, {0xFF, 0xFB})})})});
    const std::string header = "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nStyle: a\n";
    const Bytes file = File(
        {TrackEntry(1, 17, "S_TEXT/UTF8", {zlibEncoding}),
         TrackEntry(2, 2, "A_MPEG/L3", {stripEncoding}),
         TrackEntry(3, 17, "S_TEXT/ASS",
                    {Bin(kCodecPrivate, Deflate(Text(header))), zlibEncoding})},
        {Cluster(0,
                 {BlockGroup(1, 500, Deflate(Text("Zipped\nline")), {Uint(kBlockDuration, 1500)}),
                  SimpleBlock(2, 0, {0x90, 0x01}), SimpleBlock(2, 26, {0x90, 0x02}),
                  BlockGroup(3, 100, Deflate(Text("0,0,Default,,0,0,0,,Packed")),
                             {Uint(kBlockDuration, 250)})})});
    ProgramRun r = Extract(Source(file), {"1:" + Out("Track1.srt"), "2:" + Out("Track2.mp3"),
                                          "3:" + Out("Track3.ass")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(Out("Track1.srt")),
              "1\r\n00:00:00,500 --> 00:00:02,000\r\nZipped\r\nline\r\n\r\n");
    EXPECT_EQ(ReadOctets(Out("Track2.mp3")),
              (Bytes{0xFF, 0xFB, 0x90, 0x01, 0xFF, 0xFB, 0x90, 0x02}));
    const std::string ass = ReadBytes(Out("Track3.ass"));
    EXPECT_EQ(ass.rfind("[Script Info]\r\nScriptType: v4.00+\r\n", 0), 0u) << ass;
    EXPECT_NE(ass.find("\r\nDialogue: 0,0:00:00.10,0:00:00.35,Default,,0,0,0,,Packed\r\n"),
              std::string::npos)
        << ass;
}

TEST_F(TracksSynthetic, TimesFollowTheTimestampScale) {
    const struct {
        const char* name;
        Bytes file;
        std::string srt;
    } rows[] = {
        {"100 µs ticks: cluster 10000 + block 2345 = 1.2345 s, duration 5000 = 0.5 s",
         File({TrackEntry(1, 17, "S_TEXT/UTF8")},
              {Cluster(10000, {BlockGroup(1, 2345, Text("Scaled"), {Uint(kBlockDuration, 5000)})})},
              100000),
         "1\r\n00:00:01,235 --> 00:00:01,735\r\nScaled\r\n\r\n"},
        // Its nanoseconds overflowed 64 bits, which is undefined behaviour.
        {"a Cluster Timestamp whose time 64 bits cannot hold is put at 0",
         File({TrackEntry(1, 17, "S_TEXT/UTF8")},
              {Cluster((uint64_t{1} << 62) + 1,
                       {BlockGroup(1, 0, Text("Far"), {Uint(kBlockDuration, 500)})})}),
         "1\r\n00:00:00,000 --> 00:00:00,500\r\nFar\r\n\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ProgramRun r = Extract(Source(row.file), {"1:" + Out("Track1.srt")});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadBytes(Out("Track1.srt")), row.srt);
    }
}

TEST_F(TracksSynthetic, DamagedLacesDropOnlyTheirBlock) {
    const Bytes bad = SimpleBlock(1, 10, {1, 0x90, 7, 7}, 0x80 | kLaceXiph);  // 144 > 2 left
    const Bytes file =
        File({TrackEntry(1, 2, "A_AC3")},
             {Cluster(0, {SimpleBlock(1, 0, {1, 2}), bad, SimpleBlock(1, 20, {3})})});
    const size_t badAt = Bytes(file).size() - bad.size() - SimpleBlock(1, 20, {3}).size();
    ProgramRun r = Extract(Source(file), {"1:" + Out("Track1.ac3")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quarvel: track 1 (A_AC3): block at byte " + std::to_string(badAt) +
                         " dropped: lace sizes exceed the block\n");
    EXPECT_EQ(ReadOctets(Out("Track1.ac3")), (Bytes{1, 2, 3}));
}

// Two tracks, the first of which cannot be written for the given reason.
Bytes TwoTracks(const Bytes& first) {
    return File({first, TrackEntry(2, 2, "A_AC3")},
                {Cluster(0, {SimpleBlock(1, 0, {1, 2, 3}), SimpleBlock(2, 0, {4, 5, 6})})});
}

TEST_F(TracksSynthetic, RequestsThatCannotBeMetFailWithTheReason) {
    const Bytes encrypted = Master(
        kContentEncodings,
        {Master(kContentEncoding, {Uint(kContentEncodingType, 1),
                                   Master(kContentEncryption, {Uint(kContentEncAlgo, 5)})})});
    const Bytes file = TwoTracks(TrackEntry(1, 2, "A_AC3"));
    const std::string src = Source(file), t2 = "2:" + Out("t2"), twice = dir_.Path() + "/./t1";
    ASSERT_EQ(mkfifo(Out("fifo").c_str(), 0600), 0);
    struct Row {
        std::string source;
        std::vector<std::string> targets;
        std::string err;  // how standard error begins
        bool track2Written;
    };
    const Row rows[] = {
        {Source(TwoTracks(TrackEntry(1, 1, "V_FOO")), "foo.mkv"),
         {"1:" + Out("t1"), t2},
         "quarvel: track 1 (V_FOO): codec 'V_FOO' is not supported\n",
         true},
        // Text from the file reaches no terminal as control characters.
        {Source(TwoTracks(TrackEntry(1, 1, "V_\x1b]0;\x07x\xc2\x9b")), "esc.mkv"),
         {"1:" + Out("t1"), t2},
         "quarvel: track 1 (V_?]0;?x?): codec 'V_?]0;?x?' is not supported\n",
         true},
        {Source(TwoTracks(TrackEntry(1, 2, "A_AC3", {encrypted})), "enc.mkv"),
         {"1:" + Out("t1"), t2},
         "quarvel: track 1 (A_AC3): the track is encrypted\n",
         true},
        {src,
         {"1:/nonexistent-folder/x.ac3", t2},
         "quarvel: track 1 (A_AC3): cannot create '/nonexistent-folder/x.ac3': No such file or "
         "directory\n",
         true},
        // A pipe (like a device) is never replaced by a file, nor is the source.
        {src,
         {"1:" + Out("fifo"), t2},
         "quarvel: track 1 (A_AC3): '" + Out("fifo") +
             "' is not a regular file; it is left as it is\n",
         true},
        {src,
         {"1:" + src, t2},
         "quarvel: track 1 (A_AC3): '" + src + "' is the source file itself\n",
         true},
        {src,
         {"1:" + Out("t1"), "2:" + twice},
         "quarvel: track 2 (A_AC3): '" + twice + "' is the output of another track already\n",
         false},
        // Timestamps are outputs like any other.
        {src,
         {"--timestamps", "1:" + src, t2},
         "quarvel: timestamps of track 1 (A_AC3): '" + src + "' is the source file itself\n",
         true},
        {src,
         {t2, "--timestamps", "1:" + Out("t2")},
         "quarvel: timestamps of track 1 (A_AC3): '" + Out("t2") +
             "' is the output of another track already\n",
         true},
        {src,
         {"5:" + Out("t5")},
         "quarvel: track 5: no such track: the file has 2 tracks\n",
         false},
        {src, {"1:" + Out("t1"), "two:" + Out("t2")}, "quarvel: bad argument 'two:", false},
        {Out("missing.mkv"), {t2}, "quarvel: cannot open '" + Out("missing.mkv") + "': ", false},
        // A pipe nobody writes to is refused at once, not waited on.
        {Out("fifo"),
         {t2},
         "quarvel: cannot open '" + Out("fifo") + "': not a regular file\n",
         false},
        {Source(Text("not a matroska file at all"), "text.mkv"),
         {t2},
         "quarvel: cannot read '" + Out("text.mkv") + "': ",
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.err);
        fs::remove(Out("t1"));
        fs::remove(Out("t2"));
        std::vector<std::string> args = {"tracks", row.source};
        args.insert(args.end(), row.targets.begin(), row.targets.end());
        ProgramRun r = RunProgram(kQuarvel, args, {.timeoutSeconds = 30});
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind(row.err, 0), 0u) << r.err;
        EXPECT_EQ(fs::exists(Out("t2")), row.track2Written);
        if (row.track2Written) {
            EXPECT_EQ(ReadOctets(Out("t2")), (Bytes{4, 5, 6}));
        }
    }
    EXPECT_TRUE(fs::is_fifo(Out("fifo")));
    EXPECT_EQ(ReadOctets(src), file);
}

// A VobSub track writes two files, PATH and its .idx or .sub beside it: both
// are outputs, checked against the source, every other output and what
// stands there, before anything is written.
TEST_F(TracksSynthetic, BothFilesOfAVobSubPairAreOutputs) {
    const Bytes file = File(
        {TrackEntry(1, 17, "S_VOBSUB"), TrackEntry(2, 17, "S_VOBSUB"), TrackEntry(3, 2, "A_AC3")},
        {Cluster(0, {SimpleBlock(1, 0, {0x11, 0x11}), SimpleBlock(2, 0, {0x22, 0x22}),
                     SimpleBlock(3, 0, {3, 3, 3})})});
    const std::string src = Source(file);
    ASSERT_EQ(mkfifo(Out("q.sub").c_str(), 0600), 0);
    // What a file left holds.
    enum class Holds { kIndex, kSubtitle1, kSubtitle2, kAc3, kOld };
    struct Row {
        std::string source;
        std::vector<std::string> targets;  // n:NAME, NAME in the test's folder
        std::string err;
        std::vector<std::pair<std::string, Holds>> left;
    };
    const Row rows[] = {
        {src,
         {"1:a.idx", "2:a.sub"},
         "quarvel: track 2 (S_VOBSUB): '" + Out("a.sub") +
             "' is the output of another track already\n",
         {{"a.idx", Holds::kIndex}, {"a.sub", Holds::kSubtitle1}}},
        {src,
         {"1:a.idx", "3:a.sub"},
         "quarvel: track 3 (A_AC3): '" + Out("a.sub") +
             "' is the output of another track already\n",
         {{"a.idx", Holds::kIndex}, {"a.sub", Holds::kSubtitle1}}},
        {src,
         {"3:a.sub", "1:a.idx"},
         "quarvel: track 1 (S_VOBSUB): '" + Out("a.sub") +
             "' is the output of another track already\n",
         {{"a.sub", Holds::kAc3}}},
        {src,
         {"2:b", "1:b.sub"},
         "quarvel: track 1 (S_VOBSUB): '" + Out("b.idx") +
             "' is the output of another track already\n",
         {{"b", Holds::kSubtitle2}, {"b.idx", Holds::kIndex}}},
        {Source(file, "v.sub"),
         {"1:v.idx"},
         "quarvel: track 1 (S_VOBSUB): '" + Out("v.sub") + "' is the source file itself\n",
         {}},
        {src,
         {"1:q.idx"},
         "quarvel: track 1 (S_VOBSUB): '" + Out("q.sub") +
             "' is not a regular file; it is left as it is\n",
         {{"q.idx", Holds::kOld}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.err);
        for (const char* name : {"a.idx", "a.sub", "b", "b.idx", "b.sub", "v.idx"}) {
            fs::remove(Out(name));
        }
        WriteBytes(Out("q.idx"), "old");
        std::vector<std::string> targets;
        for (const std::string& t : row.targets) {
            targets.push_back(t.substr(0, 2) + Out(t.substr(2)));
        }
        ProgramRun r = Extract(row.source, targets);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, row.err);
        for (const auto& [name, holds] : row.left) {
            SCOPED_TRACE(name);
            const Bytes got = ReadOctets(Out(name));
            switch (holds) {
                case Holds::kIndex:
                    EXPECT_EQ(ReadBytes(Out(name)).rfind("# VobSub index file", 0), 0u);
                    break;
                case Holds::kSubtitle1:
                case Holds::kSubtitle2: {
                    // One 2048-octet pack holding the subtitle.
                    const Bytes mark(2, holds == Holds::kSubtitle1 ? 0x11 : 0x22);
                    EXPECT_EQ(got.size(), 2048u);
                    EXPECT_NE(std::search(got.begin(), got.end(), mark.begin(), mark.end()),
                              got.end());
                    break;
                }
                case Holds::kAc3:
                    EXPECT_EQ(got, (Bytes{3, 3, 3}));
                    break;
                case Holds::kOld:
                    EXPECT_EQ(got, Text("old"));
                    break;
            }
        }
    }
    EXPECT_EQ(ReadOctets(Out("v.sub")), file);
    EXPECT_FALSE(fs::exists(Out("v.idx")));
    EXPECT_TRUE(fs::is_fifo(Out("q.sub")));
}

TEST_F(TracksSynthetic, DamageMidPassKeepsTheEarlierFile) {
    // The second Cluster claims far more than the file holds.
    const Bytes good = Cluster(0, {SimpleBlock(1, 0, {1, 2, 3})});
    const Bytes bad = ElementClaiming(
        kCluster, 1 << 20,
        Cat({Uint(kTimestamp, 50), SimpleBlock(1, 0, {4, 5, 6}), Bytes{0xA3, 0x10, 0x81, 0x00}}));
    const Bytes file =
        Cat({EbmlHeader(),
             ElementClaiming(kSegment, 1 << 21,
                             Cat({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}), good, bad}))});
    WriteBytes(Out("Track1.ac3"), Text("OLD"));
    ProgramRun r = Extract(Source(file), {"1:" + Out("Track1.ac3")});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("quarvel: track 1 (A_AC3): the file is damaged at byte "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(Out("Track1.ac3")), "OLD");
}

TEST_F(TracksSynthetic, DamageOutsideTheFramesGivesWarningsWithWhatCouldBeRead) {
    const Bytes pcm = {1, 0, 2, 0};
    const Bytes pcmTrack = TrackEntry(1, 2, "A_PCM/INT/LIT",
                                      {Master(kAudio, {Float(kSamplingFrequency, 44100),
                                                       Uint(kChannels, 2), Uint(kBitDepth, 16)})});
    struct Row {
        const char* name;
        Bytes file;
        Bytes wav;  // the data after the 44-octet header
        std::vector<std::string> messages;
    };
    const Row rows[] = {
        {"damage in the TrackEntry before its Audio element",
         File({TrackEntry(1, 2, "A_PCM/INT/LIT",
                          {ElementClaiming(kName, 1000, Text("x")),
                           Master(kAudio, {Float(kSamplingFrequency, 44100)})})},
              {Cluster(0, {SimpleBlock(1, 0, pcm)})}),
         pcm,
         {"quarvel: warning: at byte ", "declares 1000 bytes, but its parent TrackEntry",
          "quarvel: track 1 (A_PCM/INT/LIT): the WAV header says 8000 Hz, 1 channel, 16 bits, "
          "the format's defaults: the track gives no Audio element\n"}},
        {"Segment, Tracks and Cluster claiming petabytes",
         Cat({EbmlHeader(),
              ElementClaiming(
                  kSegment, 1ull << 50,
                  Cat({Info(), ElementClaiming(kTracks, 1ull << 50, pcmTrack),
                       ElementClaiming(kCluster, 1ull << 50,
                                       Cat({Uint(kTimestamp, 0), SimpleBlock(1, 0, pcm)}))}))}),
         {},
         {"the file is cut short",
          "quarvel: track 1 (A_PCM/INT/LIT): no frame of the track was "
          "found: the file is damaged\n"}},
        {"an unknown-sized Tags after the last Cluster",
         Cat({EbmlHeader(),
              Segment({Info(), Master(kTracks, {pcmTrack}), Cluster(0, {SimpleBlock(1, 0, pcm)}),
                       MasterUnknownSize(kTags, {Master(kTag, {SimpleTagOf("A", "b")})})})}),
         pcm,
         {"quarvel: warning: damage after the last Cluster at byte ",
          ": Tags has an unknown size, which only Segment and Cluster may have; every frame "
          "before it was read\n"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProgramRun r = Extract(Source(row.file), {"1:" + Out("Track1.wav")});
        EXPECT_EQ(r.status, 1) << r.err;
        for (const std::string& message : row.messages) {
            EXPECT_NE(r.err.find(message), std::string::npos) << message << "\n" << r.err;
        }
        const Bytes wav = ReadOctets(Out("Track1.wav"));
        ASSERT_EQ(wav.size(), 44 + row.wav.size());
        EXPECT_EQ(Bytes(wav.begin() + 44, wav.end()), row.wav);
        fs::remove(Out("Track1.wav"));
    }
}

// About 16 MB of Clusters with a CRC-32, each holding `frames` frames of track
// 1, about `apart` bytes each, with a small frame of track 2 after every one.
// The pass measures what jumps cost in its first megabytes; the Cluster
// checked lies far after them.
struct TwoTrackClusters {
    Bytes file;
    Bytes frames[3];        // what tracks 1 and 2 hold, back to back
    size_t clusters = 0;    // how many Clusters
    size_t checked = 0;     // file offset of the last Cluster but one
    size_t checkedCrc = 0;  // and of the first octet of its CRC-32
};

TwoTrackClusters MakeTwoTrackClusters(size_t apart, size_t frames) {
    TwoTrackClusters out;
    std::vector<Bytes> clusters;
    const size_t count = (16u << 20) / (frames * apart);
    out.clusters = count;
    for (size_t c = 0; c < count; ++c) {
        Bytes blocks;
        for (size_t i = 0; i < frames; ++i) {
            const size_t n = c * frames + i;
            const Bytes big =
                Frame(apart - apart / 4 + n * 7919 % (apart / 2), static_cast<uint8_t>(n));
            const Bytes small = Frame(300 + n % 500, static_cast<uint8_t>(n + 1));
            Append(blocks, SimpleBlock(1, static_cast<int16_t>(i), big));
            Append(blocks, SimpleBlock(2, static_cast<int16_t>(i), small));
            Append(out.frames[1], big);
            Append(out.frames[2], small);
        }
        clusters.push_back(MasterWithCrc(kCluster, {Uint(kTimestamp, c * 100), blocks}));
    }
    out.file = File({TrackEntry(1, 2, "A_DTS"), TrackEntry(2, 2, "A_AC3")}, clusters);
    out.checked = out.file.size() - clusters[count - 1].size() - clusters[count - 2].size();
    const int sizeLength = std::countl_zero(clusters[count - 2][4]) + 1;
    out.checkedCrc = out.checked + 4 + sizeLength + 2;
    return out;
}

// The environment that runs quarvel on a modelled storage (bench/StorageModel.c):
// a rotating disk seeking for 30 ms (in which it reads 4.5 MB at 150 MB/s), a
// network share taking 5 ms a request (150 KB at 30 MB/s). Slower than the
// benchmarks' models, so that a test machine's load, which can make a read
// wait for milliseconds, changes no decision.
std::vector<std::string> OnStorage(const std::string& model, const std::string& file) {
    if (model == "memory") {
        return {"TORVANE_REPORT_BYTES=1"};
    }
    std::string asan = "verify_asan_link_order=0";  // the model is loaded before the sanitizer
    if (const char* options = std::getenv("ASAN_OPTIONS"); options != nullptr) {
        asan = std::string(options) + ":" + asan;
    }
    return {"TORVANE_REPORT_BYTES=1",
            // One string: the variable's name and the libraries' paths.
            "LD_PRELOAD=" TORVANE_STORAGE_MODEL,  // NOLINT(bugprone-suspicious-missing-comma)
            "STORAGE_MODEL=" + model, "STORAGE_MODEL_FILE=" + file, "STORAGE_MODEL_SEEK_MS=30",
            "STORAGE_MODEL_RTT_MS=5",
            "STORAGE_MODEL_MB_S=" + std::string(model == "network" ? "30" : "150"),
            "ASAN_OPTIONS=" + asan};
}

TEST_F(TracksSynthetic, ClustersAreReadThroughOrSkippedAsTheStorageCostsAndCheckedWhenReadWhole) {
    // Gaps of 30 KB, 250 KB and 1 MB, each far from where reading through
    // and jumping cost the same on the storage it is tried on.
    const TwoTrackClusters close = MakeTwoTrackClusters(30000, 4);      // Clusters of 120 KB
    const TwoTrackClusters far = MakeTwoTrackClusters(250000, 4);       // 1 MB
    const TwoTrackClusters farther = MakeTwoTrackClusters(1000000, 4);  // 4 MB
    struct Row {
        const char* storage;  // the file in memory, or a model of a slow storage
        const TwoTrackClusters& shape;
        bool damaged;  // the last Cluster but one has a wrong CRC-32
        std::vector<int> wanted;
        bool readWhole;  // more than half the file read, else less than a quarter
        bool checked;
    };
    const Row rows[] = {
        // On the rotating disk the Clusters are read whole, and checked where
        // every track is written (or where they are small).
        {"rotating", far, true, {2}, true, false},
        {"rotating", far, true, {1, 2}, true, true},
        // On the network share a 30 KB gap costs less than a request, a 1 MB
        // one more.
        {"network", close, true, {2}, true, true},
        {"network", farther, true, {2}, false, false},
        {"network", farther, true, {1, 2}, true, true},
        // In memory, a jump costs a system call, a copy of a few kilobytes.
        {"memory", far, true, {2}, false, false},
        {"memory", far, true, {1, 2}, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.storage) + ", " + std::to_string(row.shape.file.size()) +
                     " bytes, " + std::to_string(row.wanted.size()) + " track(s)");
        Bytes file = row.shape.file;
        if (row.damaged) {
            file[row.shape.checkedCrc] ^= 1;
        }
        std::vector<std::string> targets;
        for (int t : row.wanted) {
            targets.push_back(std::to_string(t) + ":" + Out("Track" + std::to_string(t)));
        }
        const std::string source = Source(file);
        ProgramRun r = Extract(source, targets, OnStorage(row.storage, source));
        const bool checked = row.damaged && row.checked;
        EXPECT_EQ(r.status, checked ? 1 : 0) << r.err;
        EXPECT_EQ(r.err.find("quarvel: warning: CRC-32 of the Cluster at byte " +
                             std::to_string(row.shape.checked) + " does not match (stored "),
                  checked ? 0 : std::string::npos)
            << r.err;
        unsigned long long read = 0;
        const size_t at = r.err.find("bytes read: ");
        ASSERT_NE(at, std::string::npos) << r.err;
        EXPECT_EQ(std::sscanf(r.err.c_str() + at, "bytes read: %llu", &read), 1);
        if (row.readWhole) {
            EXPECT_GT(read * 2, file.size());
        } else {
            EXPECT_LT(read * 4, file.size());
        }
        for (int t : row.wanted) {
            EXPECT_TRUE(ReadOctets(Out("Track" + std::to_string(t))) == row.shape.frames[t])
                << "track " << t;
        }
    }
}

// Timestamps need the blocks' headers only: wanted alone, the frames are
// not read where they lie far apart.
TEST_F(TracksSynthetic, TimestampsAloneLeaveTheFramesUnread) {
    const TwoTrackClusters far = MakeTwoTrackClusters(250000, 4);
    ProgramRun r = RunProgram(
        kQuarvel, {"timestamps", Source(far.file), "1:" + Out("t1.txt"), "2:" + Out("t2.txt")},
        {.env = {"TORVANE_REPORT_BYTES=1"}});
    ASSERT_EQ(r.status, 0) << r.err;
    unsigned long long read = 0;
    const size_t at = r.err.find("bytes read: ");
    ASSERT_NE(at, std::string::npos) << r.err;
    EXPECT_EQ(std::sscanf(r.err.c_str() + at, "bytes read: %llu", &read), 1);
    // The first megabyte or so is read through while the pass measures what
    // jumps cost; the frames after it are jumped over.
    EXPECT_LT(read * 8, far.file.size()) << read << " of " << far.file.size();
    std::string want = "# timestamp format v2\n";
    for (size_t c = 0; c < far.clusters; ++c) {
        for (size_t i = 0; i < 4; ++i) {
            want += std::to_string(c * 100 + i) + "\n";
        }
    }
    EXPECT_EQ(ReadBytes(Out("t1.txt")), want);
    EXPECT_EQ(ReadBytes(Out("t2.txt")), want);
}

TEST_F(TracksSynthetic, ManyOutputsStayWithinTheMemoryBudget) {
    // 300 tracks written at once: their output buffers share a fixed budget.
    std::vector<std::string> targets;
    std::string src;
    {
        // Built in a scope of its own: the child starts as a copy of this
        // process, and its peak memory must not count the test's file.
        std::vector<Bytes> entries, blocks;
        for (uint64_t n = 1; n <= 300; ++n) {
            entries.push_back(TrackEntry(n, 2, "A_AC3"));
            blocks.push_back(SimpleBlock(n, 0, Bytes(300000, static_cast<uint8_t>(n))));
            targets.push_back(std::to_string(n) + ":" + Out("Track" + std::to_string(n) + ".ac3"));
        }
        src = Source(File(entries, {Cluster(0, blocks)}));
    }
    ProgramRun r = Extract(src, targets);
    ASSERT_EQ(r.status, 0) << r.err;
#ifndef QUARVEL_TEST_SANITIZED  // the sanitizers' own memory would be counted
    EXPECT_LT(r.maxRssKiB, 64 * 1024);
#endif
    EXPECT_EQ(ReadOctets(Out("Track300.ac3")), Bytes(300000, static_cast<uint8_t>(300)));
}

TEST_F(TracksSynthetic, CancelledRunRemovesItsFilesAndKeepsTheEarlierOne) {
    // Many small blocks make a pass long enough to interrupt: about 130 MB.
    const std::string src = Out("big.mkv");
    {
        std::vector<Bytes> blocks;
        for (int i = 0; i < 2000; ++i) {
            blocks.push_back(SimpleBlock(1, static_cast<int16_t>(i % 1000), Frame(48, 7)));
        }
        const Bytes cluster = Cluster(0, blocks);
        std::FILE* f = std::fopen(src.c_str(), "wb");
        const Bytes head = Cat({EbmlHeader(), Id(kSegment), UnknownSize(), Info(),
                                Tracks({TrackEntry(1, 2, "A_AC3")})});
        std::fwrite(head.data(), 1, head.size(), f);
        for (int i = 0; i < 1100; ++i) {
            std::fwrite(cluster.data(), 1, cluster.size(), f);
        }
        std::fclose(f);
    }
    WriteBytes(Out("Track1.ac3"), Text("OLD"));
    RunningProgram run(kQuarvel, {"tracks", src, "1:" + Out("Track1.ac3"), "--timestamps",
                                  "1:" + Out("Track1.txt")});
    bool seen = false;
    for (int i = 0; i < 20000 && !seen; ++i) {
        seen = PartFiles(dir_.Path()) > 0;
        if (!seen) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    ASSERT_TRUE(seen) << "the run ended before it could be interrupted";
    kill(run.Pid(), SIGTERM);
    ProgramRun r = run.Finish();
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "quarvel: track 1 (A_AC3): cancelled; nothing was written\n"
              "quarvel: timestamps of track 1 (A_AC3): cancelled; nothing was written\n");
    EXPECT_EQ(ReadBytes(Out("Track1.ac3")), "OLD");
    EXPECT_FALSE(fs::exists(Out("Track1.txt")));
    fs::remove(src);
}

// The progress is no part of the result: a reader that stops reading it ends
// nothing, and a run started without standard descriptors (as some daemons
// start it) prints it nowhere, never into the file it writes.
TEST_F(TracksSynthetic, ProgressNobodyReadsDoesNotStopTheRun) {
    const std::string src = Source(TwoTracks(TrackEntry(1, 2, "A_AC3")));
    const RunOptions rows[] = {{.readerGone = true}, {.closed = {0, 1, 2}}};
    for (const RunOptions& options : rows) {
        SCOPED_TRACE(options.readerGone ? "reader gone" : "closed");
        ProgramRun r = RunProgram(kQuarvel, {"tracks", src, "1:" + Out("Track1.ac3")}, options);
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadOctets(Out("Track1.ac3")), (Bytes{1, 2, 3}));
        fs::remove(Out("Track1.ac3"));
    }
}

// The window's progress bar follows these lines: on a file of many Clusters
// they climb in small steps, whole percentages each ending CR LF, up to 100.
TEST_F(TracksSynthetic, ProgressClimbsClusterByCluster) {
    std::vector<Bytes> clusters;
    for (uint64_t c = 0; c < 40; ++c) {
        clusters.push_back(Cluster(c * 100, {SimpleBlock(1, 0, Frame(20000, 3))}));
    }
    ProgramRun r = Extract(Source(File({TrackEntry(1, 2, "A_AC3")}, clusters)), {"1:" + Out("t1")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int> shown;
    for (size_t pos = 0, end; (end = r.out.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
        const std::string line = r.out.substr(pos, end - pos);
        ASSERT_TRUE(line.starts_with("Progress: ") && line.ends_with("%")) << line;
        shown.push_back(std::stoi(line.substr(10)));
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(r.out.ends_with("Progress: 100%\r\n")) << r.out;
    EXPECT_EQ(shown.front(), 0);
    for (size_t i = 1; i < shown.size(); ++i) {
        EXPECT_GT(shown[i], shown[i - 1]);
        EXPECT_LE(shown[i] - shown[i - 1], 5) << "a jump from " << shown[i - 1] << "%";
    }
}

TEST_F(TracksSynthetic, MissingMuxingModuleFailsOnlyItsTracks) {
    // A copy of quarvel in a folder without the module beside it.
    fs::create_directories(Out("bin"));
    fs::copy_file(kQuarvel, Out("bin/quarvel"));
    ProgramRun r =
        RunProgram(Out("bin/quarvel"), {"tracks", Fixture("codecs/multi.mkv"),
                                        "2:" + Out("Track2.ogg"), "3:" + Out("Track3.aac")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("quarvel: track 2 (A_VORBIS): ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("libquarvel_mux"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Out("Track2.ogg")));
    EXPECT_GT(fs::file_size(Out("Track3.aac")), 1000u);
}

}  // namespace
