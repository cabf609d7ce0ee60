// The batch rule as a text file: what the window saves reads back the same,
// a file written by hand reads as documented, and every fault of a file,
// hostile ones included, is refused with its line and a clear message.
#include "core/BatchRuleFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "core/Exception.h"
#include "core/UserTexts.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using Kind = RuleFileProblem::Kind;
using namespace std::string_literals;
using testsupport::TempDir;
using testsupport::WriteBytes;

RuleFileContents SpanishAudioFonts() {
    RuleFileContents contents;
    contents.rule.For(TrackType::Audio) = {true, std::set<std::string>{"spa", "es-ES"},
                                           std::set<std::string>{"A_AAC", "A_AC3"}};
    contents.rule.For(TrackType::Subtitles) = {true, std::nullopt, std::set<std::string>{}};
    contents.rule.For(TrackType::Video).languages = std::set<std::string>{"und"};
    contents.rule.attachments = {AttachmentKind::Font};
    contents.rule.chapters = ChapterFormat::SimpleText;
    contents.layout = OutputLayout::PrefixedNames;
    return contents;
}

TEST(BatchRuleFile, WhatIsSavedReadsBackTheSame) {
    RuleFileContents everything;
    for (TrackChoice& choice : everything.rule.tracks) {
        choice.wanted = true;
    }
    everything.rule.attachments = {kAttachmentKinds.begin(), kAttachmentKinds.end()};
    everything.rule.chapters = ChapterFormat::Xml;
    everything.rule.tags = true;
    RuleFileContents imagesAndOther;
    imagesAndOther.rule.attachments = {AttachmentKind::Image, AttachmentKind::Other};
    for (const RuleFileContents& contents :
         {RuleFileContents(), SpanishAudioFonts(), everything, imagesAndOther}) {
        const RuleFileRead read = ReadRuleText(RuleFileText(contents));
        ASSERT_TRUE(read.contents) << RuleFileText(contents);
        EXPECT_TRUE(*read.contents == contents) << RuleFileText(contents);
    }
    // Every key written, each on a line of its own ending in CR LF.
    EXPECT_EQ(RuleFileText(SpanishAudioFonts()),
              "torvane batch rule 1\r\n"
              "# What Torvane's batch window extracts from every file: Load rule... there,\r\n"
              "# or torvane --batch RULE FOLDER_OR_FILE... --output DIR (see man torvane).\r\n"
              "video = no\r\nvideo languages = und\r\nvideo codecs = any\r\n"
              "audio = yes\r\naudio languages = es-ES spa\r\naudio codecs = A_AAC A_AC3\r\n"
              "subtitles = yes\r\nsubtitles languages = any\r\nsubtitles codecs = none\r\n"
              "attachments = fonts\r\nchapters = text\r\ntags = no\r\nlayout = prefixed\r\n");
}

TEST(BatchRuleFile, AFileWrittenByHandReadsAsDocumented) {
    // A byte-order mark, LF and CR LF, comments, blanks anywhere, keys left
    // out.
    const RuleFileRead read = ReadRuleText(
        "\xEF\xBB\xBFtorvane  batch rule 1\n"
        "# Spanish audio of two codecs\r\n"
        "\n"
        "   audio=yes\n"
        "audio   languages =  spa\tes-ES \n"
        "audio codecs = A_AAC A_AC3\n"
        "  # and the subtitles, no codec\n"
        "subtitles = yes\n"
        "subtitles codecs = none\n"
        "video languages = und\n"
        "attachments = fonts\n"
        "chapters = text\n"
        "layout = prefixed");
    ASSERT_TRUE(read.contents) << static_cast<int>(read.problem.kind);
    EXPECT_TRUE(*read.contents == SpanishAudioFonts());
    // The heading alone: nothing is taken, as in a window just opened but
    // for its audio and subtitles.
    const RuleFileRead bare = ReadRuleText("torvane batch rule 1\r\n");
    ASSERT_TRUE(bare.contents);
    EXPECT_TRUE(*bare.contents == RuleFileContents());
}

