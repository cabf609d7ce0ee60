// The Matroska reader both tools share. Streaming: it reads element headers and
// the metadata it is asked for, follows the SeekHead, passes over Clusters by
// their sizes, and never holds a large element in memory.
//
//   mkv::Reader reader(mkv::OpenFile(path, &err));
//   if (!reader.Open()) { report reader.Fatal()->ToString(); }
//   for (const mkv::Track& t : reader.Tracks()) ...
//   mkv::BlockWalker walker = reader.Blocks();
//   mkv::BlockHeader block;
//   while (walker.Next(block)) { if (wanted) walker.ReadPayload(bytes); }
//   if (walker.Damage()) ...
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "matroska/ByteSource.h"
#include "matroska/Error.h"
#include "matroska/Limits.h"
#include "matroska/Types.h"

namespace mkv {

// Which metadata Reader::Open reads. Asking for less reads less of the file.
enum Section : unsigned {
    kSectionInfo = 1,
    kSectionTracks = 2,
    kSectionAttachments = 4,
    kSectionChapters = 8,
    kSectionTags = 16,
    kAllSections = 31,
};

class BlockWalker;

class Reader {
  public:
    // A null source makes Open fail with "cannot read the file".
    explicit Reader(std::unique_ptr<ByteSource> source);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Reads the EBML header, opens the first Segment and reads the metadata
    // elements named in `sections`: those before the first Cluster, those the
    // SeekHead points to, and, when some are still missing, those found by
    // walking the level-1 elements after the Clusters (by their sizes only).
    // Returns false only when the file cannot be read as Matroska at all (not
    // EBML, another DocType, no Segment); Fatal() then says why. Damage met
    // later does not make it fail: what was read before stays available and
    // Problems() names each fault.
    bool Open(unsigned sections = kAllSections);

    const std::optional<Error>& Fatal() const;
    // Non-fatal damage and warnings, in the order found.
    const std::vector<Error>& Problems() const;

    const std::string& DocType() const;  // "matroska" or "webm"
    const SegmentInfo& Info() const;
    const std::vector<Track>& Tracks() const;
    // The track whose TrackNumber is `number`, or null.
    const Track* FindTrack(uint64_t number) const;
    const std::vector<Attachment>& Attachments() const;
    // Empty when the file holds no Chapters element.
    const std::optional<Chapters>& GetChapters() const;
    // Empty when the file holds no Tags element.
    const std::optional<Tags>& GetTags() const;

    // The file, for copying attachment data in chunks.
    ByteSource& Source();
    uint64_t FileSize() const;
    // File offset of the Segment's data (Segment Positions count from here).
    uint64_t SegmentDataOffset() const;

    // Walks every block of every Cluster in file order. Valid after a
    // successful Open; the Reader must outlive the walker.
    BlockWalker Blocks();

    struct State;  // the reader's internals, shared with BlockWalker

  private:
    std::unique_ptr<State> state_;
};

// A Cluster's stored CRC-32 and the bytes it covers: the rest of the
// Cluster's data, after the CRC-32 element.
struct ClusterCrc {
    uint64_t clusterOffset = 0;  // file offset of the Cluster's ID
    uint64_t from = 0;
    uint64_t to = 0;
    uint32_t stored = 0;
};

class BlockWalker {
  public:
    explicit BlockWalker(Reader::State* state);
    ~BlockWalker();
    BlockWalker(BlockWalker&&) noexcept;
    BlockWalker& operator=(BlockWalker&&) noexcept;

    // Advances to the next block (SimpleBlock, or a BlockGroup's Block) and
    // fills `block`. Reads only the element headers and the few bytes of the
    // block header; a payload not asked for with ReadPayload is never read.
    // Handles unknown-sized Clusters. Returns false at the end of the Segment
    // or when damage stops the walk (then Damage() is set; every block handed
    // out before it was whole).
    bool Next(BlockHeader& block);

    // Reads the payload of the block Next last returned into `out` (resized).
    // Returns false, and sets Damage(), when the bytes cannot all be read or
    // the payload is larger than kMaxPayloadSize.
    bool ReadPayload(std::vector<uint8_t>& out);

    // Called when the walk has read the CRC-32 that opens a Cluster of known
    // size, before it reads anything the CRC-32 covers. The walk itself checks
    // nothing: reading every Cluster whole would cost a sparse pass its speed.
    void OnClusterCrc(std::function<void(const ClusterCrc&)> listener);

    // Where the walk is in the file, for progress, and the file's size.
    uint64_t Offset() const;
    uint64_t FileSize() const;

    // The fault that stopped the walk, if any.
    const std::optional<Error>& Damage() const;
    // Whether that fault lies after the last Cluster: it was met between
    // level-1 elements and no Cluster starts anywhere after it in the
    // Segment (searched up to kMaxTailSearchBytes), so every block of the
    // file was handed out before it.
    bool DamageAfterLastCluster() const;
    // Blocks skipped without stopping the walk (shorter than their header,
    // a block inside a damaged BlockGroup), in the order found.
    const std::vector<Error>& Skipped() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace mkv
