// The real `quarvel tracks` on the container fixtures: the program finds the
// module beside itself, writes each track, and FFmpeg's demuxer (the oracle)
// finds the source's packets in what it wrote. Without the module, those
// tracks fail with a message and the others are still written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/oracle/Oracle.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
namespace oracle = torvane::oracle;
using torvane::testsupport::ProgramRun;
using torvane::testsupport::RunProgram;
using torvane::testsupport::TempDir;

std::string Fixture(const std::string& name) {
    return std::string(TORVANE_FIXTURES_DIR) + "/codecs/" + name;
}

std::string Quarvel() {
    return std::string(TORVANE_BIN_DIR) + "/quarvel";
}

struct Case {
    const char* fixture;
    const char* format;
};

class QuarvelMux : public ::testing::TestWithParam<Case> {};

TEST_P(QuarvelMux, WritesTheTrackInItsContainer) {
    if (!fs::exists(Quarvel())) {
        GTEST_SKIP() << "quarvel is not built";
    }
    const Case& c = GetParam();
    TempDir dir;
    const std::string out = dir.File("out.any");  // the format follows the codec, not the name
    const ProgramRun r = RunProgram(Quarvel(), {"tracks", Fixture(c.fixture), "1:" + out});
    if (std::string(c.fixture) == "tta.mka") {
        // This file keeps no TTA header, so the length of its last frame
        // comes from the file's duration; a .tta written without it must
        // say so rather than pass as good.
        ASSERT_TRUE(r.status == 0 || r.status == 1) << r.err;
        if (r.status == 1) {
            EXPECT_NE(r.err.find("last TTA frame"), std::string::npos) << r.err;
        } else {
            std::string decodeError;
            EXPECT_TRUE(oracle::DecodeAudio(out, -1, &decodeError)) << decodeError;
        }
    } else {
        ASSERT_EQ(r.status, 0) << r.err;
    }

    std::string error;
    const auto src = oracle::Read(Fixture(c.fixture), {}, &error);
    ASSERT_TRUE(src) << error;
    const auto got = oracle::Read(out, {}, &error);
    ASSERT_TRUE(got) << error;
    EXPECT_EQ(got->formatName, c.format);
    ASSERT_EQ(got->streams.size(), 1u);
    const oracle::Stream& a = got->streams[0];
    const oracle::Stream& b = src->streams[0];
    EXPECT_EQ(a.codecName, b.codecName);
    const std::string fixture = c.fixture;
    if (fixture == "real_144.mka") {
        EXPECT_TRUE(oracle::Concat(a) == oracle::Concat(b));
    } else {
        ASSERT_EQ(a.packets.size(), b.packets.size());
        for (size_t i = 0; i < a.packets.size(); ++i) {
            std::vector<uint8_t> x = a.packets[i].data, y = b.packets[i].data;
            if (fixture == "wavpack.mka" && x.size() >= 32 && y.size() >= 32) {
                // Only the running block index and the total may differ.
                std::fill(x.begin() + 12, x.begin() + 20, 0);
                std::fill(y.begin() + 12, y.begin() + 20, 0);
            }
            ASSERT_TRUE(x == y) << "packet " << i;
        }
    }
    // No temporary file is left beside the output.
    for (const auto& entry : fs::directory_iterator(dir.File(""))) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "out.any" || name == "stdout.txt" || name == "stderr.txt") << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, QuarvelMux,
                         ::testing::Values(Case{"vorbis.mka", "ogg"}, Case{"opus.mka", "ogg"},
                                           Case{"theora.mkv", "ogg"},
                                           Case{"vfw_msmpeg4v2.mkv", "avi"},
                                           Case{"alac.mka", "caf"}, Case{"wavpack.mka", "wv"},
                                           Case{"tta.mka", "tta"}, Case{"real_144.mka", "rm"}),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             const std::string name = param.param.fixture;
                             return name.substr(0, name.find('.'));
                         });

// The Ogg output plays: FFmpeg decodes exactly the source's audio from it.
// (The granule positions follow the Vorbis mapping, where the first audio
// packet yields no samples. FFmpeg's Ogg demuxer agrees for streams of more
// than one page; for a stream that fits in a single page it counts that
// packet and trims 128 samples off the end, so a multi-page fixture is used.)
TEST(QuarvelMuxPlays, VorbisOutputDecodesToTheSourceAudio) {
    if (!fs::exists(Quarvel())) {
        GTEST_SKIP() << "quarvel is not built";
    }
    TempDir dir;
    const ProgramRun r =
        RunProgram(Quarvel(), {"tracks", Fixture("vorbis.mka"), "1:" + dir.File("b.ogg")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string error;
    const auto a = oracle::DecodeAudio(dir.File("b.ogg"), -1, &error);
    ASSERT_TRUE(a) << error;
    const auto b = oracle::DecodeAudio(Fixture("vorbis.mka"), -1, &error);
    ASSERT_TRUE(b) << error;
    EXPECT_EQ(a->samples, b->samples);
    EXPECT_TRUE(a->pcm == b->pcm);
}

// A quarvel without its module beside it still writes every track that does
// not need one, and names the missing file for the track that does.
TEST(QuarvelMuxMissing, OtherTracksAreStillWritten) {
    if (!fs::exists(Quarvel())) {
        GTEST_SKIP() << "quarvel is not built";
    }
    TempDir bin;
    const std::string lonely = bin.File("quarvel");
    fs::copy_file(Quarvel(), lonely);
    fs::permissions(lonely, fs::perms::owner_all);
    TempDir dir;
    const ProgramRun r =
        RunProgram(lonely, {"tracks", Fixture("multi.mkv"), "1:" + dir.File("a.h264"),
                            "2:" + dir.File("b.ogg"), "4:" + dir.File("c.srt")});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(bin.File("libquarvel_mux.so")), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("A_VORBIS"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.File("b.ogg")));
    EXPECT_GT(fs::file_size(dir.File("a.h264")), 0u);
    EXPECT_GT(fs::file_size(dir.File("c.srt")), 0u);
}

}  // namespace
