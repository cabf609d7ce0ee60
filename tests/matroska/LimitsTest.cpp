// Each safety limit of Limits.h, one test each: past it the reader stops or
// ignores the rest, says so, and keeps what came before.
#include <gtest/gtest.h>

#include <cstring>

#include "matroska/Limits.h"
#include "tests/matroska/Helpers.h"

namespace {

using namespace ebmltest;
using mkvtest::FileOf;
using mkvtest::HasProblem;
using mkvtest::OpenBytes;

// A limit is reported once, with the number of elements passed over.
void ExpectOnce(const mkv::Reader& r, const std::string& message) {
    size_t found = 0;
    for (const mkv::Error& e : r.Problems())
        found += e.message.find(message.substr(0, message.find(';'))) != std::string::npos;
    EXPECT_EQ(found, 1u) << mkvtest::Problems(r);
    EXPECT_TRUE(HasProblem(r, message)) << mkvtest::Problems(r);
}

Bytes Repeat(const Bytes& one, size_t n) {
    Bytes out;
    out.reserve(one.size() * n);
    for (size_t i = 0; i < n; ++i)
        Append(out, one);
    return out;
}

TEST(Limits, NestingDepth) {
    Bytes atom = Atom(999, 0);
    for (int i = 0; i < mkv::kMaxDepth + 5; ++i)
        atom = Master(kChapterAtom, {Uint(kChapterUid, 1), atom});
    auto r = OpenBytes(FileOf({Info(), Master(kChapters, {Master(kEditionEntry, {atom})})}));
    EXPECT_TRUE(HasProblem(*r, "ChapterAtom is nested more than 32 levels deep; skipped"));
    ASSERT_TRUE(r->GetChapters());
    ASSERT_EQ(r->GetChapters()->editions[0].atoms.size(), 1u);
}

TEST(Limits, ElementSizeHeldInMemory) {
    const Bytes big(mkv::kMaxHeldElementSize + 1, 0xAB);
    auto r = OpenBytes(
        FileOf({Info(), Tracks({TrackEntry(1, 17, "S_VOBSUB", {Bin(kCodecPrivate, big)})})}));
    ASSERT_EQ(r->Tracks().size(), 1u);
    EXPECT_TRUE(r->Tracks()[0].codecPrivate.empty());
    EXPECT_TRUE(
        HasProblem(*r, "CodecPrivate of 16777217 bytes is larger than the reader holds in memory"));
}

TEST(Limits, MetadataBytesOfAllValuesTogether) {
    // Five values of almost 4 MiB, each well under the per-element limit:
    // four are kept, the fifth would pass the total.
    const Bytes big((4 << 20) - 1024, 0x42);
    std::vector<Bytes> simpleTags;
    for (int i = 0; i < 5; ++i)
        simpleTags.push_back(Master(kSimpleTag, {Str(kTagName, "N"), Bin(kTagBinary, big)}));
    auto r = OpenBytes(FileOf({Info(), Master(kTags, {Master(kTag, simpleTags)})}));
    ASSERT_TRUE(r->GetTags());
    const auto& kept = r->GetTags()->tags[0].simpleTags;
    ASSERT_EQ(kept.size(), 5u);
    EXPECT_TRUE(kept[3].binary);
    EXPECT_FALSE(kept[4].binary);
    ExpectOnce(*r, "more than 16777216 bytes of metadata values; 1 more ignored");
}

// Past a count the reader keeps the first ones and says once how many more
// it passed over.
TEST(Limits, CountsOfElements) {
    const Bytes tags = Master(kTags, {Master(kTag, {SimpleTagOf("N", "v")})});
    std::vector<Bytes> manyTags = {Info()};
    manyTags.insert(manyTags.end(), mkv::kMaxTagsElements + 2, tags);
    const Bytes encodings = Element(
        kContentEncodings, Repeat(Master(kContentEncoding, {}), mkv::kMaxContentEncodings + 1));
    using Kept = size_t (*)(const mkv::Reader&);
    struct Row {
        Bytes file;
        Kept kept;
        size_t limit;
        std::string message;
    };
    const Row rows[] = {
        {FileOf({Info(), Element(kTracks, Repeat(TrackEntry(1, 2, "A_AC3"), mkv::kMaxTracks + 3))}),
         [](const mkv::Reader& r) { return r.Tracks().size(); }, mkv::kMaxTracks,
         "more than 4096 tracks; 3 more ignored"},
        {FileOf({Info(), Element(kAttachments, Repeat(AttachedFile("a", "b", {1}, 1),
                                                      mkv::kMaxAttachments + 1))}),
         [](const mkv::Reader& r) { return r.Attachments().size(); }, mkv::kMaxAttachments,
         "more than 65536 attachments; 1 more ignored"},
        {FileOf({Info(),
                 Master(kChapters, {Element(kEditionEntry, Repeat(Empty(kChapterAtom),
                                                                  mkv::kMaxChapterAtoms + 1))})}),
         [](const mkv::Reader& r) { return r.GetChapters().value().editions.at(0).atoms.size(); },
         mkv::kMaxChapterAtoms, "more than 65536 chapters; 1 more ignored"},
        {FileOf({Info(), Master(kTags, {Element(kTag, Repeat(Empty(kSimpleTag),
                                                             mkv::kMaxSimpleTags + 1))})}),
         [](const mkv::Reader& r) { return r.GetTags().value().tags.at(0).simpleTags.size(); },
         mkv::kMaxSimpleTags, "more than 262144 SimpleTags; 1 more ignored"},
        {FileOf(manyTags), [](const mkv::Reader& r) { return r.GetTags().value().tags.size(); },
         mkv::kMaxTagsElements, "more than 256 Tags elements; 2 more ignored"},
        {FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3", {encodings}),
                                 TrackEntry(2, 2, "A_AC3", {encodings})})}),
         [](const mkv::Reader& r) { return r.Tracks().at(1).contentEncodings.size(); },
         mkv::kMaxContentEncodings, "more than 16 ContentEncodings in one track; 2 more ignored"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        auto r = OpenBytes(row.file);
        ExpectOnce(*r, row.message);
        EXPECT_EQ(row.kept(*r), row.limit);  // throws when nothing was read
    }
}

