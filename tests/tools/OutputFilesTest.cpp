// How the tools write their files: new temporary files never opened through
// a planted name, targets that are not regular files never replaced, and no
// output on the source or on another output of the run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "matroska/SafeText.h"
#include "tests/support/TempDir.h"
#include "tools/common/OutputFiles.h"

namespace {

namespace fs = std::filesystem;
using torvane::testsupport::ReadBytes;
using torvane::testsupport::TempDir;
using torvane::testsupport::WriteBytes;

TEST(TemporaryFile, IsNewBesideItsTargetUnderAnUnpredictableName) {
    TempDir dir;
    const std::string target = dir.File("out.srt");
    tools::TemporaryFile a, b;
    std::string error;
    ASSERT_TRUE(a.Create(target, error)) << error;
    ASSERT_TRUE(b.Create(target, error)) << error;
    EXPECT_NE(a.Path(), b.Path());
    EXPECT_EQ(a.Path().rfind(target + ".quarvel-part-", 0), 0u) << a.Path();
    EXPECT_EQ(a.Path().size(), target.size() + 14 + 10);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(a.Path())));
    b.Discard();
    EXPECT_FALSE(fs::exists(b.Path()));

    // A link planted where a file is to be created is refused, never followed.
    WriteBytes(dir.File("victim"), "precious");
    fs::create_symlink(dir.File("victim"), dir.File("planted"));
    fs::create_symlink(dir.File("nowhere"), dir.File("dangling"));
    for (const char* name : {"planted", "dangling", "victim"}) {
        errno = 0;
        EXPECT_EQ(tools::CreateNewFile(dir.File(name)), nullptr) << name;
        EXPECT_EQ(errno, EEXIST) << name;
    }
    EXPECT_EQ(ReadBytes(dir.File("victim")), "precious");
    EXPECT_FALSE(fs::exists(dir.File("nowhere")));
}

// A target whose name is as long as the folder allows is written all the
// same: the temporary name gives up the end of the target's, never the
// random part, and never a part of a character.
TEST(TemporaryFile, FitsTheFolderWhateverTheTargetsLength) {
    TempDir dir;
    const auto longest = static_cast<size_t>(::pathconf(dir.Path().c_str(), _PC_NAME_MAX));
    ASSERT_GE(longest, 255u);
    const std::string e = "\xc3\xa9";  // é
    const std::string rows[] = {
        "x",
        std::string(longest - 24, 'a'),
        std::string(longest - 23, 'b'),
        std::string(longest, 'c'),
        [&] {
            std::string all;  // 254 bytes where 255 is the limit: the cut falls inside an é
            while (all.size() + e.size() <= longest)
                all += e;
            return all;
        }(),
    };
    for (const std::string& name : rows) {
        SCOPED_TRACE(name.size());
        const std::string target = dir.File(name);
        tools::TemporaryFile temp;
        std::string error;
        ASSERT_TRUE(temp.Create(target, error)) << error;
        const std::string made = fs::path(temp.Path()).filename().string();
        EXPECT_LE(made.size(), longest);
        const size_t mark = made.find(".quarvel-part-");
        ASSERT_NE(mark, std::string::npos) << made;
        EXPECT_EQ(made.size() - mark, 24u) << made;
        EXPECT_EQ(name.rfind(made.substr(0, mark), 0), 0u) << made;
        EXPECT_EQ(mkv::SafeText(made), made) << "a character was cut";
        ASSERT_GE(std::fputs("new", temp.Stream()), 0);
        ASSERT_TRUE(temp.Commit(error)) << error;
        EXPECT_EQ(ReadBytes(target), "new");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 5);
}

