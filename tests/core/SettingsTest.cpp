#include "core/Settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/Exception.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

TEST(SettingsFile, ReadsFirstLineUpToAnyBreakOrEndMark) {
    TempDir dir;
    const SettingsFile settings(dir.File("Torvane.cfg"));
    const struct {
        std::string content;
        std::string word;
    } cases[] = {
        {"English\r\n", "English"},
        {"Castellano\r\n", "Castellano"},
        {"English\nCastellano\r\n", "English"},
        {"English\rx", "English"},
        {"English", "English"},
        {std::string("Engl\x1aish\r\n"), "Engl"},
        {"", ""},
        {"\r\nEnglish\r\n", ""},
        {"English \r\n", "English "},
        {std::string(40000, 'w') + "\nEnglish\r\n", std::string(40000, 'w')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.content));
        WriteBytes(settings.Path(), c.content);
        EXPECT_EQ(settings.ReadWord(), c.word);
    }
}

TEST(SettingsFile, WritesWordAndCrLfReplacingOldContent) {
    TempDir dir;
    const SettingsFile settings(dir.File("Torvane.cfg"));
    WriteBytes(settings.Path(), "Castellano\r\nold second line\r\n");
    settings.WriteWord(kWordEnglish);
    EXPECT_EQ(ReadBytes(settings.Path()), "English\r\n");
    settings.WriteWord(kWordSpanish);
    EXPECT_EQ(ReadBytes(settings.Path()), "Castellano\r\n");
    EXPECT_EQ(settings.ReadWord(), "Castellano");
}

TEST(SettingsFile, MissingUnreadableOrUnwritableFileIsAnIoError) {
    TempDir dir;
    try {
        SettingsFile(dir.File("Torvane.cfg")).ReadWord();
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    std::filesystem::create_directory(dir.File("folder.cfg"));
    EXPECT_THROW(SettingsFile(dir.File("folder.cfg")).ReadWord(), IoError);
    const SettingsFile settings(dir.File("no such folder/Torvane.cfg"));
    try {
        settings.WriteWord(kWordEnglish);
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + settings.Path() + "\". No such file or directory");
    }
}

// The open-file dialog changes the current folder; the settings file must stay
// the one found at start-up.
TEST(SettingsFile, ResolvedOnceAgainstStartupFolder) {
    TempDir start;
    TempDir other;
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(start.Path());
    const SettingsFile settings = SettingsFile::InStartupFolder();
    std::filesystem::current_path(other.Path());
    settings.WriteWord(kWordEnglish);
    const std::string word = settings.ReadWord();
    std::filesystem::current_path(saved);

    EXPECT_EQ(word, "English");
    EXPECT_EQ(ReadBytes(start.File("Torvane.cfg")), "English\r\n");
    EXPECT_FALSE(std::filesystem::exists(other.File("Torvane.cfg")));
    EXPECT_EQ(settings.Path(),
              std::filesystem::canonical(start.Path()).string() + kPathSeparator + "Torvane.cfg");
}

TEST(LanguageFromWord, ExactWholeWordOnly) {
    EXPECT_EQ(LanguageFromWord("Castellano"), Language::Spanish);
    EXPECT_EQ(LanguageFromWord("English"), Language::English);
    EXPECT_EQ(LanguageFromWord("english"), Language::Unrecognised);
    EXPECT_EQ(LanguageFromWord("English "), Language::Unrecognised);
    EXPECT_EQ(LanguageFromWord(""), Language::Unrecognised);
}

}  // namespace
}  // namespace torvane
