#include "ProgramFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempDir.h"

namespace torvane {
namespace {

using testing::TempDir;
using testing::WriteBytes;

TEST(ProgramFolder, IsTheFolderOfThisTestProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::equivalent(folder, TORVANE_TEST_BIN_DIR));
    EXPECT_TRUE(FileExists(folder + "core_tests"));
}

TEST(ProgramFolder, FolderOfKeepsTheSeparator) {
    EXPECT_EQ(FolderOf("/opt/torvane/bin/torvane"), "/opt/torvane/bin/");
    EXPECT_EQ(FolderOf("/torvane"), "/");
    EXPECT_EQ(FolderOf("torvane"), "");
}

TEST(UserFolder, FollowsTheXdgConfigFolderThenHome) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string config = savedConfig ? savedConfig : "";
    const std::string home = savedHome ? savedHome : "";
    struct Case {
        const char* config;  // nullptr: unset
        const char* home;
        const char* folder;
    };
    for (const Case& c :
         {Case{"/cfg", "/home/ana", "/cfg/torvane/"},
          Case{"relative", "/home/ana", "/home/ana/.config/torvane/"},
          Case{nullptr, "/home/ana", "/home/ana/.config/torvane/"}, Case{"", "", ""}}) {
        c.config ? ::setenv("XDG_CONFIG_HOME", c.config, 1) : ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(UserFolder(), c.folder) << (c.config ? c.config : "(unset)") << " " << c.home;
    }
    savedConfig ? ::setenv("XDG_CONFIG_HOME", config.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    savedHome ? ::setenv("HOME", home.c_str(), 1) : ::unsetenv("HOME");
}

TEST(FileExists, RegularFilesOnly) {
    TempDir dir;
    WriteBytes(dir.File("f"), "");
    EXPECT_TRUE(FileExists(dir.File("f")));
    EXPECT_FALSE(FileExists(dir.File("")));
    EXPECT_FALSE(FileExists(dir.File("missing")));
    EXPECT_FALSE(FileExists(""));
}

TEST(ToolsPresent, NeedsBothTools) {
    TempDir dir;
    EXPECT_FALSE(ToolsPresent(dir.File("")));
    WriteBytes(dir.File("quarvel"), "");
    EXPECT_FALSE(ToolsPresent(dir.File("")));
    WriteBytes(dir.File("ostrem"), "");
    EXPECT_TRUE(ToolsPresent(dir.File("")));
    std::filesystem::remove(dir.File("quarvel"));
    std::filesystem::create_directory(dir.File("quarvel"));
    EXPECT_FALSE(ToolsPresent(dir.File("")));
}

}  // namespace
}  // namespace torvane
