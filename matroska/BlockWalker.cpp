#include <algorithm>

#include "matroska/Ids.h"
#include "matroska/State.h"

namespace mkv {

struct BlockWalker::Impl {
    Reader::State* s = nullptr;
    uint64_t pos = 0;
    bool done = false;
    bool inCluster = false;
    bool clusterUnknown = false;
    uint64_t clusterEnd = 0;
    uint64_t clusterOffset = 0;
    uint64_t clusterData = 0;
    bool clusterWhole = false;      // known size, all of it inside the Segment
    uint64_t clusterTimestamp = 0;  // kept from the previous Cluster when one lacks it
    bool clusterHasTimestamp = false;
    bool haveCurrent = false;
    BlockHeader current;
    std::optional<Error> damage;
    bool afterLastCluster = false;
    std::vector<Error> skipped;
    std::function<void(const ClusterCrc&)> onCrc;

    bool Stop(uint64_t offset, std::string message) {
        damage = Error{offset, std::move(message)};
        done = true;
        return false;
    }
    // Stops at damage met between level-1 elements, at `pos`.
    bool StopBetweenElements(uint64_t offset, std::string message) {
        afterLastCluster = !ClusterFollows(pos);
        return Stop(offset, std::move(message));
    }
    bool ClusterFollows(uint64_t from) const;
    void Skip(uint64_t offset, std::string message) {
        skipped.push_back(Error{offset, std::move(message)});
    }
    bool ReadNumber(const ElementHeader& h, uint64_t& u, int64_t* i = nullptr) {
        if (h.size > 8)
            return false;
        uint8_t buf[8];
        const auto n = static_cast<size_t>(h.size);
        if (n > 0 && s->source->ReadAt(h.dataOffset, buf, n) != n)
            return false;
        u = DecodeUint(buf, n);
        if (i != nullptr)
            *i = DecodeSint(buf, n);
        return true;
    }
    // Fills the track number, timestamp, flags and payload range of `out`
    // from a SimpleBlock or Block element.
    bool ReadBlockHeader(const ElementHeader& h, BlockHeader& out) {
        uint8_t buf[11];
        const auto n = static_cast<size_t>(std::min<uint64_t>(h.size, sizeof buf));
        if (n > 0 && s->source->ReadAt(h.dataOffset, buf, n) != n)
            return false;
        uint64_t track = 0;
        const size_t len = DecodeVint(buf, n, track);
        if (len == 0 || len + 3 > h.size) {
            Skip(h.offset, ElementName(h.id) + " of " + std::to_string(h.size) +
                               " bytes is shorter than its header; skipped");
            return false;
        }
        out.trackNumber = track;
        out.relativeTimestamp = static_cast<int16_t>((buf[len] << 8) | buf[len + 1]);
        out.flags = buf[len + 2];
        out.lacing = (out.flags >> 1) & 3;
        out.invisible = (out.flags & 0x08) != 0;
        out.payloadOffset = h.dataOffset + len + 3;
        out.payloadSize = h.size - len - 3;
        return true;
    }
    void ReportCrc(const ElementHeader& crc) {
        uint8_t b[4];
        if (s->source->ReadAt(crc.dataOffset, b, 4) != 4)
            return;
        const uint32_t stored = b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t{b[3]} << 24);
        onCrc(ClusterCrc{clusterOffset, crc.End(), clusterEnd, stored});
    }
    void ReadAdditions(const ElementHeader& additions, BlockHeader& out);
    bool ReadGroup(const ElementHeader& group, BlockHeader& out);

    // What one step of the walk came to.
    enum class Step { kGoOn, kBlock, kEnd };
    bool Next(BlockHeader& block);
    Step StepBetweenElements();
    void EnterCluster(const ElementHeader& cluster);
    Step StepInCluster(BlockHeader& block);
    bool FitsCluster(const ElementHeader& h);
    Step TakeClusterChild(const ElementHeader& h, BlockHeader& block);
    bool ReadBlock(const ElementHeader& h, BlockHeader& block);
};

