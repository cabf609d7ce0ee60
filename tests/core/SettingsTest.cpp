#include "core/Settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/Exception.h"
#include "core/StartFolder.h"
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

#ifndef _WIN32
// The language a first start writes, which the batch from the command line
// also speaks when no settings file says otherwise: the launcher's rule.
TEST(UserLocaleLanguage, TheFirstLocaleVariableSetAndNotEmptySpeaks) {
    struct Row {
        const char* all;
        const char* messages;
        const char* lang;
        Language language;
    };
    const char* const names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string saved[3];
    bool had[3];
    for (int k = 0; k < 3; ++k) {
        const char* value = std::getenv(names[k]);
        had[k] = value != nullptr;
        saved[k] = had[k] ? value : "";
    }
    for (const Row& row : {
             Row{nullptr, nullptr, "es_ES.UTF-8", Language::Spanish},
             Row{"", "es", "en_GB.UTF-8", Language::Spanish},
             Row{"es@euro", nullptr, nullptr, Language::Spanish},
             Row{"C.UTF-8", "es_MX.UTF-8", nullptr, Language::English},
             Row{nullptr, nullptr, "est_EE", Language::English},
             Row{nullptr, nullptr, nullptr, Language::English},
         }) {
        const char* values[] = {row.all, row.messages, row.lang};
        for (int k = 0; k < 3; ++k) {
            if (values[k] == nullptr) {
                ::unsetenv(names[k]);
            } else {
                ::setenv(names[k], values[k], 1);
            }
        }
        EXPECT_EQ(UserLocaleLanguage(), row.language)
            << (row.all ? row.all : "-") << " " << (row.messages ? row.messages : "-") << " "
            << (row.lang ? row.lang : "-");
    }
    for (int k = 0; k < 3; ++k) {
        if (had[k]) {
            ::setenv(names[k], saved[k].c_str(), 1);
        } else {
            ::unsetenv(names[k]);
        }
    }
}
#endif

}  // namespace
}  // namespace torvane
