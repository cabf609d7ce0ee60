#include "core/ShortPath.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/support/TempDir.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

#ifdef _WIN32
// A path named in UTF-8 goes through the ANSI call and back; a missing one,
// or one the code page has no form for, gives the empty text (a look-alike
// would name another file).
TEST(ShortPath, Utf8PathsCrossTheAnsiCall) {
    TempDir files;
    const fs::path film = fs::path(files.Path()) / L"Pel\u00edcula.mkv";
    std::ofstream(film) << "x";
    const std::string shortForm = ExtractShortPathName(files.File("Pel\u00edcula.mkv"));
    ASSERT_NE(shortForm, "");
    EXPECT_TRUE(fs::equivalent(fs::u8path(shortForm), film));
    // A path in the code page already, as the window took it from the system.
    EXPECT_NE(ExtractShortPathName(files.File(std::string("Pel\xed") + "cula.mkv")), "");
    EXPECT_EQ(ExtractShortPathName(""), "");
    EXPECT_EQ(ExtractShortPathName(files.File("missing.mkv")), "");
    std::ofstream(fs::path(files.Path()) / L"\u03a9.mkv") << "x";
    EXPECT_EQ(ExtractShortPathName(files.File("\u03a9.mkv")), "");
}
#else
bool HasBlank(const std::string& s) {
    return s.find_first_of(" \t\r\n") != std::string::npos;
}

// Points the alias folder at a private cache for the test's duration.
class ShortPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_CACHE_HOME")) {
            savedXdg_ = old;
        }
        ::setenv("XDG_CACHE_HOME", cache_.File("").c_str(), 1);
    }
    void TearDown() override {
        if (savedXdg_) {
            ::setenv("XDG_CACHE_HOME", savedXdg_->c_str(), 1);
        } else {
            ::unsetenv("XDG_CACHE_HOME");
        }
    }
    TempDir cache_;
    TempDir files_;
    std::optional<std::string> savedXdg_;
};

TEST_F(ShortPathTest, MissingOrEmptyPathGivesEmptyText) {
    EXPECT_EQ(ExtractShortPathName(""), "");
    EXPECT_EQ(ExtractShortPathName(files_.File("missing.mkv")), "");
    EXPECT_EQ(ExtractShortPathName(files_.File("missing dir/")), "");
}

TEST_F(ShortPathTest, BlankFreePathComesBackAbsoluteAndUnchanged) {
    WriteBytes(files_.File("a.mkv"), "x");
    EXPECT_EQ(ExtractShortPathName(files_.File("a.mkv")), files_.File("a.mkv"));
    EXPECT_EQ(ExtractShortPathName(files_.File("")), files_.File(""));  // trailing '/' kept

    const fs::path saved = fs::current_path();
    fs::current_path(files_.Path());
    const std::string relative = ExtractShortPathName("a.mkv");
    fs::current_path(saved);
    EXPECT_EQ(relative, fs::canonical(files_.Path()).string() + "/a.mkv");
}

TEST_F(ShortPathTest, PathWithBlanksGetsBlankFreeAliasToSameFile) {
    fs::create_directory(files_.File("my films"));
    const std::string file = files_.File("my films/la pel\xc3\xad\tcula.mkv");
    WriteBytes(file, "matroska bytes");

    const std::string alias = ExtractShortPathName(file);
    ASSERT_FALSE(alias.empty());
    EXPECT_FALSE(HasBlank(alias)) << alias;
    EXPECT_EQ(alias.rfind(cache_.File(""), 0), 0u) << alias;
    EXPECT_TRUE(fs::equivalent(alias, file));
    EXPECT_EQ(ReadBytes(alias), "matroska bytes");
    EXPECT_EQ(ExtractShortPathName(file), alias);  // same path, same alias
    // The readable part of the name survives, blanks replaced; of a long
    // name its end, where the extension is.
    EXPECT_NE(alias.find("la_pel\xc3\xad_cula.mkv"), std::string::npos) << alias;
    const std::string name =
        "The Long Film Title, part one of three " + std::string(30, 'x') + " (extended cut).mkv";
    WriteBytes(files_.File(name), "long");
    const std::string longAlias = ExtractShortPathName(files_.File(name));
    std::string tail = name.substr(name.size() - 64);
    std::replace(tail.begin(), tail.end(), ' ', '_');
    EXPECT_TRUE(longAlias.ends_with("-" + tail)) << longAlias;
    EXPECT_EQ(ReadBytes(longAlias), "long");
}

TEST_F(ShortPathTest, FolderAliasKeepsTrailingSeparatorAndLeadsIntoFolder) {
    const std::string folder = files_.File("output folder/");
    fs::create_directory(folder);

    const std::string alias = ExtractShortPathName(folder);
    ASSERT_FALSE(alias.empty());
    EXPECT_FALSE(HasBlank(alias));
    EXPECT_EQ(alias.back(), '/');
    WriteBytes(alias + "Track1.avi", "written through the alias");
    EXPECT_EQ(ReadBytes(folder + "Track1.avi"), "written through the alias");

    // Without the separator: the same alias, without it.
    const std::string bare = ExtractShortPathName(files_.File("output folder"));
    EXPECT_EQ(bare + "/", alias);
}

TEST_F(ShortPathTest, DifferentPathsGetDifferentAliasesAndAStaleOneIsRepaired) {
    WriteBytes(files_.File("a b"), "1");
    WriteBytes(files_.File("a  b"), "2");
    const std::string one = ExtractShortPathName(files_.File("a b"));
    const std::string two = ExtractShortPathName(files_.File("a  b"));
    EXPECT_NE(one, two);
    EXPECT_EQ(ReadBytes(one), "1");
    EXPECT_EQ(ReadBytes(two), "2");
    fs::remove(one);
    fs::create_symlink(files_.File("a  b"), one);
    EXPECT_EQ(ExtractShortPathName(files_.File("a b")), one);
    EXPECT_EQ(ReadBytes(one), "1");
}

TEST_F(ShortPathTest, CacheFolderWithBlanksIsNotUsed) {
    fs::create_directory(cache_.File("with blank"));
    ::setenv("XDG_CACHE_HOME", (cache_.File("with blank")).c_str(), 1);
    WriteBytes(files_.File("s p.mkv"), "z");
    const std::string alias = ExtractShortPathName(files_.File("s p.mkv"));
    ASSERT_FALSE(alias.empty());
    EXPECT_FALSE(HasBlank(alias)) << alias;
    EXPECT_EQ(ReadBytes(alias), "z");
}

TEST_F(ShortPathTest, FallsBackToPrivateTemporaryFolder) {
    ::unsetenv("XDG_CACHE_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::optional<std::string> savedHome =
        oldHome != nullptr ? std::optional<std::string>(oldHome) : std::nullopt;
    ::setenv("HOME", "/home with blank", 1);
    WriteBytes(files_.File("t m p.mkv"), "fallback");
    const std::string alias = ExtractShortPathName(files_.File("t m p.mkv"));
    if (savedHome) {
        ::setenv("HOME", savedHome->c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
    const std::string folder = "/tmp/torvane-" + std::to_string(::getuid()) + "/";
    EXPECT_EQ(alias.rfind(folder, 0), 0u) << alias;
    EXPECT_EQ(ReadBytes(alias), "fallback");
    fs::remove(alias);
}

#endif

}  // namespace
}  // namespace torvane