TEST(BatchRuleFile, EveryFaultIsRefusedWithItsLine) {
    struct Row {
        std::string text;
        Kind kind;
        std::size_t line;
        const char* message;  // in English, for the file "r"
    };
    const Row rows[] = {
        {"", Kind::NotARule, 1,
         "\"r\" is not a Torvane batch rule: its first line must be \"torvane batch rule 1\"."},
        {"# torvane batch rule 1\naudio = yes\n", Kind::NotARule, 1, nullptr},
        {"torvane batch rule\n", Kind::NotARule, 1, nullptr},
        {"torvane batch rule 1.0\n", Kind::NotARule, 1, nullptr},
        {"\x1A\x45\xDF\xA3\x01", Kind::NotARule, 1, nullptr},
        {"torvane batch rule 2\n", Kind::NewerVersion, 1,
         "\"r\" is a batch rule of version 2; this Torvane reads version 1."},
        {"torvane batch rule 1\naudio = yes\n\xC3\x28 = 1\n", Kind::NotText, 3,
         "\"r\", line 3: not UTF-8 text."},
        {"torvane batch rule 1\naudio = y\x1B[0mes\n", Kind::ControlChar, 2, nullptr},
        {"torvane batch rule 1\naudio = yes\0\n"s, Kind::ControlChar, 2, nullptr},
        {"torvane batch rule 1\naudio yes\n", Kind::NoEquals, 2,
         "\"r\", line 2: expected \"key = value\"."},
        {"torvane batch rule 1\naudio language = spa\n", Kind::UnknownKey, 2,
         "\"r\", line 2: unknown key \"audio language\"."},
        {"torvane batch rule 1\nAudio = yes\n", Kind::UnknownKey, 2, nullptr},
        {"torvane batch rule 1\naudio = Yes\n", Kind::BadValue, 2,
         "\"r\", line 2: \"Yes\" is not a value of \"audio\"; expected yes | no."},
        {"torvane batch rule 1\naudio codecs =\n", Kind::BadValue, 2, nullptr},
        {"torvane batch rule 1\nattachments = fonts pictures\n", Kind::BadValue, 2,
         "\"r\", line 2: \"fonts pictures\" is not a value of \"attachments\"; expected all | "
         "none | [fonts] [images] [other]."},
        {"torvane batch rule 1\nchapters = XML\n", Kind::BadValue, 2, nullptr},
        {"torvane batch rule 1\nlayout = folder\n", Kind::BadValue, 2, nullptr},
        {"torvane batch rule 1\ntags = yes\n\ntags = no\n", Kind::Twice, 4,
         "\"r\", line 4: \"tags\" was already given on line 2."},
        {"torvane batch rule 1\naudio languages = spa none\n", Kind::MixedList, 2,
         "\"r\", line 2: in \"audio languages\", \"none\" stands alone."},
        {"torvane batch rule 1\nattachments = fonts all\n", Kind::MixedList, 2, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const RuleFileRead read = ReadRuleText(row.text);
        EXPECT_FALSE(read.contents);
        EXPECT_EQ(read.problem.kind, row.kind);
        EXPECT_EQ(read.problem.line, row.line);
        if (row.message != nullptr) {
            EXPECT_EQ(RuleProblemText(read.problem, "r", Language::English), row.message);
        }
    }
    // A long key is shown cut, never inside a character.
    const RuleFileRead longKey =
        ReadRuleText("torvane batch rule 1\n" + std::string(59, 'k') + "é" + "kkk = 1\n");
    EXPECT_EQ(longKey.problem.key, std::string(59, 'k') + "…");
    // Spanish too.
    EXPECT_EQ(RuleProblemText(ReadRuleText("torvane batch rule 1\ntags = si\n").problem, "r",
                              Language::Spanish),
              "\"r\", línea 2: \"si\" no es un valor de \"tags\"; se esperaba yes | no.");
}

TEST(BatchRuleFile, OnlyASmallRegularFileIsRead) {
    TempDir dir;
    const std::string rule = dir.File("a.rule");
    WriteBytes(rule, RuleFileText(SpanishAudioFonts()));
    ASSERT_TRUE(LoadRuleFile(rule).contents);
    EXPECT_TRUE(*LoadRuleFile(rule).contents == SpanishAudioFonts());

    WriteBytes(dir.File("large.rule"),
               "torvane batch rule 1\n" + std::string(kMaxRuleFileBytes, '#'));
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
#endif
    struct Row {
        std::string path;
        Kind kind;
        std::string message;
    };
    for (const Row& row : {
             Row{dir.File("missing.rule"), Kind::NotFound,
                 "The rule file \"" + dir.File("missing.rule") + "\" does not exist."},
             Row{dir.Path(), Kind::NotAFile,
                 "\"" + dir.Path() + "\" is not a file: a rule is a text file."},
#ifndef _WIN32
             // Opening a pipe nobody writes to would wait for ever.
             Row{dir.File("pipe"), Kind::NotAFile, ""},
#endif
             Row{dir.File("large.rule"), Kind::TooLarge,
                 "\"" + dir.File("large.rule") +
                     "\" is not a Torvane batch rule: it is larger than 64 KiB."},
         }) {
        const RuleFileRead read = LoadRuleFile(row.path);
        EXPECT_FALSE(read.contents) << row.path;
        EXPECT_EQ(read.problem.kind, row.kind) << row.path;
        if (!row.message.empty()) {
            EXPECT_EQ(RuleProblemText(read.problem, row.path, Language::English), row.message);
        }
    }
}

TEST(BatchRuleFile, SavingReplacesTheFileAndRefusesACodeItCannotHold) {
    TempDir dir;
    const std::string rule = dir.File("a.rule");
    WriteBytes(rule, "an older rule");
    SaveRuleFile(rule, SpanishAudioFonts(), Language::English);
    EXPECT_EQ(testsupport::ReadBytes(rule), RuleFileText(SpanishAudioFonts()));

    for (const char* code : {"A B", "", "any", "none", "x\x7F"}) {
        RuleFileContents contents;
        contents.rule.For(TrackType::Audio).codecs = std::set<std::string>{"A_AAC", code};
        EXPECT_EQ(UnsavableCode(contents), std::string(code));
        EXPECT_THROW(SaveRuleFile(rule, contents, Language::English), Exception) << code;
    }
    EXPECT_EQ(testsupport::ReadBytes(rule), RuleFileText(SpanishAudioFonts()));
    EXPECT_EQ(UnsavableCode(SpanishAudioFonts()), std::nullopt);
    EXPECT_THROW(SaveRuleFile(dir.File("no folder/a.rule"), SpanishAudioFonts(), Language::English),
                 IoError);
}

TEST(UserTexts, EveryKeyHasOneTextInEachLanguageAndArgumentsGoInOnce) {
    std::set<UserText> keys;
    for (const UserTextRow& row : UserTextRows()) {
        EXPECT_TRUE(keys.insert(row.key).second) << static_cast<int>(row.key);
        EXPECT_FALSE(row.spanish.empty()) << static_cast<int>(row.key);
        EXPECT_FALSE(row.english.empty()) << static_cast<int>(row.key);
    }
    EXPECT_EQ(keys.size(), static_cast<std::size_t>(UserText::BatchRuleFilter) + 1);
    EXPECT_EQ(Filled("%2 and %1, %3 %", {"a%2", "b"}), "b and a%2, %3 %");
    EXPECT_EQ(TextOf(UserText::BatchFileDone, Language::Unrecognised), "done");
}

}  // namespace
}  // namespace torvane