TEST(ReplaceTarget, ReplacesRegularFilesAndLeavesEverythingElse) {
    TempDir dir;
    WriteBytes(dir.File("regular"), "old");
    WriteBytes(dir.File("linked"), "old");
    fs::create_symlink(dir.File("linked"), dir.File("link"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    fs::create_directory(dir.File("folder"));
    struct Row {
        std::string target;
        bool replaced;
    };
    const Row rows[] = {
        {dir.File("missing"), true}, {dir.File("regular"), true}, {dir.File("link"), true},
        {dir.File("fifo"), false},   {dir.File("folder"), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.target);
        const std::string temporary = dir.File("temp");
        WriteBytes(temporary, "new");
        std::string error;
        EXPECT_EQ(tools::NotReplaceable(row.target).empty(), row.replaced);
        EXPECT_EQ(tools::ReplaceTarget(temporary, row.target, error), row.replaced);
        if (row.replaced) {
            EXPECT_EQ(ReadBytes(row.target), "new");
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(row.target)));
        } else {
            EXPECT_EQ(error, "'" + row.target + "' is not a regular file; it is left as it is");
            fs::remove(temporary);
        }
    }
    EXPECT_EQ(ReadBytes(dir.File("linked")), "old");  // the link was replaced, not followed
    EXPECT_TRUE(fs::is_fifo(dir.File("fifo")));
    // Devices too (only asked: run as root, a rename would destroy it).
    EXPECT_EQ(tools::NotReplaceable("/dev/null"),
              "'/dev/null' is not a regular file; it is left as it is");
}

// An index and its data go in place together or not at all: a target that
// may not be replaced keeps every old file of the pair.
TEST(ReplaceTargets, NoneIsReplacedUnlessEveryTargetMayBe) {
    TempDir dir;
    WriteBytes(dir.File("a.idx"), "old index");
    fs::create_directory(dir.File("a.sub"));
    WriteBytes(dir.File("idx.part"), "new index");
    WriteBytes(dir.File("sub.part"), "new data");
    std::string error;
    EXPECT_FALSE(tools::ReplaceTargets(
        {{dir.File("idx.part"), dir.File("a.idx")}, {dir.File("sub.part"), dir.File("a.sub")}},
        error));
    EXPECT_EQ(error, "'" + dir.File("a.sub") + "' is not a regular file; it is left as it is");
    EXPECT_EQ(ReadBytes(dir.File("a.idx")), "old index");
    EXPECT_TRUE(fs::is_directory(dir.File("a.sub")));
    // Left for the caller to remove.
    EXPECT_EQ(ReadBytes(dir.File("idx.part")), "new index");
}

TEST(OutputPaths, TheSourceAndEveryEarlierOutputAreTaken) {
    TempDir dir;
    WriteBytes(dir.File("source.mkv"), "mkv");
    WriteBytes(dir.File("existing.srt"), "old");
    fs::create_symlink(dir.File("source.mkv"), dir.File("alias.mkv"));
    fs::create_hard_link(dir.File("existing.srt"), dir.File("hardlink.srt"));
    fs::create_directory(dir.File("sub"));
    fs::create_directory(dir.File("sub/inner"));
    // Folders reached through links: alias is sub, deep/.. is sub too.
    fs::create_directory_symlink(dir.File("sub"), dir.File("alias"));
    fs::create_directory_symlink(dir.File("sub/inner"), dir.File("deep"));
    tools::OutputPaths paths(dir.File("source.mkv"));
    using Claim = tools::OutputPaths::Claim;
    const std::pair<std::string, Claim> rows[] = {
        {dir.File("source.mkv"), Claim::kSource},    {dir.File("sub/../alias.mkv"), Claim::kSource},
        {dir.File("a.srt"), Claim::kFree},           {dir.File("./a.srt"), Claim::kTaken},
        {dir.File("sub/../a.srt"), Claim::kTaken},   {dir.File("sub/a.srt"), Claim::kFree},
        {dir.File("existing.srt"), Claim::kFree},    {dir.File("hardlink.srt"), Claim::kTaken},
        {dir.File("A.srt"), Claim::kFree},           {dir.File("alias/a.srt"), Claim::kTaken},
        {dir.File("alias/b.srt"), Claim::kFree},     {dir.File("sub/b.srt"), Claim::kTaken},
        {dir.File("deep/../b.srt"), Claim::kTaken},  {dir.File("deep/../../b.srt"), Claim::kFree},
        {dir.File("alias/../b.srt"), Claim::kTaken},
    };
    for (const auto& [path, claim] : rows) {
        EXPECT_EQ(paths.Take(path), claim) << path;
    }
}

}  // namespace
