// Windows: the folder the window starts in, where the Linux launcher would
// have started it.
#include "core/StartFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace fs = std::filesystem;

TEST(StartFolder, OwnSettingsKeepTheFolderElseTheUsersFolderIsEnteredAndMadeOnce) {
    struct Row {
        const char* what;
        bool settingsHere;       // the start folder holds a Torvane.cfg
        std::string userConfig;  // the user's Torvane.cfg before; "-" none
        bool userFolderBlocked;  // a file stands where the user's folder would be
        bool entersUser;
        std::string userConfigAfter;  // "*" the word of the user's Windows
    };
    for (const Row& row : {
             Row{"own settings", true, "-", false, false, "-"},
             Row{"first start", false, "-", false, true, "*"},
             Row{"later start, another word kept", false, "Castellano\r\n", false, true,
                 "Castellano\r\n"},
             Row{"user folder impossible", false, "-", true, false, "-"},
         }) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        const std::string start = dir.File("start");
        const std::string userFolder = dir.File("Torvane");
        const std::string user = userFolder + "\\";
        fs::create_directory(start);
        if (row.settingsHere) {
            WriteBytes(start + "\\Torvane.cfg", "English\r\n");
        }
        if (row.userConfig != "-") {
            fs::create_directory(user);
            WriteBytes(user + "Torvane.cfg", row.userConfig);
        }
        if (row.userFolderBlocked) {
            WriteBytes(userFolder, "a file");
        }
        const fs::path before = fs::current_path();
        fs::current_path(start);

        EnterStartFolder(user);

        const fs::path now = fs::current_path();
        fs::current_path(before);
        EXPECT_TRUE(fs::equivalent(now, row.entersUser ? userFolder : start)) << now;
        if (row.userConfigAfter == "*") {
            const std::string word = ReadBytes(user + "Torvane.cfg");
            EXPECT_TRUE(word == "English\r\n" || word == "Castellano\r\n") << word;
        } else if (row.userConfigAfter == "-") {
            EXPECT_FALSE(fs::exists(user + "Torvane.cfg"));
        } else {
            EXPECT_EQ(ReadBytes(user + "Torvane.cfg"), row.userConfigAfter);
        }
    }
}

}  // namespace
}  // namespace torvane
