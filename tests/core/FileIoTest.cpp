// Replacing a file as the settings file, the format table and the saved
// previews are replaced: through symbolic links, keeping the file's
// permission bits, and in place where its folder takes no new file.
#include "core/FileIo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "core/Exception.h"
#include "tests/support/TempDir.h"

#ifdef __linux__
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

constexpr fileio::Links kThrough = fileio::Links::WriteThrough;

#ifndef _WIN32

TEST(ReplaceFile, ALinkStaysALinkAndTheFileItLeadsToGetsTheBytes) {
    TempDir dir;
    fs::create_directories(dir.File("real"));
    WriteBytes(dir.File("real/Torvane.cfg"), "Castellano\r\n");
    // A chain of two links, the first relative to its own folder.
    fs::create_symlink("real/Torvane.cfg", dir.File("middle"));
    fs::create_symlink(dir.File("middle"), dir.File("Torvane.cfg"));
    fileio::ReplaceFile(dir.File("Torvane.cfg"), "English\r\n", kThrough);
    EXPECT_TRUE(fs::is_symlink(dir.File("Torvane.cfg")));
    EXPECT_TRUE(fs::is_symlink(dir.File("middle")));
    EXPECT_EQ(ReadBytes(dir.File("real/Torvane.cfg")), "English\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("real")), fs::directory_iterator()), 1);

    // A link whose file is not there yet makes it.
    fs::create_symlink("real/Formats.txt", dir.File("Formats.txt"));
    fileio::ReplaceFile(dir.File("Formats.txt"), "(A_X) x\r\n", kThrough);
    EXPECT_TRUE(fs::is_symlink(dir.File("Formats.txt")));
    EXPECT_EQ(ReadBytes(dir.File("real/Formats.txt")), "(A_X) x\r\n");

    // A loop of links is refused, naming the path given.
    fs::create_symlink(dir.File("loop b"), dir.File("loop a"));
    fs::create_symlink(dir.File("loop a"), dir.File("loop b"));
    try {
        fileio::ReplaceFile(dir.File("loop a"), "x", kThrough);
        ADD_FAILURE() << "no error";
    } catch (const IoError& error) {
        EXPECT_EQ(std::string(error.what())
                      .rfind("Cannot create file \"" + dir.File("loop a") + "\". ", 0),
                  0u)
            << error.what();
    }
}

TEST(ReplaceFile, TheFileKeepsItsPermissionBits) {
    TempDir dir;
    for (const fs::perms perms :
         {fs::perms::owner_read | fs::perms::owner_write,
          fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
              fs::perms::group_write | fs::perms::others_read | fs::perms::others_write}) {
        SCOPED_TRACE(static_cast<int>(perms));
        WriteBytes(dir.File("Formats.txt"), "old");
        fs::permissions(dir.File("Formats.txt"), perms, fs::perm_options::replace);
        fileio::ReplaceFile(dir.File("Formats.txt"), "new content", kThrough);
        EXPECT_EQ(ReadBytes(dir.File("Formats.txt")), "new content");
        EXPECT_EQ(fs::status(dir.File("Formats.txt")).permissions(), perms);
    }
}

#endif  // _WIN32

#ifdef __linux__

// A folder that takes no new file binds root too: as root, this thread
// reaches files as nobody, whose rights the test gives.
class AsNobody {
  public:
    static constexpr uid_t kNobody = 65534;
    explicit AsNobody(const std::string& folder) {
        if (::geteuid() != 0) {
            return;
        }
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            EXPECT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0);
        }
        EXPECT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
        // Per thread, unlike setuid, and undone at the end of the test.
        ::syscall(SYS_setfsgid, kNobody);
        ::syscall(SYS_setfsuid, kNobody);
        root_ = true;
    }
    ~AsNobody() {
        if (root_) {
            ::syscall(SYS_setfsuid, 0);
            ::syscall(SYS_setfsgid, 0);
        }
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

  private:
    bool root_ = false;
};

// A folder no new file can be made in, for as long as the object lives.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
        fs::permissions(folder_,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    ~ReadOnlyFolder() {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  private:
    std::string folder_;
};

TEST(ReplaceFile, AWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
    TempDir dir;
    const std::string folder = dir.File("program folder");
    fs::create_directories(folder);
    const std::string file = folder + "/Formats.txt";
    WriteBytes(file, "(A_OLD) old\r\n");
    fs::create_symlink("Formats.txt", folder + "/link");
    AsNobody nobody(dir.Path());
    ReadOnlyFolder readOnly(folder);
    const std::pair<const char*, const char*> rows[] = {
        {"longer", "(A_OLD) old\r\n(A_NEW) new\r\n"},
        {"shorter", "(A) a\r\n"},
        {"same length", "(B) b\r\n"},
        {"empty", ""},
    };
    for (const auto& [what, bytes] : rows) {
        SCOPED_TRACE(what);
        fileio::ReplaceFile(file, bytes, kThrough);
        EXPECT_EQ(ReadBytes(file), bytes);
    }
    fileio::ReplaceFile(folder + "/link", "through the link", kThrough);
    EXPECT_EQ(ReadBytes(file), "through the link");
    EXPECT_TRUE(fs::is_symlink(folder + "/link"));
    // A link that is to be replaced is never written through, not even here.
    EXPECT_THROW(fileio::ReplaceFile(folder + "/link", "x", fileio::Links::Replace), IoError);
    EXPECT_EQ(ReadBytes(file), "through the link");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);

    // A file the folder lacks still cannot be made there.
    EXPECT_THROW(fileio::ReplaceFile(folder + "/Torvane.cfg", "English\r\n", kThrough), IoError);
}

// A write that fails half-way (here at the most bytes a file may have)
// leaves the old content as it was.
TEST(ReplaceFile, AFailedRewriteInPlaceKeepsTheOldContent) {
    TempDir dir;
    const std::string folder = dir.File("program folder");
    fs::create_directories(folder);
    const std::string file = folder + "/Formats.txt";
    const std::string old = "(A_OLD) old\r\n(A_KEEP) keep\r\n";
    WriteBytes(file, old);
    AsNobody nobody(dir.Path());
    ReadOnlyFolder readOnly(folder);
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit limit = before;
    limit.rlim_cur = old.size() + 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const auto previous = ::signal(SIGXFSZ, SIG_IGN);
    EXPECT_THROW(fileio::ReplaceFile(file, std::string(old.size() + 100, 'x'), kThrough), IoError);
    ::signal(SIGXFSZ, previous);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &before), 0);
    EXPECT_EQ(ReadBytes(file), old);
}

#endif  // __linux__

}  // namespace
}  // namespace torvane
