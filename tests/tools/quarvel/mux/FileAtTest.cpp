// The muxing module's file access on the platform at hand: reads and writes
// at an offset leave the current position alone, as the module's container
// writers expect.
#include "tools/quarvel/mux/FileAt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/TempDir.h"
#include "tools/common/FileSystem.h"

namespace quarvel::mux {
namespace {

TEST(FileAt, PositionedAccessLeavesTheCurrentPositionAlone) {
    torvane::testsupport::TempDir dir;
    std::FILE* file = tools::CreateNewFile(dir.File("out"));
    ASSERT_NE(file, nullptr);
    const int fd = fileno(file);
    EXPECT_EQ(WriteSome(fd, "abcdef", 6), 6);
    EXPECT_EQ(SeekTo(fd, 2, SEEK_SET), 2);
    EXPECT_EQ(WriteAt(fd, "XY", 2, 4), 2);
    char read[3] = {};
    EXPECT_EQ(ReadAt(fd, read, 3, 3), 3);
    EXPECT_EQ(std::string(read, 3), "dXY");
    EXPECT_EQ(WriteAt(fd, "Z", 1, 9), 1);  // past the end: the gap reads as zeros
    EXPECT_EQ(SizeOf(fd), 10);
    EXPECT_EQ(SeekTo(fd, 0, SEEK_CUR), 2);
    EXPECT_EQ(WriteSome(fd, "c", 1), 1);
    EXPECT_TRUE(Truncate(fd, 7));
    EXPECT_EQ(SizeOf(fd), 7);
    std::fclose(file);
    EXPECT_EQ(torvane::testsupport::ReadBytes(dir.File("out")), std::string("abcdXY\0", 7));
    EXPECT_EQ(ReadAt(-1, read, 1, 0), -1);
}

}  // namespace
}  // namespace quarvel::mux
