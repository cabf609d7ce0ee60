// ostrem, run as the window runs it, on the committed fixtures and on files
// built with the test EBML writer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/EbmlWriter.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace {

using namespace ebmltest;
using namespace torvane::testsupport;

ProgramRun Ostrem(const std::vector<std::string>& args) {
    return RunProgram(Program("ostrem"), args);
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
    const auto run = Ostrem({"-i", file});
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

// Nor reach the terminal as control characters: C1 too (U+009B starts an
// escape sequence).
TEST(Ostrem, NamesCannotBreakALineNorAddAParenthesisedGroupToATrackLine) {
    TempDir dir;
    const Bytes file =
        Cat({EbmlHeader(),
             Segment({
                 Info(),
                 Tracks({TrackEntry(1, 2, "A_OPUS",
                                    {Str(kName,
                                         "Bad\r\nName (x)\tTab\xc2\x9b"
                                         "2J"),
                                     Str(kLanguage, "por"), Str(kLanguageBcp47, "pt-BR"),
                                     Uint(kFlagDefault, 0)}),
                         TrackEntry(2, 17, "S_TEXT/ASS", {Uint(kFlagDefault, 0)}),
                         TrackEntry(
                             3, 1, "V_VP9",
                             {Uint(kFlagDefault, 0),
                              Master(kVideo, {Uint(kPixelWidth, 720), Uint(kPixelHeight, 576)})})}),
                 Master(kAttachments,
                        {AttachedFile("a(1)\n\xc2\x9b.txt", "text/plain\xc2\x85", {1, 2}, 5)}),
             })});
    WriteBytes(dir.File("names.mkv"), file);
    const auto run = Ostrem({"-i", dir.File("names.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto lines = SplitCrLf(run.out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1],
              "Track ID 1: audio (A_OPUS) [language: pt-BR, name: Bad??Name [x]?Tab?2J, 8000 Hz, "
              "1 channel]");
    EXPECT_EQ(lines[2], "Track ID 2: subtitles (S_TEXT/ASS) [language: eng]");
    EXPECT_EQ(lines[3], "Track ID 3: video (V_VP9) [language: eng, 720x576]");
    // An attachment's name is read between its quotes: its parentheses stay.
    EXPECT_EQ(lines[4],
              "Attachment ID 1: type 'text/plain?', size 2 bytes, file name 'a(1)??.txt'");
}

TEST(Ostrem, HelpVersionAndUsage) {
    const auto help = Ostrem({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: ostrem -i FILE\r\n")) << help.out;
    EXPECT_NE(help.out.find("Exit status: 0 done, 1 done with warnings"), std::string::npos);
    EXPECT_TRUE(Ostrem({"--version"}).out.starts_with("ostrem "));
}

// Each fails with status 2, the reason and an empty listing, at once.
TEST(Ostrem, WhatCannotBeListedFailsWithTheReason) {
    TempDir dir;
    WriteBytes(dir.File("text.mkv"), "just some text\n");
    WriteBytes(dir.File("doctype.mkv"), EbmlHeader("\x1b]0;\x07owned\xc2\x9b"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{}, "no file given; use -i FILE (see --help)"},
        // The window runs "ostrem -i " with an empty path when the file is gone.
        {{"-i"}, "-i needs a file name (see --help)"},
        {{"-i", dir.File("missing.mkv")},
         dir.File("missing.mkv") + ": cannot open: No such file or directory"},
        {{"-i", dir.File("text.mkv")},
         dir.File("text.mkv") +
             ": at byte 0: not a Matroska file: expected the EBML header (1A 45 DF A3), found 6A "
             "75 73 74"},
        // Text from the file is cleaned in messages too.
        {{"-i", dir.File("doctype.mkv")},
         dir.File("doctype.mkv") +
             ": at byte 0: not a Matroska file: DocType is '?]0;?owned?', expected 'matroska' or "
             "'webm'"},
        {{"-i", dir.Path()}, dir.Path() + ": cannot open: it is a folder"},
        // A pipe nobody writes to is refused, not waited on; so is a device.
        {{"-i", dir.File("fifo")}, dir.File("fifo") + ": cannot open: not a regular file"},
        {{"-i", "/dev/zero"}, "/dev/zero: cannot open: not a regular file"},
    };
    for (const auto& [args, reason] : rows) {
        const auto run = RunProgram(Program("ostrem"), args, {.timeoutSeconds = 20});
        EXPECT_FALSE(run.timedOut) << reason;
        EXPECT_EQ(run.status, 2) << reason;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "ostrem: " + reason + "\n");
    }
}

TEST(Ostrem, ADamagedFileListsWhatCouldBeReadWithStatus1) {
    TempDir dir;
    const Bytes good = TrackEntry(1, 2, "A_AC3");
    const Bytes file =
        Cat({EbmlHeader(), Segment({Info(), Master(kTracks, {good, Bytes{0, 0, 0, 0}})})});
    WriteBytes(dir.File("d.mkv"), file);
    const auto run = Ostrem({"-i", dir.File("d.mkv")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Track ID 1: audio (A_AC3)"), std::string::npos);
    EXPECT_NE(run.err.find(": warning: at byte "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("expected an element ID, found byte 00 inside Tracks"),
              std::string::npos);
}

TEST(Ostrem, NeitherToolLoadsFfmpeg) {
    for (const char* tool : {"ostrem", "quarvel"}) {
        const auto run = RunProgram("/usr/bin/ldd", {Program(tool)});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.find("libav"), std::string::npos) << tool << ":\n" << run.out;
        EXPECT_EQ(run.out.find("libQt"), std::string::npos) << tool;
    }
}

}  // namespace
