// Safety limits of the reader. Every bound that protects memory or time against
// a hostile or damaged file is named here, once, and each has a test.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mkv {

// Masters nested inside one another (ChapterAtom and SimpleTag recurse).
inline constexpr int kMaxDepth = 32;

// Largest element whose value is held in memory (strings, CodecPrivate,
// TagBinary, ContentCompSettings, BlockAdditional). Bigger ones are skipped and
// reported; attachment data is never held, it is copied in chunks.
inline constexpr uint64_t kMaxHeldElementSize = 16ull << 20;

// All text and binary values held for one file together (names, CodecPrivate,
// TagBinary, ChapString, ContentCompSettings...): many elements each under
// kMaxHeldElementSize must not add up without bound. Past it the values are
// passed over, and reported once.
inline constexpr uint64_t kMaxMetadataBytes = 16ull << 20;

// Largest block payload BlockWalker::ReadPayload hands out.
inline constexpr uint64_t kMaxPayloadSize = 256ull << 20;

// When damage stops the walk over the Clusters between level-1 elements, the
// rest of the Segment is searched this far for another Cluster: none there
// means every block was read. Past this the answer is taken as unknown.
inline constexpr uint64_t kMaxTailSearchBytes = 64ull << 20;

// Counts. Past them the rest is ignored and reported once, with its number.
inline constexpr size_t kMaxTracks = 4096;
inline constexpr size_t kMaxAttachments = 65536;
inline constexpr size_t kMaxChapterAtoms = 65536;  // all editions together
inline constexpr size_t kMaxSimpleTags = 262144;   // all Tags together
inline constexpr size_t kMaxSeekEntries = 4096;
inline constexpr size_t kMaxTagsElements = 256;     // Tags masters merged
inline constexpr size_t kMaxContentEncodings = 16;  // per track
inline constexpr size_t kMaxBlockAdditions = 16;    // per block
// Elements visited inside metadata masters (Info, Tracks, Chapters, Tags, ...)
// of one file: bounds the time and memory a huge Tags or Chapters can cost.
inline constexpr uint64_t kMaxMetadataElements = 1'000'000;
// Level-1 elements visited by the scan for metadata after the Clusters; a file
// of tiny Clusters can hold millions, so the scan stops and reports past this.
inline constexpr uint64_t kMaxScannedElements = 4'000'000;

}  // namespace mkv