TEST(Limits, SeekEntryCount) {
    const Bytes head = Element(kSeekHead, Repeat(Seek(kInfo, 0), mkv::kMaxSeekEntries + 5));
    auto r = OpenBytes(FileOf({head, Info()}));
    ExpectOnce(*r, "more than 4096 SeekHead entries; 5 more ignored");
    // The entries kept all point at the SeekHead itself: said once too.
    EXPECT_EQ(r->Problems().size(), 2u) << mkvtest::Problems(*r);
}

TEST(Limits, BlockAdditionCount) {
    const Bytes more = Master(kBlockMore, {Uint(kBlockAddId, 1), Bin(kBlockAdditional, {1})});
    const Bytes group = BlockGroup(
        1, 0, {1}, {Element(kBlockAdditions, Repeat(more, mkv::kMaxBlockAdditions + 1))});
    auto r = OpenBytes(FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}), Cluster(0, {group})}));
    mkv::BlockWalker w = r->Blocks();
    mkv::BlockHeader b;
    ASSERT_TRUE(w.Next(b));
    EXPECT_EQ(b.additions.size(), mkv::kMaxBlockAdditions);
    ASSERT_EQ(w.Skipped().size(), 1u);
    EXPECT_EQ(w.Skipped()[0].message,
              "more than 16 BlockAdditions in one block; the rest are ignored");
}

TEST(Limits, MetadataElementCount) {
    const Bytes tags = Element(kTags, Repeat(Void(2), mkv::kMaxMetadataElements + 10));
    auto r = OpenBytes(FileOf({Info(), tags}));
    EXPECT_TRUE(HasProblem(*r, "more than 1000000 metadata elements; the rest are ignored"));
}

