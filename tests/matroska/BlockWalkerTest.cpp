// The walk over the Clusters: block headers, BlockGroups, unknown sizes, and
// payloads read only when asked for.
#include <gtest/gtest.h>

#include "tests/matroska/Helpers.h"

namespace {

using namespace ebmltest;
using mkvtest::FileOf;
using mkvtest::OpenBytes;

std::vector<mkv::BlockHeader> AllBlocks(mkv::Reader& r, mkv::BlockWalker* keep = nullptr) {
    mkv::BlockWalker w = r.Blocks();
    std::vector<mkv::BlockHeader> out;
    mkv::BlockHeader b;
    while (w.Next(b))
        out.push_back(b);
    EXPECT_FALSE(w.Damage()) << w.Damage()->ToString();
    if (keep != nullptr)
        *keep = std::move(w);
    return out;
}

TEST(Blocks, SimpleBlocksAndBlockGroupsInFileOrder) {
    const Bytes file = FileOf({
        Info(),
        Tracks({TrackEntry(1, 1, "V_VP9"), TrackEntry(2, 17, "S_TEXT/UTF8")}),
        Cluster(1000, {SimpleBlock(1, -5, {9, 9}, 0x80), SimpleBlock(1, 40, {8}, 0x09),
                       BlockGroup(2, 7, {'h', 'i'},
                                  {Uint(kBlockDuration, 1500),
                                   Master(kBlockAdditions,
                                          {Master(kBlockMore, {Uint(kBlockAddId, 1),
                                                               Bin(kBlockAdditional, {'s'})})})}),
                       BlockGroup(1, 80, {7}, {Sint(kReferenceBlock, -40)})}),
    });
    auto r = OpenBytes(file);
    const auto blocks = AllBlocks(*r);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_TRUE(blocks[0].simpleBlock);
    EXPECT_EQ(blocks[0].trackNumber, 1u);
    EXPECT_EQ(blocks[0].clusterTimestamp, 1000u);
    EXPECT_TRUE(blocks[0].clusterHasTimestamp);
    EXPECT_EQ(blocks[0].relativeTimestamp, -5);
    EXPECT_EQ(blocks[0].Ticks(), 995);
    EXPECT_TRUE(blocks[0].keyframe);
    EXPECT_EQ(blocks[0].payloadSize, 2u);
    EXPECT_TRUE(!blocks[1].keyframe && blocks[1].invisible && blocks[1].discardable);
    EXPECT_FALSE(blocks[2].simpleBlock);
    EXPECT_EQ(blocks[2].trackNumber, 2u);
    EXPECT_EQ(blocks[2].duration.value(), 1500u);
    EXPECT_TRUE(blocks[2].keyframe);  // no ReferenceBlock
    ASSERT_EQ(blocks[2].additions.size(), 1u);
    EXPECT_EQ(blocks[2].additions[0].data, (Bytes{'s'}));
    EXPECT_FALSE(blocks[3].keyframe);
    EXPECT_EQ(blocks[3].references, (std::vector<int64_t>{-40}));

    mkv::BlockWalker w = r->Blocks();
    mkv::BlockHeader b;
    std::vector<uint8_t> data;
    ASSERT_TRUE(w.Next(b) && w.Next(b) && w.Next(b));
    ASSERT_TRUE(w.ReadPayload(data));
    EXPECT_EQ(data, (Bytes{'h', 'i'}));
}

TEST(Blocks, LacingIsReportedNotUndone) {
    const std::vector<Bytes> frames = {Bytes(300, 1), Bytes(10, 2), Bytes(20, 3)};
    const Bytes file = FileOf({Info(), Tracks({TrackEntry(1, 2, "A_VORBIS")}),
                               Cluster(0, {SimpleBlock(1, 0, XiphLace(frames), 0x80 | kLaceXiph),
                                           SimpleBlock(1, 1, EbmlLace(frames), 0x80 | kLaceEbml),
                                           SimpleBlock(1, 2, FixedLace({Bytes(4, 1), Bytes(4, 2)}),
                                                       0x80 | kLaceFixed)})});
    auto r = OpenBytes(file);
    const auto blocks = AllBlocks(*r);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].lacing, 1);
    EXPECT_EQ(blocks[0].payloadSize, XiphLace(frames).size());
    EXPECT_EQ(blocks[1].lacing, 3);
    EXPECT_EQ(blocks[2].lacing, 2);
    EXPECT_EQ(blocks[2].payloadSize, 9u);
}

TEST(Blocks, UnknownSizedClustersEndAtTheNextLevelOneElement) {
    const Bytes file =
        Cat({EbmlHeader(),
             SegmentUnknownSize({
                 Info(),
                 Tracks({TrackEntry(1, 2, "A_AC3")}),
                 ClusterUnknownSize(0, {SimpleBlock(1, 0, {1}), Void(5), SimpleBlock(1, 1, {2})}),
                 ClusterUnknownSize(100, {SimpleBlock(1, 0, {3})}),
                 Master(kCues, {}),
                 Cluster(200, {SimpleBlock(1, 0, {4})}),
             })});
    auto r = OpenBytes(file);
    const auto blocks = AllBlocks(*r);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[1].clusterTimestamp, 0u);
    EXPECT_EQ(blocks[2].clusterTimestamp, 100u);
    EXPECT_EQ(blocks[3].clusterTimestamp, 200u);
}

