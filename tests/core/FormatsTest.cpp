#include "core/Formats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Exception.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Lines = std::vector<std::string>;

// Records every question and answers from a script.
struct ScriptedDialog {
    std::vector<std::string> answers;
    std::vector<std::string> asked;
    AskExtensionFn fn() {
        return [this](const std::string& label) {
            asked.push_back(label);
            const std::string answer = answers.empty() ? std::string() : answers.front();
            if (!answers.empty()) {
                answers.erase(answers.begin());
            }
            return answer;
        };
    }
};

FormatTable Table(const std::string& text) {
    FormatTable t;
    t.LoadFromBytes(text);
    return t;
}

TEST(ExtractFormatType, ConcatenatesParenthesisedGroups) {
    EXPECT_EQ(ExtractFormatType("k (ab) m (de)"), "(ab)(de)");
    EXPECT_EQ(ExtractFormatType("x (y"), "(y");
    EXPECT_EQ(ExtractFormatType("((a)b)"), "((a)");
    EXPECT_EQ(ExtractFormatType(""), "");
    EXPECT_EQ(ExtractFormatType("no brackets ) here"), "");
    EXPECT_EQ(ExtractFormatType("Track ID 2: audio (A_AC3) [lang:eng]"), "(A_AC3)");
}

TEST(ExtractFormatExt, ReadsAfterFirstBlankOfLastSevenBytes) {
    EXPECT_EQ(ExtractFormatExt("(A_DTS) dts"), "dts");
    EXPECT_EQ(ExtractFormatExt("(V_X) abcdef"), "abcdef");  // six read back whole
    EXPECT_EQ(ExtractFormatExt("(V_X) abcdefg"), "");       // seven do not
    EXPECT_EQ(ExtractFormatExt("(V_X) ab cd"), "ab cd");    // later blanks kept
    EXPECT_EQ(ExtractFormatExt("(A) b"), "b");              // shorter than seven
    EXPECT_EQ(ExtractFormatExt("(A_AC3) "), "");
    EXPECT_EQ(ExtractFormatExt(""), "");
}

// Which rule gives the kind of a line: the built-in rows in order, the later
// winning, then the table's entries, the last winning; the pseudo-items are
// never overridden; a codec none of them knows is "ext".
TEST(ClassifyCodec, LaterRuleWinsAndTheTableComesAfterTheBuiltInRows) {
    struct Row {
        const char* table;
        const char* line;
        const char* kind;
    };
    for (const Row& row : {
             Row{"", "Track ID 5: subtitles (S_TEXT/UTF8)", "srt"},
             Row{"", "Chapters ID", "Chapters"},
             Row{"", "Tags ID", "Tags"},
             // Row 13 comes after the codec rows.
             Row{"", "Attachment ID 1: type 'x', size 1 bytes, file name 'A_AC3 notes.txt'", "att"},
             Row{"", "A_AC3 and A_VORBIS", "ogg"},
             Row{"", "Chapters ID Tags ID", "Tags"},
             Row{"(A_AC3) eac3\r\n", "Track ID 1: audio (A_AC3)", "eac3"},
             Row{"(A_DTS) dts\r\n(A_DTS) dtshd\r\n", "Track ID 2: audio (A_DTS)", "dtshd"},
             // The table comes after row 13: a key inside an attachment's name wins.
             Row{"(A_DTS) dts\r\n", "Attachment ID 1: file name '(A_DTS).txt'", "dts"},
             Row{"(Chapters ID) x\r\n() y\r\nChapters ID z\r\n", "Chapters ID", "Chapters"},
             Row{"(Chapters ID) x\r\n() y\r\nChapters ID z\r\n", "Tags ID", "Tags"},
             Row{"(A_AC3) eac3\r\n", "Track ID 1: audio (A_NEW)", "ext"},
         }) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(ClassifyCodec(row.line, Table(row.table)), row.kind);
    }
}

TEST(ClassifyOrAsk, UnknownCodecAsksOnceAndAppendsAnswer) {
    FormatTable t = Table("");
    ScriptedDialog dialog{{"xyz"}, {}};
    const std::string line = "Track ID 1: video (V_NUEVO)";
    EXPECT_EQ(ClassifyOrAsk(line, t, dialog.fn()), "xyz");
    EXPECT_EQ(dialog.asked, (Lines{"(V_NUEVO) Formato desconocido para Torvane, por favor:"}));
    EXPECT_EQ(t.Lines(), (Lines{"(V_NUEVO) xyz"}));

    EXPECT_EQ(ClassifyOrAsk(line, t, dialog.fn()), "xyz");
    EXPECT_EQ(dialog.asked.size(), 1u);
    EXPECT_EQ(t.ToBytes(), "(V_NUEVO) xyz\r\n");
}

