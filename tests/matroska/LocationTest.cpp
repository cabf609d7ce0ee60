// Finding the level-1 elements: SeekHead, the scan past the Clusters, and how
// little of the file either reads.
#include <gtest/gtest.h>

#include "tests/matroska/Helpers.h"
#include "tests/support/TempDir.h"

namespace {

using namespace ebmltest;
using mkvtest::FileOf;
using mkvtest::FileWithSeekHead;
using mkvtest::OpenBytes;

Bytes ManyClusters(size_t count, size_t payload) {
    Bytes out;
    for (size_t i = 0; i < count; ++i) {
        Append(out, Cluster(i * 1000, {SimpleBlock(1, 0, Bytes(payload, 0x55))}));
    }
    return out;
}

Bytes EndTags() {
    return Master(kTags, {Master(kTag, {Master(kTargets, {}), SimpleTagOf("TITLE", "end")})});
}
Bytes EndChapters() {
    return Master(kChapters, {Master(kEditionEntry, {Atom(1, 0, {Display("Fin")})})});
}

TEST(Location, MetadataAfterTheClustersIsFoundThroughTheSeekHead) {
    const Bytes clusters = ManyClusters(100, 20000);
    const Bytes file = FileWithSeekHead(
        {Info(), Tracks({TrackEntry(1, 2, "A_AC3")}), clusters, EndChapters(), EndTags()},
        {kInfo, kTracks, kChapters, kTags});
    auto r = OpenBytes(file);
    EXPECT_TRUE(r->Problems().empty()) << mkvtest::Problems(*r);
    ASSERT_TRUE(r->GetTags());
    EXPECT_EQ(r->GetTags()->tags[0].simpleTags[0].string.value(), "end");
    ASSERT_TRUE(r->GetChapters());
    EXPECT_EQ(r->GetChapters()->editions[0].atoms[0].displays[0].string, "Fin");
    EXPECT_LT(r->Source().BytesRead(), 2000u);
}

TEST(Location, WithoutSeekHeadTheScanSkipsClustersBySize) {
    const Bytes file = FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}),
                               ManyClusters(100, 20000), EndChapters(), EndTags()});
    auto r = OpenBytes(file, mkv::kSectionChapters | mkv::kSectionTags);
    ASSERT_TRUE(r->GetTags());
    ASSERT_TRUE(r->GetChapters());
    // A dozen bytes per Cluster header, not the Clusters.
    EXPECT_LT(r->Source().BytesRead(), 4000u);
}

TEST(Location, FileSourceReadsLittleWhenScanningARealFile) {
    const Bytes file =
        FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}), ManyClusters(400, 50000), EndTags()});
    const torvane::testsupport::TempDir dir;
    torvane::testsupport::WriteBytes(dir.File("scan.mkv"), file);
    std::string error;
    mkv::Reader r(mkv::OpenFile(dir.File("scan.mkv"), &error));
    ASSERT_TRUE(r.Open()) << error;
    ASSERT_TRUE(r.GetTags());
    EXPECT_LT(r.Source().BytesRead(), 40000u) << "file of " << file.size() << " bytes";
}

// A checked SeekHead with an entry past the Clusters, even one for an
// element nobody asked for, vouches that it indexes everything: no Cluster is
// walked. Without such an entry nothing says the index is complete.
TEST(Location, ASeekHeadIndexingPastTheClustersSparesTheScan) {
    const unsigned noTags = mkv::kSectionInfo | mkv::kSectionTracks | mkv::kSectionAttachments;
    struct Row {
        Bytes tail;
        std::vector<uint32_t> indexed;
        unsigned sections;
        bool spared;
    };
    const Row rows[] = {
        {Master(kCues, {}), {kInfo, kTracks, kCues}, mkv::kAllSections, true},
        {EndTags(), {kInfo, kTracks, kTags}, noTags, true},
        {Master(kCues, {}), {kInfo, kTracks}, mkv::kAllSections, false},
    };
    for (const Row& row : rows) {
        auto r = OpenBytes(FileWithSeekHead({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}),
                                             ManyClusters(2000, 1), row.tail},
                                            row.indexed),
                           row.sections);
        EXPECT_TRUE(r->Attachments().empty());
        EXPECT_FALSE(r->GetTags());
        EXPECT_EQ(r->Source().BytesRead() < 2000u, row.spared) << r->Source().BytesRead();
    }
}

// A stale entry is reported, and the SeekHead no longer vouches for the
// file: the scan finds the element, and what the SeekHead never indexed.
TEST(Location, AStaleSeekHeadEntryIsReportedAndTheScanFindsTheElement) {
    Bytes file =
        FileWithSeekHead({Info(), ManyClusters(3, 10), EndTags(), EndChapters(), Master(kCues, {})},
                         {kInfo, kTags, kCues});
    ASSERT_FALSE(OpenBytes(file)->GetChapters());  // a sound index is trusted
    // Point the Tags entry 5 bytes early: the SeekPosition (ID 53 AC 88) of
    // the second Seek.
    size_t at = 0, found = 0;
    for (size_t i = 0; i + 2 < file.size(); ++i) {
        if (file[i] == 0x53 && file[i + 1] == 0xAC && file[i + 2] == 0x88 && ++found == 2) {
            at = i + 3;
            break;
        }
    }
    ASSERT_NE(at, 0u);
    file[at + 7] -= 5;
    auto r = OpenBytes(file);
    EXPECT_TRUE(mkvtest::HasProblem(*r, "SeekHead entry for Tags points to byte"))
        << mkvtest::Problems(*r);
    ASSERT_TRUE(r->GetTags());
    EXPECT_EQ(r->GetTags()->tags.size(), 1u);
    EXPECT_TRUE(r->GetChapters());
}

TEST(Location, UnknownSizedSegmentAndClustersAreWalkedToTheTagsBehindThem) {
    const Bytes file =
        Cat({EbmlHeader(),
             SegmentUnknownSize({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}),
                                 ClusterUnknownSize(0, {SimpleBlock(1, 0, {1, 2})}),
                                 ClusterUnknownSize(10, {SimpleBlock(1, 0, {3})}), EndTags()})});
    auto r = OpenBytes(file);
    EXPECT_TRUE(r->Problems().empty()) << mkvtest::Problems(*r);
    ASSERT_TRUE(r->GetTags());
    ASSERT_EQ(r->Tracks().size(), 1u);
}

TEST(Location, OnlyTheFirstSegmentIsRead) {
    const Bytes file =
        Cat({EbmlHeader(), SegmentUnknownSize({Info(), Tracks({TrackEntry(1, 2, "A_AC3")})}),
             EbmlHeader(), Segment({Info(), Tracks({TrackEntry(1, 1, "V_VP8")}), EndTags()})});
    auto r = OpenBytes(file);
    ASSERT_EQ(r->Tracks().size(), 1u);
    EXPECT_EQ(r->Tracks()[0].codecId, "A_AC3");
    EXPECT_FALSE(r->GetTags());
    EXPECT_TRUE(mkvtest::HasProblem(*r, "only the first Segment is read"));
}

}  // namespace
