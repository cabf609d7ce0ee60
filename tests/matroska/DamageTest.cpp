// Damaged files: reading stops with an error naming the offset and what was
// expected, and what was read before stays usable. Never a crash or a hang.
#include <gtest/gtest.h>

#include <random>

#include "tests/matroska/Helpers.h"

namespace {

using namespace ebmltest;
using mkvtest::FileOf;
using mkvtest::OpenBytes;

Bytes CompleteFile() {
    return FileOf({
        Info(1000000, "Full"),
        Tracks({TrackEntry(1, 1, "V_VP9",
                           {Master(kVideo, {Uint(kPixelWidth, 64), Uint(kPixelHeight, 48)})}),
                TrackEntry(2, 2, "A_OPUS", {Str(kName, "Voz")})}),
        Master(kAttachments, {AttachedFile("f.ttf", "font/ttf", Bytes(40, 7), 1)}),
        Cluster(0, {SimpleBlock(1, 0, Bytes(30, 1)), SimpleBlock(2, 5, Bytes(20, 2)),
                    BlockGroup(2, 10, Bytes(10, 3), {Uint(kBlockDuration, 20)})}),
        Cluster(100, {SimpleBlock(1, 0, Bytes(30, 4))}),
        Master(kChapters, {Master(kEditionEntry,
                                  {Atom(1, 0, {Display("Uno")}), Atom(2, 50, {Display("Dos")})})}),
        Master(kTags, {Master(kTag, {Master(kTargets, {}), SimpleTagOf("TITLE", "t")})}),
    });
}

// Walks every block and reads every payload; returns the count.
size_t WalkAll(mkv::Reader& r) {
    mkv::BlockWalker w = r.Blocks();
    mkv::BlockHeader b;
    std::vector<uint8_t> data;
    size_t n = 0;
    while (w.Next(b)) {
        w.ReadPayload(data);
        ++n;
    }
    return n;
}

TEST(Damage, EveryCutOfAFileIsReportedAndNeverCrashes) {
    const Bytes full = CompleteFile();
    {
        auto whole = OpenBytes(full);
        ASSERT_TRUE(whole->Problems().empty()) << mkvtest::Problems(*whole);
        ASSERT_EQ(WalkAll(*whole), 4u);
    }
    for (size_t len = 0; len < full.size(); ++len) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len));
        auto r = OpenBytes(cut);
        EXPECT_TRUE(r->Fatal() || !r->Problems().empty()) << "cut at " << len;
        EXPECT_LE(r->Tracks().size(), 2u);
        WalkAll(*r);
    }
}

TEST(Damage, ACutInsideTheClustersKeepsTheBlocksBeforeIt) {
    const Bytes full = CompleteFile();
    // Cut in the middle of the second Cluster's block.
    size_t secondCluster = 0, seen = 0;
    for (size_t i = 0; i + 3 < full.size(); ++i) {
        if (full[i] == 0x1F && full[i + 1] == 0x43 && full[i + 2] == 0xB6 && full[i + 3] == 0x75 &&
            ++seen == 2) {
            secondCluster = i;
        }
    }
    ASSERT_NE(secondCluster, 0u);
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(secondCluster + 20));
    auto r = OpenBytes(cut);
    EXPECT_TRUE(mkvtest::HasProblem(*r, "the file is cut short")) << mkvtest::Problems(*r);
    ASSERT_EQ(r->Tracks().size(), 2u);
    ASSERT_EQ(r->Attachments().size(), 1u);
    mkv::BlockWalker w = r->Blocks();
    mkv::BlockHeader b;
    size_t blocks = 0;
    while (w.Next(b))
        ++blocks;
    EXPECT_EQ(blocks, 3u);
    ASSERT_TRUE(w.Damage());
    EXPECT_NE(w.Damage()->message.find("the file is cut short"), std::string::npos)
        << w.Damage()->message;
}

