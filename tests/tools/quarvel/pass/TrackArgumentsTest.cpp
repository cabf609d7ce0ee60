#include <gtest/gtest.h>

#include "tools/quarvel/pass/TrackArguments.h"

namespace quarvel {
namespace {

TEST(TrackArguments, SplitAtTheFirstColon) {
    std::vector<TrackRequest> r;
    std::string error;
    ASSERT_TRUE(ParseTrackArguments({"2:D:\\SALIDA\\Track2.ac3", "10:/out/a b:c.srt"}, r, error));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].position, 2u);
    EXPECT_EQ(r[0].path, "D:\\SALIDA\\Track2.ac3");
    EXPECT_EQ(r[1].position, 10u);
    EXPECT_EQ(r[1].path, "/out/a b:c.srt");
}

TEST(TrackArguments, BadArgumentsAreNamed) {
    std::vector<TrackRequest> r;
    std::string error;
    for (const char* bad :
         {"x:a.srt", "1:", "0:a.srt", ":a.srt", "a.srt", "-1:a", "1234567890:a", " 1:a"}) {
        EXPECT_FALSE(ParseTrackArguments({"1:ok.srt", bad}, r, error)) << bad;
        EXPECT_EQ(error,
                  std::string("bad argument '") + bad +
                      "': expected n:PATH, with n the track's number in the listing (from 1)");
    }
    EXPECT_FALSE(ParseTrackArguments({}, r, error));
    EXPECT_EQ(error, "no track given: expected one or more n:PATH arguments");
}

}  // namespace
}  // namespace quarvel
