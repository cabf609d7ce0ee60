// ostrem, run as the window runs it, on the committed fixtures and on files
// built with the test EBML writer.
#include <gtest/gtest.h>

#include "tests/support/EbmlWriter.h"
#include "tests/tools/ToolRunner.h"

namespace {

using namespace ebmltest;
using tooltest::Fixture;
using tooltest::RunTool;
using tooltest::Tool;

std::string AsString(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// The window's readers of listing lines, as they are defined for it.
std::string ExtraerID(const std::string& line) {
    if (line.size() < 15)
        return "";
    const size_t colon = line.find(':', 14);
    return line.substr(14, colon == std::string::npos ? std::string::npos : colon - 14);
}
std::string Extraerfilename(const std::string& line) {
    const size_t p = line.find("file name");
    const size_t start = p == std::string::npos ? 10 : p + 11;
    if (start >= line.size())
        return "";
    const size_t end = line.find('\'', start);
    std::string name =
        line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    for (char& c : name) {
        if (c == ' ')
            c = '_';
    }
    return name;
}
std::string ExtractFormatType(const std::string& line) {
    std::string out;
    bool on = false;
    for (char c : line) {
        if (c == '(')
            on = true;
        if (on)
            out += c;
        if (c == ')')
            on = false;
    }
    return out;
}
std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2) {
        lines.push_back(text.substr(from, at - from));
    }
    EXPECT_EQ(from, text.size()) << "output does not end with CR LF";
    return lines;
}