// A child that claims more than its parent holds is read only as far as the
// parent goes, and named; what follows the parent is read as ever.
TEST(Damage, AChildClaimingMoreThanItsParentHoldsIsClampedAndNamed) {
    const Bytes first = TrackEntry(1, 2, "A_AC3");
    const Bytes tracks = Master(
        kTracks, {first, ElementClaiming(kTrackEntry, 1000,
                                         Cat({Uint(kTrackNumber, 2), Str(kCodecId, "A_MP3")}))});
    const Bytes tags = Master(kTags, {Master(kTag, {SimpleTagOf("A", "b")})});
    const Bytes file = FileOf({Info(), tracks, tags});
    auto r = OpenBytes(file);
    ASSERT_EQ(r->Tracks().size(), 2u);  // the cut entry is read as far as it goes
    EXPECT_EQ(r->Tracks()[1].codecId, "A_MP3");
    EXPECT_TRUE(r->GetTags());
    ASSERT_EQ(r->Problems().size(), 1u) << mkvtest::Problems(*r);
    const size_t tracksAt = file.size() - tags.size() - tracks.size();
    EXPECT_EQ(r->Problems()[0].offset,
              tracksAt + 4 + Size(tracks.size() - 5).size() + first.size());
    EXPECT_TRUE(r->Problems()[0].message.starts_with(
        "TrackEntry declares 1000 bytes, but its parent Tracks has only"));

    // The same one level up: Tracks claims more than the Segment holds, and
    // a TrackEntry follows the Segment.
    auto past =
        OpenBytes(Cat({EbmlHeader(), Segment({Info(), ElementClaiming(kTracks, 1000, first)}),
                       TrackEntry(2, 2, "A_AC3")}));
    EXPECT_EQ(past->Tracks().size(), 1u) << mkvtest::Problems(*past);
    EXPECT_TRUE(mkvtest::HasProblem(*past, "Tracks declares 1000 bytes, but the Segment has only"));
}

TEST(Damage, GarbageInsideAMasterStopsItButKeepsWhatCameBefore) {
    const Bytes file =
        FileOf({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3"), Bytes{0x00, 0x00, 0x00}}),
                Master(kTags, {Master(kTag, {SimpleTagOf("A", "b")})})});
    auto r = OpenBytes(file);
    ASSERT_EQ(r->Tracks().size(), 1u);
    EXPECT_TRUE(mkvtest::HasProblem(*r, "expected an element ID, found byte 00 inside Tracks"));
    ASSERT_TRUE(r->GetTags());  // the next level-1 element is still reached
}

TEST(Damage, FilesThatAreNotMatroskaFailWithTheReason) {
    auto empty = OpenBytes({});
    ASSERT_TRUE(empty->Fatal());
    EXPECT_EQ(empty->Fatal()->ToString(), "at byte 0: not a Matroska file: the file is empty");
    const std::string text = "RIFF....WAVE";
    auto riff = OpenBytes(Bytes(text.begin(), text.end()));
    ASSERT_TRUE(riff->Fatal());
    EXPECT_EQ(riff->Fatal()->message,
              "not a Matroska file: expected the EBML header (1A 45 DF A3), found 52 49 46 46");
    auto noSegment = OpenBytes(Cat({EbmlHeader(), Void(10)}));
    ASSERT_TRUE(noSegment->Fatal());
    EXPECT_EQ(noSegment->Fatal()->message, "expected a Segment after the EBML header, found Void");
    // An EBML header this reader cannot read, whatever its DocType.
    auto ebml2 =
        OpenBytes(Cat({Master(kEbml, {Uint(kEbmlReadVersion, 2), Str(kDocType, "matroska")}),
                       Segment({Info()})}));
    ASSERT_TRUE(ebml2->Fatal());
    EXPECT_EQ(ebml2->Fatal()->message, "EBMLReadVersion 2 is not supported (expected 1)");
    auto walker = noSegment->Blocks();
    mkv::BlockHeader b;
    EXPECT_FALSE(walker.Next(b));
}

TEST(Damage, RandomByteChangesNeverCrash) {
    const Bytes full = CompleteFile();
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        Bytes copy = full;
        const int changes = 1 + static_cast<int>(rng() % 4);
        for (int c = 0; c < changes; ++c) {
            copy[rng() % copy.size()] = static_cast<uint8_t>(rng());
        }
        auto r = OpenBytes(copy);
        WalkAll(*r);
    }
}

}  // namespace