// Whether a Cluster ID appears anywhere in [from, end of the Segment); true
// when that is too far to search.
bool BlockWalker::Impl::ClusterFollows(uint64_t from) const {
    const uint64_t end = s->segmentEnd;
    if (from >= end) {
        return false;
    }
    if (end - from > kMaxTailSearchBytes) {
        return true;
    }
    static constexpr uint8_t kClusterId[] = {0x1F, 0x43, 0xB6, 0x75};
    std::vector<uint8_t> chunk(64 << 10);
    for (uint64_t at = from; at < end;) {
        const auto n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), end - at));
        const size_t got = s->source->ReadAt(at, chunk.data(), n);
        const auto last = chunk.begin() + static_cast<std::ptrdiff_t>(got);
        if (std::search(chunk.begin(), last, std::begin(kClusterId), std::end(kClusterId)) !=
            last) {
            return true;
        }
        if (got < n || at + got >= end) {
            return false;
        }
        at += got - (sizeof kClusterId - 1);  // an ID across two chunks is seen too
    }
    return false;
}

void BlockWalker::Impl::ReadAdditions(const ElementHeader& additions, BlockHeader& out) {
    ByteSource& src = *s->source;
    for (uint64_t p = additions.dataOffset; p < additions.End();) {
        ElementHeader more;
        Error error;
        if (!ReadElementHeader(src, p, additions.End(), more, error) || more.unknownSize ||
            more.End() > additions.End()) {
            return;
        }
        p = more.End();
        if (more.id != id::kBlockMore)
            continue;
        if (out.additions.size() >= kMaxBlockAdditions) {
            Skip(more.offset, "more than " + std::to_string(kMaxBlockAdditions) +
                                  " BlockAdditions in one block; the rest are ignored");
            return;
        }
        BlockAddition add;
        bool haveData = false;
        for (uint64_t q = more.dataOffset; q < more.End();) {
            ElementHeader c;
            if (!ReadElementHeader(src, q, more.End(), c, error) || c.unknownSize ||
                c.End() > more.End()) {
                break;
            }
            q = c.End();
            if (c.id == id::kBlockAddId) {
                uint64_t v = 1;
                if (ReadNumber(c, v))
                    add.id = c.size == 0 ? 1 : v;
            } else if (c.id == id::kBlockAdditional && c.size <= kMaxHeldElementSize) {
                add.data.resize(static_cast<size_t>(c.size));
                haveData = c.size == 0 || src.ReadAt(c.dataOffset, add.data.data(),
                                                     add.data.size()) == add.data.size();
            }
        }
        if (haveData)
            out.additions.push_back(std::move(add));
    }
}

bool BlockWalker::Impl::ReadGroup(const ElementHeader& group, BlockHeader& out) {
    ByteSource& src = *s->source;
    bool haveBlock = false;
    for (uint64_t p = group.dataOffset; p < group.End();) {
        ElementHeader c;
        Error error;
        if (!ReadElementHeader(src, p, group.End(), c, error)) {
            Skip(error.offset, error.message + " inside a BlockGroup; the group is skipped");
            return false;
        }
        if (c.unknownSize || c.End() > group.End()) {
            Skip(c.offset,
                 ElementName(c.id) + " runs past the end of its BlockGroup; the group is skipped");
            return false;
        }
        p = c.End();
        uint64_t u = 0;
        int64_t i = 0;
        switch (c.id) {
            case id::kBlock:
                if (!haveBlock) {
                    if (!ReadBlockHeader(c, out))
                        return false;
                    haveBlock = true;
                }
                break;
            case id::kBlockDuration:
                if (ReadNumber(c, u))
                    out.duration = u;
                break;
            case id::kReferenceBlock:
                // Only whether there is one matters for keyframes; keep a few.
                if (ReadNumber(c, u, &i) && out.references.size() < kMaxBlockAdditions) {
                    out.references.push_back(i);
                } else if (out.references.empty()) {
                    out.references.push_back(0);
                }
                break;
            case id::kDiscardPadding:
                if (ReadNumber(c, u, &i))
                    out.discardPadding = i;
                break;
            case id::kBlockAdditions:
                ReadAdditions(c, out);
                break;
            default:
                break;
        }
    }
    if (!haveBlock)
        Skip(group.offset, "BlockGroup without a Block; skipped");
    return haveBlock;
}

