// The format table the build places beside the programs, checked against what
// the real ostrem prints for the codec fixtures.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/Formats.h"
#include "core/Listing.h"

namespace fs = std::filesystem;

namespace {

torvane::FormatTable DefaultTable() {
    torvane::FormatTable table;
    table.LoadFromFile(TORVANE_DEFAULT_FORMATS);
    return table;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(DefaultFormats, EveryEntryReadsBackItsWholeExtension) {
    const torvane::FormatTable table = DefaultTable();
    ASSERT_GE(table.Lines().size(), 25u);
    for (const std::string& line : table.Lines()) {
        const std::size_t blank = line.rfind(' ');
        ASSERT_NE(blank, std::string::npos) << line;
        const std::string extension = line.substr(blank + 1);
        EXPECT_LE(extension.size(), 6u) << line;
        EXPECT_EQ(torvane::ExtractFormatExt(line), extension) << line;
        EXPECT_EQ(torvane::ExtractFormatType(line), line.substr(0, blank)) << line;
    }
}

TEST(DefaultFormats, BuildPlacesTheTableBesideThePrograms) {
    EXPECT_TRUE(fs::exists(std::string(TORVANE_BIN_DIR) + "/Formats.txt"));
}

TEST(DefaultFormats, AnExistingTableIsNeverReplaced) {
    QTemporaryDir dir;
    const std::string target = dir.path().toStdString() + "/Formats.txt";
    std::ofstream(target) << "(A_MINE) mine\r\n";
    const std::string script =
        fs::path(TORVANE_DEFAULT_FORMATS).parent_path() / "CopyIfMissing.cmake";
    auto copy = [&] {
        return QProcess::execute(QStringLiteral(CMAKE_COMMAND_PATH),
                                 {QStringLiteral("-DSOURCE=") + TORVANE_DEFAULT_FORMATS,
                                  QStringLiteral("-DDESTINATION=") + QString::fromStdString(target),
                                  QStringLiteral("-P"), QString::fromStdString(script)});
    };
    EXPECT_EQ(copy(), 0);
    EXPECT_EQ(ReadAll(target), "(A_MINE) mine\r\n");
    fs::remove(target);
    EXPECT_EQ(copy(), 0);
    EXPECT_EQ(ReadAll(target), ReadAll(TORVANE_DEFAULT_FORMATS));
}

TEST(DefaultFormats, RealListingLinesOfTheFixturesNeedNoQuestion) {
    const std::string ostrem = std::string(TORVANE_BIN_DIR) + "/ostrem";
    if (!fs::exists(ostrem)) {
        GTEST_SKIP() << "ostrem is not built";
    }
    const std::map<std::string, std::string> expected = {
        {"aac.mka", "aac"},       {"ac3.mka", "ac3"},           {"acm_alaw.mka", "wav"},
        {"alac.mka", "caf"},      {"ass.mks", "ass"},           {"av1.mkv", "ivf"},
        {"dts.mka", "dts"},       {"eac3.mka", "eac3"},         {"flac.mka", "flac"},
        {"h264.mkv", "h264"},     {"hevc.mkv", "h265"},         {"mp2.mka", "mp2"},
        {"mp3.mka", "mp3"},       {"mpeg1.mkv", "m1v"},         {"mpeg2.mkv", "m2v"},
        {"mpeg4asp.mkv", "m4v"},  {"opus.mka", "opus"},         {"pcm_f32le.mka", "wav"},
        {"pcm_s16be.mka", "wav"}, {"pcm_s16le.mka", "wav"},     {"pcm_s24le.mka", "wav"},
        {"pcm_s32be.mka", "wav"}, {"pcm_u8.mka", "wav"},        {"real_144.mka", "ra"},
        {"srt.mks", "srt"},       {"theora.mkv", "ogv"},        {"truehd.mka", "thd"},
        {"tta.mka", "tta"},       {"vfw_msmpeg4v2.mkv", "avi"}, {"vobsub.mks", "idx"},
        {"vorbis.mka", "ogg"},    {"wavpack.mka", "wv"},        {"webvtt.mks", "vtt"},
        {"vp8.webm", "ivf"},      {"vp9.webm", "ivf"},
    };
    for (const auto& [file, extension] : expected) {
        SCOPED_TRACE(file);
        const std::string path = std::string(TORVANE_FIXTURES_DIR) + "/codecs/" + file;
        if (!fs::exists(path)) {
            ADD_FAILURE() << "missing fixture";
            continue;
        }
        QProcess run;
        run.start(QString::fromStdString(ostrem),
                  {QStringLiteral("-i"), QString::fromStdString(path)});
        ASSERT_TRUE(run.waitForFinished(30000));
        const torvane::Listing listing =
            torvane::ConstruirListado(run.readAllStandardOutput().toStdString(), false, false);
        ASSERT_EQ(listing.items.size(), 1u);
        torvane::FormatTable table = DefaultTable();
        bool asked = false;
        const std::string kind =
            torvane::Averiguatipo(listing.items[0], table, [&](const std::string&) {
                asked = true;
                return std::string();
            });
        EXPECT_FALSE(asked) << listing.items[0];
        EXPECT_EQ(kind, extension) << listing.items[0];
    }
}
