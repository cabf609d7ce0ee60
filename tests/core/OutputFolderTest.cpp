#include "core/OutputFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using Result = OutputFolderCheck::Result;

TEST(OutputFolderPrefix, AddsASeparatorOnlyWhereOneIsMissing) {
    EXPECT_EQ(OutputFolderPrefix(""), "");
    EXPECT_EQ(OutputFolderPrefix("/data/out"), std::string("/data/out") + kPathSeparator);
    EXPECT_EQ(OutputFolderPrefix("/data/out/"), "/data/out/");
    EXPECT_EQ(OutputFolderPrefix("D:\\OUT\\"), "D:\\OUT\\");
    EXPECT_EQ(OutputFolderPrefix("/"), "/");
}

TEST(PrepareOutputFolder, ReadyCreatedOrFailedWithTheSystemsReason) {
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir.File("a file"), "x");
    struct Row {
        std::string typed;
        Result result;
        const char* reason;
    };
    for (const Row& row : {
             Row{"", Result::Ready, ""},
             Row{dir.Path(), Result::Ready, ""},
             Row{dir.File("new folder/with parents/"), Result::Created, ""},
             Row{dir.File("new folder/with parents"), Result::Ready, ""},
             Row{dir.File("no separator"), Result::Created, ""},
             Row{dir.File("a file"), Result::Failed, "Not a directory"},
             Row{dir.File("a file/under it/"), Result::Failed, "Not a directory"},
         }) {
        SCOPED_TRACE(row.typed);
        const OutputFolderCheck check = PrepareOutputFolder(row.typed);
        EXPECT_EQ(check.result, row.result);
        EXPECT_EQ(check.reason, row.reason);
        if (row.result != Result::Failed && !row.typed.empty()) {
            EXPECT_TRUE(fs::is_directory(row.typed));
        }
    }
    EXPECT_FALSE(fs::exists(dir.File("a file/under it")));
}

}  // namespace
}  // namespace torvane
