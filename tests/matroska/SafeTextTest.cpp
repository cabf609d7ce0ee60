#include "matroska/SafeText.h"

#include <gtest/gtest.h>

namespace {

// Each row: text from a file, and what a tool prints of it.
TEST(SafeText, ControlsAndWhatIsNotUtf8BecomeQuestionMarks) {
    const std::pair<std::string, std::string> rows[] = {
        {"plain (x) [y]", "plain (x) [y]"},
        {"", ""},
        // C0, a line break and DEL.
        {"a\x1b[2Jb\x07", "a?[2Jb?"},
        {"one\r\ntwo\tthree\x7f", "one??two?three?"},
        // C1 as UTF-8: U+009B is CSI on many terminals; U+0080 and U+009F the ends.
        {"x\xc2\x9b"
         "31mred",
         "x?31mred"},
        {"\xc2\x80\xc2\x9f", "??"},
        // Just past C1, and characters of two, three and four bytes, kept.
        {"\xc2\xa0\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xac",
         "\xc2\xa0\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xac"},
        {"Espa\xc3\xb1ol", "Espa\xc3\xb1ol"},
        // Bytes that are not UTF-8, one '?' each: Latin-1, a raw C1 byte, a
        // lone continuation, a lead no character has.
        {"Espa\xf1ol", "Espa?ol"},
        {"\x9b"
         "31m",
         "?31m"},
        {"\x80x", "?x"},
        {"\xff\xfe", "??"},
        // Overlong forms (of '/' and of ESC), a surrogate, past U+10FFFF.
        {"\xc0\xaf", "??"},
        {"\xe0\x80\x9b", "???"},
        {"\xed\xa0\x80", "???"},
        {"\xf4\x90\x80\x80", "????"},
        // Cut short: by the end, and by a byte that does not continue it.
        {"ab\xe2\x82", "ab??"},
        {"\xe2\x82x", "??x"},
    };
    for (const auto& [text, printed] : rows) {
        EXPECT_EQ(mkv::SafeText(text), printed) << text;
    }
}

}  // namespace
