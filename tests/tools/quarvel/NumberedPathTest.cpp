#include <gtest/gtest.h>

#include "tools/quarvel/NumberedPath.h"
#include "tools/quarvel/pass/TrackArguments.h"

namespace quarvel {
namespace {

TEST(NumberedPath, SplitsAtTheFirstColon) {
    const auto windows = ParseNumberedPath("2:D:\\SALIDA\\Track2.ac3");
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->number, 2u);
    EXPECT_EQ(windows->path, "D:\\SALIDA\\Track2.ac3");
    const auto blanks = ParseNumberedPath("123456789:/out/a b:c.srt");
    ASSERT_TRUE(blanks);
    EXPECT_EQ(blanks->number, 123456789u);
    EXPECT_EQ(blanks->path, "/out/a b:c.srt");
}

TEST(NumberedPath, RefusesWhatIsNotNColonPath) {
    for (const char* bad :
         {"x:a.srt", "1:", "0:a.srt", ":a.srt", "a.srt", "-1:a", "1234567890:a", " 1:a", "1a:b"}) {
        EXPECT_FALSE(ParseNumberedPath(bad)) << bad;
    }
}

TEST(TrackArguments, TheFirstBadArgumentIsNamed) {
    std::vector<TrackRequest> r;
    std::string error;
    const struct {
        std::vector<std::string> args;
        std::string error;
    } rows[] = {
        {{"1:ok.srt", "x:a.srt", "0:b"},
         "bad argument 'x:a.srt': expected n:PATH, with n the track's number in the listing "
         "(from 1)"},
        {{}, "no track given: expected one or more n:PATH arguments"},
        {{"1:ok.srt", "--timestamps"}, "--timestamps needs an n:PATH after it"},
        {{"--timestamps", "--timestamps", "1:t.txt"},
         "bad argument '--timestamps': expected n:PATH, with n the track's number in the "
         "listing (from 1)"},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(ParseTrackArguments(row.args, TrackContent::kFrames, r, error));
        EXPECT_EQ(error, row.error);
    }
}

TEST(TrackArguments, TimestampsAskedForByModeOrOption) {
    using enum TrackContent;
    std::vector<TrackRequest> r;
    std::string error;
    const std::vector<std::string> args = {"1:v.h264", "--timestamps", "1:v.txt", "3:a.ac3"};
    ASSERT_TRUE(ParseTrackArguments(args, kFrames, r, error)) << error;
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].path + " " + r[1].path + " " + r[2].path, "v.h264 v.txt a.ac3");
    EXPECT_TRUE(r[0].content == kFrames && r[1].content == kTimestamps && r[2].content == kFrames);
    ASSERT_TRUE(ParseTrackArguments(args, kTimestamps, r, error)) << error;
    EXPECT_TRUE(r[0].content == kTimestamps && r[1].content == kTimestamps &&
                r[2].content == kTimestamps);
    EXPECT_EQ(r[2].number, 3u);
}

}  // namespace
}  // namespace quarvel
