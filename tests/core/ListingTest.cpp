#include "core/Listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

TEST(ConstruirListado, TerminatedLinesGiveFileLineAndItems) {
    const Listing l = ConstruirListado("L0\r\nL1\r\nL2\r\n", false, false);
    EXPECT_EQ(l.lines, (Lines{"L0", "L1", "L2"}));
    EXPECT_EQ(l.items, (Lines{"L1", "L2"}));
}

TEST(ConstruirListado, UnterminatedLastLineIsDropped) {
    const Listing l = ConstruirListado("L0\r\nL1\r\nL2", false, false);
    EXPECT_EQ(l.lines, (Lines{"L0", "L1"}));
    EXPECT_EQ(l.items, (Lines{"L1"}));
}

TEST(ConstruirListado, SingleLineGivesNoItemButPseudoItemsFollowIt) {
    const Listing plain = ConstruirListado("File 'x.mkv': container: Matroska\r\n", false, false);
    EXPECT_EQ(plain.lines, (Lines{"File 'x.mkv': container: Matroska"}));
    EXPECT_TRUE(plain.items.empty());

    const Listing chapters = ConstruirListado("F\r\n", true, false);
    EXPECT_EQ(chapters.lines, (Lines{"F", "Chapters ID"}));
    EXPECT_EQ(chapters.items, (Lines{"Chapters ID"}));
}

TEST(ConstruirListado, PseudoItemsComeLastChaptersBeforeTags) {
    const Listing l = ConstruirListado("F\r\nTrack ID 1: audio (A_AC3)\r\n", true, true);
    EXPECT_EQ(l.items, (Lines{"Track ID 1: audio (A_AC3)", "Chapters ID", "Tags ID"}));
    EXPECT_EQ(l.lines.back(), "Tags ID");

    const Listing tagsOnly = ConstruirListado("F\r\n", false, true);
    EXPECT_EQ(tagsOnly.items, (Lines{"Tags ID"}));
}

TEST(ConstruirListado, LoneCrAndLfAreOrdinaryBytesAndLinesAreNotTrimmed) {
    const Listing l = ConstruirListado("F\r\n a\rb\nc \r\n\r\n", false, false);
    EXPECT_EQ(l.items, (Lines{" a\rb\nc ", ""}));
}

// Without any line from the tool (empty capture, one unterminated line, or a
// read error) an empty file line stands first, so the pseudo-items still pair
// item k with listing line k+1.
TEST(ConstruirListado, NoLineFromToolKeepsItemsPairedWithLines) {
    for (const char* captured : {"", "Read Err", "no break at all"}) {
        SCOPED_TRACE(captured);
        const Listing l = ConstruirListado(captured, true, true);
        EXPECT_EQ(l.lines, (Lines{"", "Chapters ID", "Tags ID"}));
        EXPECT_EQ(l.items, (Lines{"Chapters ID", "Tags ID"}));

        const Listing bare = ConstruirListado(captured, false, false);
        EXPECT_EQ(bare.lines.size(), bare.items.size() + 1);
        EXPECT_TRUE(bare.items.empty());
    }
}

TEST(PreviewLineCount, CountsCrLfPairsOnly) {
    EXPECT_EQ(PreviewLineCount(""), 1u);
    EXPECT_EQ(PreviewLineCount("<Chapters/>"), 1u);
    EXPECT_EQ(PreviewLineCount("a\nb\rc"), 1u);
    EXPECT_EQ(PreviewLineCount("a\r\n"), 2u);
    EXPECT_EQ(PreviewLineCount("\r\n\r\n"), 3u);
    EXPECT_EQ(PreviewLineCount("\r\r\n\n"), 2u);
}

TEST(ExtraerID, ReadsFromFifteenthByteToColon) {
    EXPECT_EQ(ExtraerID("Attachment ID 3: type 'font/ttf', size 10 bytes, file name 'a.ttf'"), "3");
    EXPECT_EQ(ExtraerID("Attachment ID 12: x: y"), "12");
    EXPECT_EQ(ExtraerID("Attachment ID 7"), "7");  // exactly 15 bytes
    EXPECT_EQ(ExtraerID("Attachment ID 77 no colon"), "77 no colon");
    EXPECT_EQ(ExtraerID("Attachment ID :"), "");  // colon at the 15th byte
}

TEST(ExtraerID, ShortLinesGiveEmptyText) {
    EXPECT_EQ(ExtraerID(""), "");
    EXPECT_EQ(ExtraerID("Attachment ID"), "");
    EXPECT_EQ(ExtraerID("Attachment ID "), "");  // 14 bytes
}

TEST(Extraerfilename, ReadsQuotedNameAndReplacesBlanks) {
    EXPECT_EQ(Extraerfilename("Attachment ID 1: type 'image/jpeg', size 5 bytes, file name "
                              "'portada grande.jpg'"),
              "portada_grande.jpg");
    EXPECT_EQ(Extraerfilename("file name '  two  '"), "__two__");
    EXPECT_EQ(Extraerfilename("file name ''"), "");
}

TEST(Extraerfilename, RunsToTheLinesLastApostropheOrItsEnd) {
    EXPECT_EQ(Extraerfilename("Attachment ID 2: file name 'l'aube.ttf'"), "l'aube.ttf");
    EXPECT_EQ(Extraerfilename("Attachment ID 3: file name 'l'aube logo.png'"), "l'aube_logo.png");
    EXPECT_EQ(Extraerfilename("x file name 'unterminated name"), "unterminated_name");
}

TEST(Extraerfilename, WithoutMarkerReadsFromEleventhByte) {
    EXPECT_EQ(Extraerfilename("0123456789abc def'rest"), "abc_def");
    EXPECT_EQ(Extraerfilename("0123456789"), "");
    EXPECT_EQ(Extraerfilename("short"), "");
    // The marker is case-sensitive: here the 11th byte is the opening quote
    // itself, and the name runs from it to the last one.
    EXPECT_EQ(Extraerfilename("File Name 'x y'"), "'x_y");
}

TEST(Extraerfilename, TabsPassButSeparatorsDoNot) {
    EXPECT_EQ(Extraerfilename("file name 'a\tb.ttf'"), "a\tb.ttf");
    EXPECT_EQ(Extraerfilename("file name '../../etc/passwd'"), ".._.._etc_passwd");
    EXPECT_EQ(Extraerfilename("file name '..\\evil dir\\x.dll'"), ".._evil_dir_x.dll");
    EXPECT_EQ(Extraerfilename("file name '/abs'"), "_abs");
}

}  // namespace
}  // namespace torvane