TEST(Ostrem, ListingOfTheFixtureIsExact) {
    const std::string file = Fixture("full.mkv");
    const auto run = RunTool(Tool("ostrem"), {"-i", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(
        run.out,
        "File '" + file +
            "': container: Matroska\r\n"
            "Track ID 1: video (V_MPEG4/ISO/ASP) [language: und, 64x48]\r\n"
            "Track ID 2: audio (A_AAC) [language: spa, name: Español, 48000 Hz, 1 channel, "
            "default]\r\n"
            "Track ID 3: audio (A_AC3) [language: eng, name: Commentary [director], 44100 Hz, 1 "
            "channel]\r\n"
            "Track ID 4: audio (A_VORBIS) [language: ger, name: Deutsch, 22050 Hz, 2 channels]\r\n"
            "Track ID 5: subtitles (S_TEXT/UTF8) [language: fre, name: Français, default, "
            "forced]\r\n"
            "Track ID 6: subtitles (S_TEXT/UTF8) [language: spa]\r\n"
            "Attachment ID 1: type 'application/x-truetype-font', size 1024 bytes, file name 'font "
            "stub.ttf'\r\n"
            "Attachment ID 2: type 'image/png', size 275 bytes, file name 'cover.png'\r\n"
            "Attachment ID 3: type 'text/plain', size 38 bytes, file name 'notes.txt'\r\n");
}

TEST(Ostrem, TheWindowsReadersGetIdsNamesAndCodecKeysFromEveryLine) {
    const auto run = RunTool(Tool("ostrem"), {"-i", Fixture("full.mkv")});
    const auto lines = SplitCrLf(run.out);
    ASSERT_EQ(lines.size(), 10u);
    const std::vector<std::string> codecs = {"V_MPEG4/ISO/ASP", "A_AAC",       "A_AC3",
                                             "A_VORBIS",        "S_TEXT/UTF8", "S_TEXT/UTF8"};
    for (size_t i = 0; i < codecs.size(); ++i) {
        const std::string& line = lines[i + 1];
        EXPECT_EQ(ExtractFormatType(line), "(" + codecs[i] + ")") << line;
        EXPECT_EQ(line.find("Attachment ID"), std::string::npos);
    }
    const std::vector<std::string> names = {"font_stub.ttf", "cover.png", "notes.txt"};
    for (size_t k = 0; k < names.size(); ++k) {
        const std::string& line = lines[7 + k];
        EXPECT_EQ(line.rfind("Attachment ID ", 0), 0u);
        EXPECT_EQ(ExtraerID(line), std::to_string(k + 1));
        EXPECT_EQ(Extraerfilename(line), names[k]);
        EXPECT_EQ(ExtractFormatType(line), "");
    }
}

TEST(Ostrem, NamesCannotBreakALineNorAddAParenthesisedGroup) {
    tooltest::TempDir dir;
    const Bytes file =
        Cat({EbmlHeader(),
             Segment({
                 Info(),
                 Tracks({TrackEntry(1, 2, "A_OPUS",
                                    {Str(kName, "Bad\r\nName (x)\tTab"), Str(kLanguage, "por"),
                                     Str(kLanguageBcp47, "pt-BR"), Uint(kFlagDefault, 0)}),
                         TrackEntry(2, 17, "S_TEXT/ASS", {Uint(kFlagDefault, 0)}),
                         TrackEntry(
                             3, 1, "V_VP9",
                             {Uint(kFlagDefault, 0),
                              Master(kVideo, {Uint(kPixelWidth, 720), Uint(kPixelHeight, 576)})})}),
                 Master(kAttachments, {AttachedFile("a(1)\n.txt", "text/plain", {1, 2}, 5)}),
             })});
    tooltest::WriteBytes(dir.File("names.mkv"), AsString(file));
    const auto run = RunTool(Tool("ostrem"), {"-i", dir.File("names.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto lines = SplitCrLf(run.out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1],
              "Track ID 1: audio (A_OPUS) [language: pt-BR, name: Bad??Name [x]?Tab, 8000 Hz, 1 "
              "channel]");
    EXPECT_EQ(lines[2], "Track ID 2: subtitles (S_TEXT/ASS) [language: eng]");
    EXPECT_EQ(lines[3], "Track ID 3: video (V_VP9) [language: eng, 720x576]");
    EXPECT_EQ(lines[4], "Attachment ID 1: type 'text/plain', size 2 bytes, file name 'a[1]?.txt'");
}

TEST(Ostrem, HelpVersionAndUsageErrors) {
    const auto help = RunTool(Tool("ostrem"), {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: ostrem -i FILE\r\n"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status: 0 done, 1 done with warnings"), std::string::npos);
    EXPECT_NE(help.out.find("2 failed"), std::string::npos);
    const auto version = RunTool(Tool("ostrem"), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("ostrem ", 0), 0u);

    const auto none = RunTool(Tool("ostrem"), {});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "ostrem: no file given; use -i FILE (see --help)\n");
    // The window runs "ostrem -i " with an empty path when the file is gone.
    const auto empty = RunTool(Tool("ostrem"), {"-i"});
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "ostrem: -i needs a file name (see --help)\n");
}

TEST(Ostrem, FilesThatCannotBeReadFailWithTheReasonAndPrintNothing) {
    tooltest::TempDir dir;
    const auto missing = RunTool(Tool("ostrem"), {"-i", dir.File("missing.mkv")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err,
              "ostrem: " + dir.File("missing.mkv") + ": cannot open: No such file or directory\n");

    tooltest::WriteBytes(dir.File("text.mkv"), "just some text\n");
    const auto text = RunTool(Tool("ostrem"), {"-i", dir.File("text.mkv")});
    EXPECT_EQ(text.status, 2);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err,
              "ostrem: " + dir.File("text.mkv") +
                  ": at byte 0: not a Matroska file: expected the EBML header (1A 45 DF A3), "
                  "found 6A 75 73 74\n");

    const auto folder = RunTool(Tool("ostrem"), {"-i", dir.Path()});
    EXPECT_EQ(folder.status, 2);
    EXPECT_EQ(folder.out, "");
    EXPECT_EQ(folder.err, "ostrem: " + dir.Path() + ": cannot open: it is a folder\n");
}

TEST(Ostrem, ADamagedFileListsWhatCouldBeReadWithStatus1) {
    tooltest::TempDir dir;
    const Bytes good = TrackEntry(1, 2, "A_AC3");
    const Bytes file =
        Cat({EbmlHeader(), Segment({Info(), Master(kTracks, {good, Bytes{0, 0, 0, 0}})})});
    tooltest::WriteBytes(dir.File("d.mkv"), AsString(file));
    const auto run = RunTool(Tool("ostrem"), {"-i", dir.File("d.mkv")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Track ID 1: audio (A_AC3)"), std::string::npos);
    EXPECT_NE(run.err.find(": warning: at byte "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("expected an element ID, found byte 00 inside Tracks"),
              std::string::npos);
}

TEST(Ostrem, NeitherToolLoadsFfmpeg) {
    for (const char* tool : {"ostrem", "quarvel"}) {
        const auto run = RunTool("/usr/bin/ldd", {Tool(tool)});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.find("libav"), std::string::npos) << tool << ":\n" << run.out;
        EXPECT_EQ(run.out.find("libQt"), std::string::npos) << tool;
    }
}

}  // namespace