TEST(Blocks, SkippingAPayloadDoesNotReadIt) {
    const Bytes file = FileOf(
        {Info(), Tracks({TrackEntry(1, 1, "V_VP9")}),
         Cluster(0, {SimpleBlock(1, 0, Bytes(100000, 1)), SimpleBlock(1, 1, Bytes(100000, 2))})});
    auto r = OpenBytes(file, mkv::kSectionInfo | mkv::kSectionTracks);
    const uint64_t before = r->Source().BytesRead();
    mkv::BlockWalker w = r->Blocks();
    mkv::BlockHeader b;
    size_t n = 0;
    while (w.Next(b))
        ++n;
    EXPECT_EQ(n, 2u);
    EXPECT_LT(r->Source().BytesRead() - before, 200u);
    EXPECT_EQ(w.Offset(), file.size());
    EXPECT_EQ(w.FileSize(), file.size());
}

TEST(Blocks, AShortBlockIsSkippedAndTheWalkGoesOn) {
    const Bytes file =
        FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}),
                Cluster(0, {Element(kSimpleBlock, {0x81, 0x00}), SimpleBlock(1, 0, {5}),
                            Master(kBlockGroup, {Uint(kBlockDuration, 1)})})});
    auto r = OpenBytes(file);
    mkv::BlockWalker w = r->Blocks();
    mkv::BlockHeader b;
    ASSERT_TRUE(w.Next(b));
    EXPECT_EQ(b.payloadSize, 1u);
    EXPECT_FALSE(w.Next(b));
    EXPECT_FALSE(w.Damage());
    ASSERT_EQ(w.Skipped().size(), 2u);
    EXPECT_EQ(w.Skipped()[0].message, "SimpleBlock of 2 bytes is shorter than its header; skipped");
    EXPECT_EQ(w.Skipped()[1].message, "BlockGroup without a Block; skipped");
}

TEST(Blocks, AClusterWithoutTimestampKeepsThePreviousOneAndSaysSo) {
    const Bytes file =
        FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}), Cluster(500, {SimpleBlock(1, 0, {1})}),
                Master(kCluster, {SimpleBlock(1, 3, {2})})});
    auto r = OpenBytes(file);
    const auto blocks = AllBlocks(*r);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_FALSE(blocks[1].clusterHasTimestamp);
    EXPECT_EQ(blocks[1].clusterTimestamp, 500u);
}

TEST(Blocks, GarbageInAClusterStopsTheWalkWithItsOffset) {
    Bytes cluster = Cluster(0, {SimpleBlock(1, 0, {1}), Bytes{0x00, 0x00, 0x00}});
    const Bytes file = FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}), cluster});
    auto r = OpenBytes(file);
    mkv::BlockWalker w = r->Blocks();
    mkv::BlockHeader b;
    ASSERT_TRUE(w.Next(b));
    EXPECT_FALSE(w.Next(b));
    ASSERT_TRUE(w.Damage());
    EXPECT_EQ(w.Damage()->offset, file.size() - 3);
    EXPECT_NE(w.Damage()->message.find("expected an element ID, found byte 00"), std::string::npos);
    EXPECT_FALSE(w.DamageAfterLastCluster());
}

TEST(Blocks, DamageBetweenClustersTellsWhetherBlocksWereLost) {
    const Bytes cluster = Cluster(0, {SimpleBlock(1, 0, {1})});
    const Bytes garbage = {0x00, 0x00, 0x00};
    struct Row {
        const char* name;
        std::vector<Bytes> tail;
        bool afterLastCluster;
    };
    const Row rows[] = {
        {"an unknown-sized Tags at the end",
         {MasterUnknownSize(kTags, {Master(kTag, {SimpleTagOf("A", "b")})})},
         true},
        {"garbage at the end", {garbage}, true},
        {"garbage, then a Cluster", {garbage, cluster}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<Bytes> children = {Info(), Tracks({TrackEntry(1, 2, "A_AC3")}), cluster};
        children.insert(children.end(), row.tail.begin(), row.tail.end());
        auto r = OpenBytes(FileOf(children), mkv::kSectionInfo | mkv::kSectionTracks);
        mkv::BlockWalker w = r->Blocks();
        mkv::BlockHeader b;
        ASSERT_TRUE(w.Next(b));
        EXPECT_FALSE(w.Next(b));
        ASSERT_TRUE(w.Damage());
        EXPECT_EQ(w.DamageAfterLastCluster(), row.afterLastCluster);
    }
}

}  // namespace
