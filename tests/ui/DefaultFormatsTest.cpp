// The format table the build places beside the programs. That it agrees with
// quarvel's codec table and the README is checked with the codec table; here,
// that the build never replaces a user's table, and that the real ostrem's
// listing of every codec fixture needs no question with it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>

#include "core/Formats.h"
#include "core/Listing.h"
#include "tests/support/TempDir.h"
#include "tests/ui/WindowFixture.h"

namespace fs = std::filesystem;
using torvane::testsupport::ReadBytes;
using torvane::testsupport::WriteBytes;

TEST(DefaultFormats, TheBuildPlacesTheTableButNeverReplacesAnExistingOne) {
    EXPECT_TRUE(fs::exists(std::string(TORVANE_BIN_DIR) + "/Formats.txt"));
    QTemporaryDir dir;
    const std::string target = dir.path().toStdString() + "/Formats.txt";
    WriteBytes(target, "(A_MINE) mine\r\n");
    const std::string script =
        fs::path(TORVANE_DEFAULT_FORMATS).parent_path() / "CopyIfMissing.cmake";
    auto copy = [&] {
        return QProcess::execute(QStringLiteral(CMAKE_COMMAND_PATH),
                                 {QStringLiteral("-DSOURCE=") + TORVANE_DEFAULT_FORMATS,
                                  QStringLiteral("-DDESTINATION=") + QString::fromStdString(target),
                                  QStringLiteral("-P"), QString::fromStdString(script)});
    };
    EXPECT_EQ(copy(), 0);
    EXPECT_EQ(ReadBytes(target), "(A_MINE) mine\r\n");
    fs::remove(target);
    EXPECT_EQ(copy(), 0);
    EXPECT_EQ(ReadBytes(target), ReadBytes(TORVANE_DEFAULT_FORMATS));
}

TEST(DefaultFormats, RealListingLinesOfTheCodecFixturesNeedNoQuestion) {
    const std::string ostrem = BuiltToolsFolder() + "/ostrem";
    ASSERT_TRUE(fs::exists(ostrem)) << "ostrem is not built in " << BuiltToolsFolder();
    int files = 0;
    for (const auto& entry :
         fs::directory_iterator(std::string(TORVANE_FIXTURES_DIR) + "/codecs")) {
        if (entry.path().extension() == ".md") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        QProcess run;
        run.start(QString::fromStdString(ostrem),
                  {QStringLiteral("-i"), QString::fromStdString(entry.path().string())});
        ASSERT_TRUE(run.waitForFinished(30000));
        const torvane::Listing listing =
            torvane::BuildListing(run.readAllStandardOutput().toStdString(), false, false);
        ASSERT_FALSE(listing.items.empty());
        torvane::FormatTable table;
        table.LoadFromFile(TORVANE_DEFAULT_FORMATS);
        for (const std::string& item : listing.items) {
            const std::string kind = torvane::ClassifyCodec(item, table);
            EXPECT_NE(kind, torvane::kKindUnknown) << item;
        }
    }
    EXPECT_GE(files, 35);
}
