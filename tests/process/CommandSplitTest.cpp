#include "CommandSplit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"

namespace torvane {
namespace {

using testing::TempDir;
using testing::WriteBytes;
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

TEST(FindProgram, ProgramFolderComesBeforePath) {
    TempDir program;
    TempDir onPath;
    MakeProgram(program / "quarvel");
    MakeProgram(onPath / "quarvel");
    MakeProgram(onPath / "other");
    const std::string path = "/nonexistent::" + onPath.path();
    EXPECT_EQ(FindProgram("quarvel", program.path(), path), program / "quarvel");
    EXPECT_EQ(FindProgram("other", program.path(), path), onPath / "other");
    EXPECT_EQ(FindProgram("missing", program.path(), path), "");
    // PATH entries without a trailing separator.
    std::string bare = onPath.path();
    bare.pop_back();
    EXPECT_EQ(FindProgram("other", "", bare), onPath / "other");
}

TEST(FindProgram, OnlyExecutableFilesCount) {
    TempDir program;
    TempDir onPath;
    WriteBytes(program / "quarvel", "not executable");
    MakeProgram(onPath / "quarvel");
    std::filesystem::create_directory(program / "ostrem");
    EXPECT_EQ(FindProgram("quarvel", program.path(), onPath.path()), onPath / "quarvel");
    EXPECT_EQ(FindProgram("ostrem", program.path(), onPath.path()), "");
}

TEST(FindProgram, EmptyPathEntriesDoNotMeanCurrentFolder) {
    TempDir dir;
    MakeProgram(dir / "tool");
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string found = FindProgram("tool", "", ":");
    const std::string viaSlash = FindProgram("./tool", "", "");
    std::filesystem::current_path(saved);
    EXPECT_EQ(found, "");
    EXPECT_EQ(viaSlash, "./tool");
}

TEST(ResolveCommand, FirstWordIsTheProgram) {
    TempDir program;
    MakeProgram(program / "quarvel");
    const auto r = ResolveCommand("quarvel tracks /m/a.mkv 1:/o/Track1.avi ", program.path(), "");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->program, program / "quarvel");
    EXPECT_EQ(r->argv, (Words{"quarvel", "tracks", "/m/a.mkv", "1:/o/Track1.avi"}));
}

TEST(ResolveCommand, WordsAreJoinedUntilTheyNameAProgram) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Herramientas de  video");
    MakeProgram(dir / "Herramientas de  video/ostrem");
    const std::string command = dir / "Herramientas de  video/ostrem -i /m/a.mkv ";
    const auto r = ResolveCommand(command, "", "");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->program, dir / "Herramientas de  video/ostrem");
    EXPECT_EQ(r->argv, (Words{dir / "Herramientas de  video/ostrem", "-i", "/m/a.mkv"}));

    // The shortest prefix that names a program wins.
    MakeProgram(dir / "Herramientas");
    const auto shorter = ResolveCommand(command, "", "");
    ASSERT_TRUE(shorter);
    EXPECT_EQ(shorter->program, dir / "Herramientas");
}

TEST(ResolveCommand, NothingToRun) {
    EXPECT_FALSE(ResolveCommand("", "", "/bin"));
    EXPECT_FALSE(ResolveCommand("   ", "", "/bin"));
    EXPECT_FALSE(ResolveCommand("/nonexistent/a b c", "", "/bin"));
}

}  // namespace
}  // namespace torvane
