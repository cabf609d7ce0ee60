#include "ProgramFolder.h"

#include <gtest/gtest.h>

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
    EXPECT_TRUE(std::filesystem::equivalent(folder, TORVANE_BIN_DIR));
    EXPECT_TRUE(FileExists(folder + "core_tests"));
}

TEST(ProgramFolder, FolderOfKeepsTheSeparator) {
    EXPECT_EQ(FolderOf("/opt/torvane/bin/torvane"), "/opt/torvane/bin/");
    EXPECT_EQ(FolderOf("/torvane"), "/");
    EXPECT_EQ(FolderOf("torvane"), "");
}

TEST(FileExists, RegularFilesOnly) {
    TempDir dir;
    WriteBytes(dir / "f", "");
    EXPECT_TRUE(FileExists(dir / "f"));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir / "missing"));
    EXPECT_FALSE(FileExists(""));
}

TEST(ToolsPresent, NeedsBothTools) {
    TempDir dir;
    EXPECT_FALSE(ToolsPresent(dir.path()));
    WriteBytes(dir / "quarvel", "");
    EXPECT_FALSE(ToolsPresent(dir.path()));
    WriteBytes(dir / "ostrem", "");
    EXPECT_TRUE(ToolsPresent(dir.path()));
    std::filesystem::remove(dir / "quarvel");
    std::filesystem::create_directory(dir / "quarvel");
    EXPECT_FALSE(ToolsPresent(dir.path()));
}

}  // namespace
}  // namespace torvane