bool BlockWalker::Impl::Next(BlockHeader& block) {
    haveCurrent = false;
    Step step = Step::kGoOn;
    while (!done && step == Step::kGoOn)
        step = inCluster ? StepInCluster(block) : StepBetweenElements();
    if (step == Step::kBlock)
        return true;
    done = true;
    return false;
}

// Enters the next Cluster, or passes over the level-1 element at pos.
BlockWalker::Impl::Step BlockWalker::Impl::StepBetweenElements() {
    if (pos >= s->segmentEnd)
        return Step::kEnd;
    ElementHeader h;
    Error error;
    if (!ReadElementHeader(*s->source, pos, s->segmentEnd, h, error)) {
        StopBetweenElements(error.offset, error.message);
        return Step::kEnd;
    }
    if (h.id == id::kCluster) {
        EnterCluster(h);
        return Step::kGoOn;
    }
    if (h.id == id::kEbml || h.id == id::kSegment)
        return Step::kEnd;  // only the first Segment
    if (h.unknownSize) {
        StopBetweenElements(pos, UnexpectedUnknownSize(h.id));
        return Step::kEnd;
    }
    pos = h.End();
    return Step::kGoOn;
}

void BlockWalker::Impl::EnterCluster(const ElementHeader& cluster) {
    const uint64_t segEnd = s->segmentEnd;
    inCluster = true;
    clusterOffset = pos;
    clusterUnknown = cluster.unknownSize;
    clusterEnd = cluster.unknownSize ? segEnd : std::min(cluster.End(), segEnd);
    clusterData = cluster.dataOffset;
    clusterWhole = !cluster.unknownSize && cluster.End() <= segEnd;
    clusterHasTimestamp = false;
    pos = cluster.dataOffset;
}

// Takes the Cluster's child at pos, or leaves the Cluster at its end.
BlockWalker::Impl::Step BlockWalker::Impl::StepInCluster(BlockHeader& block) {
    if (pos >= clusterEnd) {
        inCluster = false;
        pos = clusterEnd;
        return Step::kGoOn;
    }
    ElementHeader h;
    Error error;
    if (!ReadElementHeader(*s->source, pos, clusterEnd, h, error)) {
        Stop(error.offset,
             error.message + " inside the Cluster at byte " + std::to_string(clusterOffset));
        return Step::kEnd;
    }
    if (clusterUnknown && !id::IsClusterChild(h.id)) {
        inCluster = false;  // this element belongs to the Segment
        return Step::kGoOn;
    }
    if (!FitsCluster(h))
        return Step::kEnd;
    pos = h.End();
    return TakeClusterChild(h, block);
}

// Stops the walk at a child of unknown size or one that runs past its Cluster.
bool BlockWalker::Impl::FitsCluster(const ElementHeader& h) {
    if (h.unknownSize)
        return Stop(pos, ElementName(h.id) + " inside a Cluster has an unknown size");
    if (h.End() > clusterEnd) {
        std::string message = ElementName(h.id) + " declares " + std::to_string(h.size) +
                              " bytes, but its Cluster has only " +
                              std::to_string(clusterEnd - h.dataOffset) + " left";
        if (clusterEnd >= s->fileSize)
            message += ": the file is cut short";
        return Stop(pos, message);
    }
    return true;
}

