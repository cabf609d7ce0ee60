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
    EXPECT_FALSE(ParseTrackArguments({"1:ok.srt", "x:a.srt", "0:b"}, r, error));
    EXPECT_EQ(error,
              "bad argument 'x:a.srt': expected n:PATH, with n the track's number in the listing "
              "(from 1)");
    EXPECT_FALSE(ParseTrackArguments({}, r, error));
    EXPECT_EQ(error, "no track given: expected one or more n:PATH arguments");
}

}  // namespace
}  // namespace quarvel
