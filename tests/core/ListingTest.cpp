#include "core/Listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

TEST(BuildListing, LinesItemsAndPseudoItems) {
    struct Row {
        const char* captured;
        bool chapters;
        bool tags;
        Lines lines;
        Lines items;
    };
    for (const Row& row : {
             Row{"L0\r\nL1\r\nL2\r\n", false, false, {"L0", "L1", "L2"}, {"L1", "L2"}},
             // An unterminated last line is dropped.
             Row{"L0\r\nL1\r\nL2", false, false, {"L0", "L1"}, {"L1"}},
             Row{"F\r\n", false, false, {"F"}, {}},
             Row{"F\r\n", true, false, {"F", "Chapters ID"}, {"Chapters ID"}},
             Row{"F\r\nTrack ID 1: audio (A_AC3)\r\n",
                 true,
                 true,
                 {"F", "Track ID 1: audio (A_AC3)", "Chapters ID", "Tags ID"},
                 {"Track ID 1: audio (A_AC3)", "Chapters ID", "Tags ID"}},
             Row{"F\r\n", false, true, {"F", "Tags ID"}, {"Tags ID"}},
             // Lone CR and LF are ordinary bytes; lines are not trimmed.
             Row{"F\r\n a\rb\nc \r\n\r\n", false, false, {"F", " a\rb\nc ", ""}, {" a\rb\nc ", ""}},
             // Without any line from the tool (empty capture, one unterminated
             // line, or a read error) an empty file line stands first, so the
             // pseudo-items still pair item k with listing line k+1.
             Row{"", true, true, {"", "Chapters ID", "Tags ID"}, {"Chapters ID", "Tags ID"}},
             Row{"Read Err",
                 true,
                 true,
                 {"", "Chapters ID", "Tags ID"},
                 {"Chapters ID", "Tags ID"}},
             Row{"no break at all", false, false, {""}, {}},
         }) {
        SCOPED_TRACE(::testing::PrintToString(std::string(row.captured)));
        const Listing listing = BuildListing(row.captured, row.chapters, row.tags);
        EXPECT_EQ(listing.lines, row.lines);
        EXPECT_EQ(listing.items, row.items);
    }
}

TEST(PreviewLineCount, CountsCrLfPairsOnly) {
    EXPECT_EQ(PreviewLineCount(""), 1u);
    EXPECT_EQ(PreviewLineCount("a\nb\rc"), 1u);
    EXPECT_EQ(PreviewLineCount("a\r\n"), 2u);
    EXPECT_EQ(PreviewLineCount("\r\n\r\n"), 3u);
    EXPECT_EQ(PreviewLineCount("\r\r\n\n"), 2u);
}

TEST(AttachmentId, ReadsFromFifteenthByteToColon) {
    for (const auto& [line, id] : std::vector<std::pair<std::string, std::string>>{
             {"Attachment ID 3: type 'font/ttf', size 10 bytes, file name 'a.ttf'", "3"},
             {"Attachment ID 12: x: y", "12"},
             {"Attachment ID 7", "7"},  // exactly 15 bytes
             {"Attachment ID 77 no colon", "77 no colon"},
             {"Attachment ID :", ""},  // colon at the 15th byte
             {"", ""},
             {"Attachment ID ", ""},  // 14 bytes
         }) {
        EXPECT_EQ(AttachmentId(line), id) << line;
    }
}

TEST(AttachmentFileName, QuotedNameToTheLastApostropheWithBlanksAndSeparatorsReplaced) {
    for (const auto& [line, name] : std::vector<std::pair<std::string, std::string>>{
             {"Attachment ID 1: type 'image/jpeg', size 5 bytes, file name 'portada grande.jpg'",
              "portada_grande.jpg"},
             {"file name '  two  '", "__two__"},
             {"file name ''", ""},
             {"Attachment ID 2: file name 'l'aube.ttf'", "l'aube.ttf"},
             {"Attachment ID 3: file name 'l'aube logo.png'", "l'aube_logo.png"},
             {"Attachment ID 4: file name 'cover (1).jpg'", "cover_(1).jpg"},
             {"x file name 'unterminated name", "unterminated_name"},
             // Without the marker: from the eleventh byte. The marker is
             // case-sensitive: here the 11th byte is the opening quote itself.
             {"0123456789abc def'rest", "abc_def"},
             {"0123456789", ""},
             {"short", ""},
             {"File Name 'x y'", "'x_y"},
             // Path separators never pass.
             {"file name '../../etc/passwd'", ".._.._etc_passwd"},
             {"file name '..\\evil dir\\x.dll'", ".._evil_dir_x.dll"},
             {"file name '/abs'", "_abs"},
#ifdef _WIN32
             // Nor what Windows refuses, reads as a stream, drops or takes
             // for a device.
             {"file name 'a\tb.ttf'", "a_b.ttf"},
             {"file name 'cover:hidden.jpg'", "cover_hidden.jpg"},
             {"file name 'why?<not>|*\"so\".png'", "why__not____so_.png"},
             {"file name 'notes.'", "notes_"},
             {"file name 'con'", "_con"},
             {"file name 'Nul.tar.gz'", "_Nul.tar.gz"},
             {"file name 'LPT9.txt'", "_LPT9.txt"},
             {"file name 'COM0.txt'", "COM0.txt"},
             {"file name 'console.txt'", "console.txt"},
#else
             // Every other byte is a Linux file name's own.
             {"file name 'a\tb.ttf'", "a\tb.ttf"},
             {"file name 'cover:why?<not>|*.'", "cover:why?<not>|*."},
             {"file name 'con'", "con"},
#endif
         }) {
        EXPECT_EQ(AttachmentFileName(line), name) << line;
    }
}

}  // namespace
}  // namespace torvane