BlockWalker::Impl::Step BlockWalker::Impl::TakeClusterChild(const ElementHeader& h,
                                                            BlockHeader& block) {
    switch (h.id) {
        case id::kCrc32:
            if (onCrc && h.offset == clusterData && clusterWhole && h.size == 4)
                ReportCrc(h);
            break;
        case id::kTimestamp: {
            uint64_t ts = 0;
            if (ReadNumber(h, ts)) {
                clusterTimestamp = ts;
                clusterHasTimestamp = true;
            }
            break;
        }
        case id::kSimpleBlock:
        case id::kBlockGroup:
            return ReadBlock(h, block) ? Step::kBlock : Step::kGoOn;
        default:
            break;
    }
    return Step::kGoOn;
}

// Hands out the block of a SimpleBlock or BlockGroup; false when it is skipped.
bool BlockWalker::Impl::ReadBlock(const ElementHeader& h, BlockHeader& block) {
    BlockHeader b;
    b.clusterOffset = clusterOffset;
    b.clusterTimestamp = clusterTimestamp;
    b.clusterHasTimestamp = clusterHasTimestamp;
    b.blockOffset = h.offset;
    b.simpleBlock = h.id == id::kSimpleBlock;
    const bool ok = b.simpleBlock ? ReadBlockHeader(h, b) : ReadGroup(h, b);
    if (!ok)
        return false;
    if (b.simpleBlock) {
        b.keyframe = (b.flags & 0x80) != 0;
        b.discardable = (b.flags & 0x01) != 0;
    } else {
        b.keyframe = b.references.empty();
    }
    current = b;
    haveCurrent = true;
    block = std::move(b);
    return true;
}

BlockWalker::BlockWalker(Reader::State* state) : impl_(std::make_unique<Impl>()) {
    impl_->s = state;
    if (state == nullptr || !state->opened) {
        impl_->done = true;
        return;
    }
    impl_->pos = state->firstCluster ? *state->firstCluster : state->segmentData;
}

BlockWalker::~BlockWalker() = default;
BlockWalker::BlockWalker(BlockWalker&&) noexcept = default;
BlockWalker& BlockWalker::operator=(BlockWalker&&) noexcept = default;

bool BlockWalker::Next(BlockHeader& block) {
    return impl_->Next(block);
}

bool BlockWalker::ReadPayload(std::vector<uint8_t>& out) {
    Impl& w = *impl_;
    if (!w.haveCurrent)
        return false;
    const BlockHeader& b = w.current;
    if (b.payloadSize > kMaxPayloadSize) {
        return w.Stop(b.blockOffset, "block payload of " + std::to_string(b.payloadSize) +
                                         " bytes is larger than the reader handles (" +
                                         std::to_string(kMaxPayloadSize) + ")");
    }
    out.resize(static_cast<size_t>(b.payloadSize));
    const size_t got =
        out.empty() ? 0 : w.s->source->ReadAt(b.payloadOffset, out.data(), out.size());
    if (got != out.size()) {
        return w.Stop(b.payloadOffset, "expected " + std::to_string(b.payloadSize) +
                                           " bytes of block data, read " + std::to_string(got));
    }
    return true;
}

void BlockWalker::OnClusterCrc(std::function<void(const ClusterCrc&)> listener) {
    impl_->onCrc = std::move(listener);
}

uint64_t BlockWalker::Offset() const {
    return impl_->pos;
}
uint64_t BlockWalker::FileSize() const {
    return impl_->s != nullptr ? impl_->s->fileSize : 0;
}
const std::optional<Error>& BlockWalker::Damage() const {
    return impl_->damage;
}
bool BlockWalker::DamageAfterLastCluster() const {
    return impl_->damage && impl_->afterLastCluster;
}
const std::vector<Error>& BlockWalker::Skipped() const {
    return impl_->skipped;
}

}  // namespace mkv
