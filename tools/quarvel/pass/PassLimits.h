// Safety limits of the track pass, each named once. A file that goes past one
// gets an error naming the track, never an allocation sized from the file alone.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quarvel::limits {

// One frame after lacing and content decoding. Larger frames exist only in
// damaged files; uncompressed 8K video frames stay well below this.
inline constexpr size_t kMaxFrameBytes = 256u << 20;

// A zlib frame may grow at most this many times its stored size, and never
// past kMaxInflatedBytes, so a small block cannot expand into gigabytes.
inline constexpr size_t kMaxInflateRatio = 1024;
// What one zlib frame (or CodecPrivate) may expand to. Compressed tracks in
// the wild are subtitles and small audio frames; this keeps the memory of any
// bomb within the tools' 64 MB whatever its ratio.
inline constexpr size_t kMaxInflatedBytes = 32u << 20;
// Inflating keeps at most this much on its first pass; a frame that grows
// past it is counted first and inflated again into a buffer of its size.
inline constexpr size_t kInflateFirstPassBytes = 1u << 20;

// CodecPrivate after decoding (headers, palettes, parameter sets).
inline constexpr size_t kMaxCodecPrivateBytes = 16u << 20;

// A laced block holds at most 256 frames: the count is stored in one octet.
inline constexpr size_t kMaxLacedFrames = 256;

// Text subtitle formats keep their events until the end to order them; a track
// whose text passes this is refused rather than exhausting memory.
inline constexpr size_t kMaxSubtitleTextBytes = 64u << 20;

// Output buffer of each written file, and the largest single write: on Linux
// writes of 256 KiB into the page cache measured over twice as fast per byte
// as writes of 1 MiB.
inline constexpr size_t kOutputBufferBytes = 256u << 10;
// All output buffers together stay within this; with many outputs each gets
// a share, never less than kMinOutputBufferBytes.
inline constexpr size_t kOutputBudgetBytes = 24u << 20;
inline constexpr size_t kMinOutputBufferBytes = 16u << 10;
// A buffer starts this small and grows to its size as data comes: thousands
// of outputs of a few octets each hold little.
inline constexpr size_t kFirstOutputBufferBytes = 4u << 10;

// A track's timestamps go, as they come, to a temporary file beside their
// output, and are put in presentation order at the end: this many at a time
// are sorted in memory (8 MiB; a film of 1 GB has about 100,000 frames, which
// are sorted at once), and sorted runs of them are then merged, each read
// through a buffer of kTimestampMergeFrames (8 MiB for all runs together).
inline constexpr size_t kTimestampSortFrames = 1u << 20;
inline constexpr size_t kTimestampMergeFrames = 4096;
// A track with more frames than this (two months of video at 50 frames a
// second, 2 GiB of temporary file and about 3 GB of text) gets no timestamps:
// only a damaged or hostile file has so many.
inline constexpr uint64_t kMaxTimestampFrames = 256 * uint64_t{kTimestampSortFrames};

}  // namespace quarvel::limits