TEST(CheckExtension, RefusesWhatTheTableCannotReadBack) {
    struct Row {
        const char* extension;
        ExtensionProblem problem;
    };
    for (const Row& row :
         {Row{"dts", ExtensionProblem::None}, Row{"abcdef", ExtensionProblem::None},
          Row{".mkv", ExtensionProblem::None}, Row{"EXT", ExtensionProblem::None},
          Row{"", ExtensionProblem::Empty}, Row{"abcdefg", ExtensionProblem::TooLong},
          Row{"a b", ExtensionProblem::Blank}, Row{"a\tb", ExtensionProblem::Blank},
          Row{" ", ExtensionProblem::Blank}, Row{"a(b", ExtensionProblem::Bracket},
          Row{"ext", ExtensionProblem::Reserved}}) {
        EXPECT_EQ(CheckExtension(row.extension), row.problem) << row.extension;
    }
    // What passes reads back whole from its entry.
    for (const char* extension : {"dts", "abcdef", ".mkv", "a)b"}) {
        const std::string entry = std::string("(V_X) ") + extension;
        EXPECT_EQ(ExtractFormatType(entry), "(V_X)");
        EXPECT_EQ(ExtractFormatExt(entry), extension);
    }
}

TEST(ClassifyOrAsk, RefusedAnswerIsNotStoredAndAskedAgain) {
    FormatTable t = Table("");
    ScriptedDialog dialog{{"", "abcdefg", "ext", "abcdef"}, {}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(ClassifyOrAsk("(V_L)", t, dialog.fn()), "");
        EXPECT_TRUE(t.Lines().empty());
    }
    EXPECT_EQ(ClassifyOrAsk("(V_L)", t, dialog.fn()), "abcdef");
    EXPECT_EQ(ClassifyOrAsk("(V_L)", t, dialog.fn()), "abcdef");
    EXPECT_EQ(dialog.asked.size(), 4u);
    EXPECT_EQ(t.Lines(), (Lines{"(V_L) abcdef"}));
}

TEST(ClassifyOrAsk, LineWithoutParenthesisAsksEveryTime) {
    FormatTable t = Table("");
    ScriptedDialog dialog{{"a", "b"}, {}};
    EXPECT_EQ(ClassifyOrAsk("some other line", t, dialog.fn()), "a");
    EXPECT_EQ(ClassifyOrAsk("some other line", t, dialog.fn()), "b");
    EXPECT_EQ(dialog.asked, (Lines{" Formato desconocido para Torvane, por favor:",
                                   " Formato desconocido para Torvane, por favor:"}));
    EXPECT_EQ(t.Lines(), (Lines{" a", " b"}));
}

TEST(FormatTable, ReadsAnyBreakWritesCrLfAndAppendsAfterTheLastBreak) {
    struct Row {
        const char* text;
        Lines lines;
        const char* bytes;
        const char* afterAppends;  // after appending "(B) y" and "(C) z"
    };
    for (const Row& row : {
             Row{"a\r\nb\nc\r",
                 {"a", "b", "c"},
                 "a\r\nb\r\nc\r\n",
                 "a\r\nb\r\nc\r\n(B) y\r\n(C) z\r\n"},
             // Empty lines in between are lines.
             Row{"a\n\nb\n", {"a", "", "b"}, "a\r\n\r\nb\r\n", "a\r\n\r\nb\r\n(B) y\r\n(C) z\r\n"},
             Row{"a\r\r\nb", {"a", "", "b"}, "a\r\n\r\nb", "a\r\n\r\nb\r\n(B) y\r\n(C) z"},
             Row{"\n\n", {"", ""}, "\r\n\r\n", "\r\n\r\n(B) y\r\n(C) z\r\n"},
             // A missing final break is kept.
             Row{"a\nb", {"a", "b"}, "a\r\nb", "a\r\nb\r\n(B) y\r\n(C) z"},
             Row{"", {}, "", "(B) y\r\n(C) z\r\n"},
         }) {
        SCOPED_TRACE(::testing::PrintToString(std::string(row.text)));
        FormatTable t = Table(row.text);
        EXPECT_TRUE(t.Loaded());
        EXPECT_EQ(t.Lines(), row.lines);
        EXPECT_EQ(t.ToBytes(), row.bytes);
        t.Append("(B) y");
        t.Append("(C) z");
        EXPECT_EQ(t.ToBytes(), row.afterAppends);
    }
    for (const char* text : {"a\r\nb\r\nc\r\n", "a\nb\nc\n", "a\rb\rc\r"}) {
        EXPECT_EQ(Table(text).ToBytes(), "a\r\nb\r\nc\r\n");
    }
}

