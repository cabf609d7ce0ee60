// The batch window's words about its sources in both interface languages:
// languages by name with their code, and counts that agree with their number.
#include <gtest/gtest.h>

#include <string>

#include "tests/ui/WindowFixture.h"
#include "ui/BatchReport.h"
#include "ui/Messages.h"
#include "ui/TrackNames.h"

namespace {

// Puts the language in force back when the test ends.
class BatchReportTest : public ::testing::Test {
  protected:
    void TearDown() override { SetLanguageInForce(before_); }

  private:
    TLanguage before_ = LanguageInForce();
};

TEST_F(BatchReportTest, ALanguageIsShownByItsNameWithItsCodeBeside) {
    struct Row {
        const char* code;
        const char16_t* english;
        const char16_t* spanish;
    };
    for (const Row& row : {
             Row{"spa", u"Spanish (spa)", u"español (spa)"},
             Row{"eng", u"English (eng)", u"inglés (eng)"},
             // Both three-letter forms, two letters, and a tag by its language.
             Row{"ger", u"German (ger)", u"alemán (ger)"},
             Row{"deu", u"German (deu)", u"alemán (deu)"},
             Row{"fr", u"French (fr)", u"francés (fr)"},
             Row{"pt-BR", u"Portuguese (pt-BR)", u"portugués (pt-BR)"},
             Row{"baq", u"Basque (baq)", u"euskera (baq)"},
             // What is no one language; undetermined needs no code.
             Row{"und", u"undetermined", u"indeterminado"},
             Row{"zxx", u"no linguistic content (zxx)", u"sin contenido lingüístico (zxx)"},
             // Known to Qt in English only, and known to nobody.
             Row{"haw", u"Hawaiian (haw)", u"haw"},
             Row{"qaa", u"qaa", u"qaa"},
         }) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(LanguageText(row.code, TLanguage::English), QString::fromUtf16(row.english));
        EXPECT_EQ(LanguageText(row.code, TLanguage::Spanish), QString::fromUtf16(row.spanish));
    }
}

torvane::SourceProbe ReadableWithAttachments(std::size_t count) {
    torvane::SourceProbe probe;
    probe.source.state = torvane::BatchSource::State::Readable;
    probe.source.contents.attachments.resize(count);
    return probe;
}

TEST_F(BatchReportTest, CountsAgreeWithTheirNumberInBothLanguages) {
    struct Row {
        TLanguage language;
        std::size_t attachments;
        const char16_t* contents;
    };
    for (const Row& row : {
             Row{TLanguage::English, 1, u"1 attachment"},
             Row{TLanguage::English, 2, u"2 attachments"},
             Row{TLanguage::Spanish, 1, u"1 attachment"},
             Row{TLanguage::Spanish, 3, u"3 attachments"},
         }) {
        SetLanguageInForce(row.language);
        EXPECT_EQ(SourceContentsText(ReadableWithAttachments(row.attachments), 1000),
                  QString::fromUtf16(row.contents));
    }
}

}  // namespace
