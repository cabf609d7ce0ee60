#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using testsupport::TempDir;
using testsupport::WriteBytes;

TEST(ProgramFolder, IsTheFolderOfThisTestProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), kPathSeparator);
#ifndef _WIN32  // the build names its folders as Linux does, not as Windows sees them
    EXPECT_TRUE(std::filesystem::equivalent(folder, TORVANE_TEST_BIN_DIR));
#endif
    EXPECT_TRUE(FileExists(folder + ToolFileName("platform_tests")));
}

TEST(ProgramFolder, FolderOfKeepsTheSeparator) {
    EXPECT_EQ(FolderOf("/opt/torvane/bin/torvane"), "/opt/torvane/bin/");
    EXPECT_EQ(FolderOf("/torvane"), "/");
    EXPECT_EQ(FolderOf("torvane"), "");
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
    const std::string quarvel = dir.File(ToolFileName(kExtractToolName));
    EXPECT_FALSE(ToolsPresent(dir.File("")));
    WriteBytes(quarvel, "");
    EXPECT_FALSE(ToolsPresent(dir.File("")));
    WriteBytes(dir.File(ToolFileName(kIdentifyToolName)), "");
    EXPECT_TRUE(ToolsPresent(dir.File("")));
    std::filesystem::remove(quarvel);
    std::filesystem::create_directory(quarvel);
    EXPECT_FALSE(ToolsPresent(dir.File("")));
}

}  // namespace
}  // namespace torvane