TEST(FormatTable, FileRoundTripAndMissingFile) {
    TempDir dir;
    const std::string path = dir.File("Formats.txt");

    FormatTable missing;
    EXPECT_FALSE(missing.Loaded());
    missing.LoadFromFile(path);
    EXPECT_TRUE(missing.Loaded());
    EXPECT_TRUE(missing.Lines().empty());
    EXPECT_TRUE(missing.SaveToFile(path));
    EXPECT_EQ(ReadBytes(path), "");

    WriteBytes(path, "(A_X) \xe9t\xe9\n(B) b");  // bytes, not text
    FormatTable t;
    t.LoadFromFile(path);
    t.Append("(C) c");
    EXPECT_TRUE(t.SaveToFile(path));
    EXPECT_EQ(ReadBytes(path), "(A_X) \xe9t\xe9\r\n(B) b\r\n(C) c");
}

TEST(FormatTable, NeverLoadedIsNeverWritten) {
    TempDir dir;
    const std::string path = dir.File("Formats.txt");
    WriteBytes(path, "(A) keep\r\n");
    FormatTable t;
    EXPECT_THROW(t.LoadFromFile(dir.File("")), IoError);  // a folder
    EXPECT_FALSE(t.Loaded());
    t.Append("(B) new");
    EXPECT_FALSE(t.SaveToFile(path));
    EXPECT_EQ(ReadBytes(path), "(A) keep\r\n");
}

TEST(FormatTable, FailedSaveNamesTheFileAndKeepsTheOldOne) {
    TempDir dir;
    FormatTable t = Table("(A) a\r\n");
    const std::string path = dir.File("missing folder/Formats.txt");
    try {
        t.SaveToFile(path);
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + path + "\". No such file or directory");
    }

    // A save that cannot replace the target leaves it whole and no stray file.
    const std::string target = dir.File("Formats.txt");
    std::filesystem::create_directory(target);
    EXPECT_THROW(t.SaveToFile(target), IoError);
    EXPECT_TRUE(std::filesystem::is_directory(target));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

// Where a closing window's table goes: nowhere when nothing was added; the
// program folder's table while it can be written; otherwise, and from then on,
// the user's own table, which is read after the program folder's.
TEST(FormatTable, SaveWritesOnlyAChangeAndKeepsTheUsersRowsWhereTheyCanBeWritten) {
    TempDir dir;
    const std::string program = dir.File("program/Formats.txt");
    const std::string user = dir.File("config/torvane/Formats.txt");
    std::filesystem::create_directory(dir.File("program"));
    auto load = [&] {
        FormatTable t;
        t.LoadFromFile(program);
        t.LoadUserRowsFromFile(user);
        return t;
    };

    FormatTable t = load();
    EXPECT_EQ(t.Save(program, user), FormatTable::SavedTo::Nothing);
    EXPECT_FALSE(std::filesystem::exists(program));

    WriteBytes(program, "(A) a");
    t = load();
    t.Append("(B) b");
    EXPECT_TRUE(t.Changed());
    EXPECT_EQ(t.Save(program, user), FormatTable::SavedTo::ProgramFolder);
    EXPECT_FALSE(t.Changed());
    EXPECT_EQ(ReadBytes(program), "(A) a\r\n(B) b");
    EXPECT_FALSE(std::filesystem::exists(user));

    // A program folder's table that cannot be replaced (a folder stands in
    // its way, as a read-only folder would refuse it even to root).
    const std::string locked = dir.File("locked/Formats.txt");
    std::filesystem::create_directories(locked);
    t = load();
    t.Append("(C) c");
    EXPECT_EQ(t.Save(locked, user), FormatTable::SavedTo::UserFolder);
    EXPECT_EQ(ReadBytes(user), "(C) c\r\n");

    // Once the user has a table, new rows join it, and it is read last.
    t = load();
    EXPECT_EQ(t.Lines(), (Lines{"(A) a", "(B) b", "(C) c"}));
    t.Append("(D) d");
    EXPECT_EQ(t.Save(program, user), FormatTable::SavedTo::UserFolder);
    EXPECT_EQ(ReadBytes(program), "(A) a\r\n(B) b");
    EXPECT_EQ(ReadBytes(user), "(C) c\r\n(D) d\r\n");

    // Neither can be written: the error names the user's table. Without a
    // per-user folder it names the program folder's.
    const std::string blocked = dir.File("file/Formats.txt");
    WriteBytes(dir.File("file"), "");
    t = load();
    t.Append("(E) e");
    try {
        t.Save(locked, blocked);
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find(blocked), std::string::npos) << e.what();
    }
    FormatTable fresh;
    fresh.LoadFromFile(dir.File("none"));
    fresh.Append("(E) e");
    try {
        fresh.Save(locked, "Formats.txt");
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find(locked), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace torvane