TEST(Limits, ScannedElementCount) {
    // Tiny Clusters, then Tags nobody indexed: the search gives up and says so.
    const Bytes clusters = Repeat(Empty(kCluster), mkv::kMaxScannedElements + 1);
    auto r = OpenBytes(
        FileOf({Info(), clusters, Master(kTags, {Master(kTag, {SimpleTagOf("N", "v")})})}),
        mkv::kSectionTags);
    EXPECT_FALSE(r->GetTags());
    EXPECT_TRUE(HasProblem(*r, "more than 4000000 elements after the first Cluster"));
}

// A file of `size` bytes whose first bytes are `head` and the rest zeros,
// without holding them: lets a test name a huge block honestly.
class SparseSource : public mkv::ByteSource {
  public:
    SparseSource(Bytes head, uint64_t size) : head_(std::move(head)), size_(size) {}
    uint64_t Size() const override { return size_; }
    uint64_t BytesRead() const override { return read_; }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        if (offset >= size_)
            return 0;
        n = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
        auto* out = static_cast<uint8_t*>(dst);
        for (size_t i = 0; i < n; ++i) {
            const uint64_t at = offset + i;
            out[i] = at < head_.size() ? head_[static_cast<size_t>(at)] : 0;
        }
        read_ += n;
        return n;
    }

  private:
    Bytes head_;
    uint64_t size_;
    uint64_t read_ = 0;
};

TEST(Limits, TailSearchedForClusters) {
    // Damage after a Cluster, then more than can be searched: whether a
    // Cluster follows is not known, so it is taken that one may.
    Bytes head =
        Cat({EbmlHeader(), Id(kSegment), UnknownSize(), Info(), Tracks({TrackEntry(1, 1, "V_VP9")}),
             Cluster(0, {SimpleBlock(1, 0, {1})}), Bytes{0x00}});
    for (uint64_t tail : {mkv::kMaxTailSearchBytes - 1, mkv::kMaxTailSearchBytes + 1}) {
        mkv::Reader r(std::make_unique<SparseSource>(head, head.size() - 1 + tail));
        ASSERT_TRUE(r.Open());
        mkv::BlockWalker w = r.Blocks();
        mkv::BlockHeader b;
        ASSERT_TRUE(w.Next(b));
        EXPECT_FALSE(w.Next(b));
        ASSERT_TRUE(w.Damage());
        EXPECT_EQ(w.DamageAfterLastCluster(), tail < mkv::kMaxTailSearchBytes) << tail;
    }
}

TEST(Limits, PayloadSize) {
    const uint64_t payload = mkv::kMaxPayloadSize + 1;
    const Bytes blockHead = {0x81, 0x00, 0x00, 0x80};
    const Bytes cluster = Cat({Id(kCluster), Size(payload + 100, 8), Uint(kTimestamp, 0),
                               Id(kSimpleBlock), Size(payload + blockHead.size(), 8), blockHead});
    Bytes head = Cat(
        {EbmlHeader(), Id(kSegment), UnknownSize(), Info(), Tracks({TrackEntry(1, 1, "V_VP9")})});
    const uint64_t total = head.size() + cluster.size() + payload;
    Append(head, cluster);
    mkv::Reader r(std::make_unique<SparseSource>(head, total));
    ASSERT_TRUE(r.Open());
    mkv::BlockWalker w = r.Blocks();
    mkv::BlockHeader b;
    ASSERT_TRUE(w.Next(b));
    EXPECT_EQ(b.payloadSize, payload);
    std::vector<uint8_t> data;
    EXPECT_FALSE(w.ReadPayload(data));
    ASSERT_TRUE(w.Damage());
    EXPECT_EQ(w.Damage()->message,
              "block payload of 268435457 bytes is larger than the reader handles (268435456)");
}

}  // namespace
