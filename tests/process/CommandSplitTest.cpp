#include "process/CommandSplit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using testsupport::TempDir;
using testsupport::WriteBytes;
using Words = std::vector<std::string>;

void MakeProgram(const std::string& path) {
    WriteBytes(path, "#!/bin/sh\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

TEST(SplitCommandLine, RunsOfBlanksAndTabsSeparateWords) {
    EXPECT_EQ(SplitCommandLine("quarvel tracks /m/a.mkv 1:/o/Track1.avi "),
              (Words{"quarvel", "tracks", "/m/a.mkv", "1:/o/Track1.avi"}));
    EXPECT_EQ(SplitCommandLine(" \t a \t\t b  "), (Words{"a", "b"}));
    EXPECT_EQ(SplitCommandLine("'a b' \"c\\ d\""), (Words{"'a", "b'", "\"c\\", "d\""}));
    EXPECT_TRUE(SplitCommandLine("").empty());
    EXPECT_TRUE(SplitCommandLine(" \t ").empty());
    EXPECT_EQ(SplitCommandLine("a\nb\rc"), (Words{"a\nb\rc"}));
}

// The program folder comes first, then PATH; only executable files count, and
// an empty PATH entry does not mean the current folder.
TEST(FindProgram, ProgramFolderThenPathExecutableFilesOnly) {
    TempDir program;
    TempDir onPath;
    MakeProgram(program.File("quarvel"));
    MakeProgram(onPath.File("quarvel"));
    MakeProgram(onPath.File("other"));
    WriteBytes(program.File("other"), "not executable");
    std::filesystem::create_directory(program.File("ostrem"));
    const std::string path = "/nonexistent::" + onPath.File("");
    EXPECT_EQ(FindProgram("quarvel", program.File(""), path), program.File("quarvel"));
    EXPECT_EQ(FindProgram("other", program.File(""), path), onPath.File("other"));
    EXPECT_EQ(FindProgram("ostrem", program.File(""), path), "");
    // PATH entries without a trailing separator.
    std::string bare = onPath.File("");
    bare.pop_back();
    EXPECT_EQ(FindProgram("other", "", bare), onPath.File("other"));

    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(onPath.Path());
    const std::string found = FindProgram("other", "", ":");
    const std::string viaSlash = FindProgram("./other", "", "");
    std::filesystem::current_path(saved);
    EXPECT_EQ(found, "");
    EXPECT_EQ(viaSlash, "./other");
}

TEST(ResolveCommand, WordsAreJoinedUntilTheyNameAProgram) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("Herramientas de  video"));
    MakeProgram(dir.File("Herramientas de  video/ostrem"));
    const std::string command = dir.File("Herramientas de  video/ostrem -i /m/a.mkv ");
    const auto r = ResolveCommand(command, "", "");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->program, dir.File("Herramientas de  video/ostrem"));
    EXPECT_EQ(r->argv, (Words{dir.File("Herramientas de  video/ostrem"), "-i", "/m/a.mkv"}));

    // The shortest prefix that names a program wins.
    MakeProgram(dir.File("Herramientas"));
    const auto shorter = ResolveCommand(command, "", "");
    ASSERT_TRUE(shorter);
    EXPECT_EQ(shorter->program, dir.File("Herramientas"));
    // A bare first word is looked for in the program folder.
    const auto bare = ResolveCommand("Herramientas tracks /m/a.mkv ", dir.File(""), "");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->program, dir.File("Herramientas"));
    EXPECT_EQ(bare->argv, (Words{"Herramientas", "tracks", "/m/a.mkv"}));
}

TEST(ResolveCommand, NothingToRun) {
    EXPECT_FALSE(ResolveCommand("", "", "/bin"));
    EXPECT_FALSE(ResolveCommand("   ", "", "/bin"));
    EXPECT_FALSE(ResolveCommand("/nonexistent/a b c", "", "/bin"));
}

}  // namespace
}  // namespace torvane
