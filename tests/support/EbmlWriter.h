// A small EBML/Matroska writer for tests: builds files no common writer makes
// (two editions, nested and hidden chapters, unknown sizes, CRC-32 and Void,
// metadata after the Clusters, lacing variants, damage). Header-only.
//
//   using namespace ebmltest;
//   Bytes file = Cat({EbmlHeader(), Master(kSegment, {Info(), Tracks({...}), Cluster(0, {...})})});
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "matroska/Ids.h"

namespace ebmltest {

using Bytes = std::vector<uint8_t>;

// The element IDs, marker bits kept: the reader's own table, which the
// files made by FFmpeg (tests/fixtures) check against the format.
using namespace mkv::id;

inline void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

inline Bytes Cat(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts)
        Append(out, p);
    return out;
}

// The raw octets of an ID (marker bits are part of the number).
inline Bytes Id(uint32_t id) {
    Bytes out;
    for (int shift = 24; shift >= 0; shift -= 8)
        if (shift == 0 || id >> shift != 0)
            out.push_back(static_cast<uint8_t>(id >> shift));
    return out;
}

// A size VINT; `length` 0 picks the shortest form that is not all ones.
inline Bytes Size(uint64_t size, int length = 0) {
    if (length == 0) {
        length = 1;
        while (length < 8 && size >= (uint64_t{1} << (7 * length)) - 1)
            ++length;
    }
    Bytes out(static_cast<size_t>(length));
    uint64_t v = size | (uint64_t{1} << (7 * length));
    for (int i = length - 1; i >= 0; --i) {
        out[static_cast<size_t>(i)] = static_cast<uint8_t>(v);
        v >>= 8;
    }
    return out;
}

// The "unknown size" pattern at `length` octets.
inline Bytes UnknownSize(int length = 8) {
    Bytes out(static_cast<size_t>(length), 0xFF);
    out[0] = static_cast<uint8_t>(0xFF >> (length - 1));
    return out;
}

inline Bytes Element(uint32_t id, const Bytes& data) {
    return Cat({Id(id), Size(data.size()), data});
}

// An element whose size field claims `declared` bytes whatever the data holds.
inline Bytes ElementClaiming(uint32_t id, uint64_t declared, const Bytes& data) {
    return Cat({Id(id), Size(declared, 8), data});
}

inline Bytes Master(uint32_t id, const std::vector<Bytes>& children) {
    return Element(id, Cat(children));
}

inline Bytes MasterUnknownSize(uint32_t id, const std::vector<Bytes>& children) {
    return Cat({Id(id), UnknownSize(), Cat(children)});
}

inline Bytes Uint(uint32_t id, uint64_t v, int width = 0) {
    Bytes data;
    for (int i = 0; width != 0 ? i < width : (i == 0 || v != 0); ++i, v >>= 8)
        data.insert(data.begin(), static_cast<uint8_t>(v));
    return Element(id, data);
}

inline Bytes Sint(uint32_t id, int64_t v) {
    return Uint(id, static_cast<uint64_t>(v), 8);
}

inline Bytes Float(uint32_t id, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return Uint(id, bits, 8);
}

inline Bytes Str(uint32_t id, const std::string& s) {
    return Element(id, Bytes(s.begin(), s.end()));
}

inline Bytes Bin(uint32_t id, const Bytes& b) {
    return Element(id, b);
}

inline Bytes Empty(uint32_t id) {
    return Element(id, {});
}

// A Void element of `total` bytes in all (at least 2).
inline Bytes Void(size_t total) {
    const size_t dataSize = total >= 9 ? total - 9 : total - 2;
    return Cat({Id(kVoid), Size(dataSize, total >= 9 ? 8 : 1), Bytes(dataSize, 0)});
}

inline uint32_t Crc32Of(const Bytes& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// A master whose first child is a CRC-32 of the rest (optionally wrong).
inline Bytes MasterWithCrc(uint32_t id, const std::vector<Bytes>& children, bool corrupt = false) {
    const Bytes rest = Cat(children);
    const uint32_t crc = Crc32Of(rest) ^ (corrupt ? 1 : 0);
    Bytes crcData;  // stored little-endian
    for (int shift = 0; shift < 32; shift += 8)
        crcData.push_back(static_cast<uint8_t>(crc >> shift));
    return Element(id, Cat({Element(kCrc32, crcData), rest}));
}

// ---- Matroska pieces ------------------------------------------------------------

inline Bytes EbmlHeader(const std::string& docType = "matroska", uint64_t readVersion = 2) {
    return Master(kEbml, {Str(kDocType, docType), Uint(kDocTypeVersion, 4),
                          Uint(kDocTypeReadVersion, readVersion)});
}

inline Bytes Info(uint64_t timestampScale = 1000000, const std::string& title = "") {
    std::vector<Bytes> c = {Uint(kTimestampScale, timestampScale), Str(kMuxingApp, "ebmltest"),
                            Str(kWritingApp, "ebmltest")};
    if (!title.empty())
        c.push_back(Str(kTitle, title));
    return Master(kInfo, c);
}

// A TrackEntry with the usual elements; add more with `extra`.
inline Bytes TrackEntry(uint64_t number, uint64_t type, const std::string& codecId,
                        std::initializer_list<Bytes> extra = {}) {
    std::vector<Bytes> c = {Uint(kTrackNumber, number), Uint(kTrackUid, 1000 + number),
                            Uint(kTrackType, type), Str(kCodecId, codecId)};
    c.insert(c.end(), extra);
    return Master(kTrackEntry, c);
}

inline Bytes Tracks(const std::vector<Bytes>& entries) {
    return Master(kTracks, entries);
}

// SeekHead entry with an 8-octet SeekPosition, so its size does not depend on the value.
inline Bytes Seek(uint32_t id, uint64_t segmentPosition) {
    return Master(kSeek, {Bin(kSeekId, Id(id)), Uint(kSeekPosition, segmentPosition, 8)});
}

// Block header + payload, for SimpleBlock or Block.
inline Bytes BlockData(uint64_t track, int16_t timestamp, uint8_t flags, const Bytes& payload) {
    Bytes out = Size(track);
    out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(timestamp) >> 8));
    out.push_back(static_cast<uint8_t>(timestamp));
    out.push_back(flags);
    Append(out, payload);
    return out;
}

inline Bytes SimpleBlock(uint64_t track, int16_t timestamp, const Bytes& payload,
                         uint8_t flags = 0x80) {
    return Element(kSimpleBlock, BlockData(track, timestamp, flags, payload));
}

inline Bytes BlockGroup(uint64_t track, int16_t timestamp, const Bytes& payload,
                        std::initializer_list<Bytes> extra = {}) {
    std::vector<Bytes> c = {Element(kBlock, BlockData(track, timestamp, 0, payload))};
    c.insert(c.end(), extra);
    return Master(kBlockGroup, c);
}

inline Bytes Cluster(uint64_t timestamp, const std::vector<Bytes>& blocks) {
    return Element(kCluster, Cat({Uint(kTimestamp, timestamp), Cat(blocks)}));
}

inline Bytes ClusterUnknownSize(uint64_t timestamp, const std::vector<Bytes>& blocks) {
    return Cat({Id(kCluster), UnknownSize(), Uint(kTimestamp, timestamp), Cat(blocks)});
}

// Lacing: the payload (lace header + frames) and the flag bits to OR into the block flags.
inline Bytes XiphLace(const std::vector<Bytes>& frames) {
    Bytes out = {static_cast<uint8_t>(frames.size() - 1)};
    for (size_t i = 0; i + 1 < frames.size(); ++i) {
        out.insert(out.end(), frames[i].size() / 255, 255);
        out.push_back(static_cast<uint8_t>(frames[i].size() % 255));
    }
    return Cat({out, Cat(frames)});
}

inline Bytes FixedLace(const std::vector<Bytes>& frames) {
    return Cat({Bytes{static_cast<uint8_t>(frames.size() - 1)}, Cat(frames)});
}

// EBML lacing: first size as a VINT, then signed differences.
inline Bytes EbmlLace(const std::vector<Bytes>& frames) {
    Bytes out = {static_cast<uint8_t>(frames.size() - 1)};
    if (frames.size() > 1)
        Append(out, Size(frames[0].size()));
    for (size_t i = 1; i + 1 < frames.size(); ++i) {
        const int64_t diff =
            static_cast<int64_t>(frames[i].size()) - static_cast<int64_t>(frames[i - 1].size());
        int len = 1;
        while (len < 8 && !(diff >= -((int64_t{1} << (7 * len - 1)) - 1) &&
                            diff <= (int64_t{1} << (7 * len - 1)))) {
            ++len;
        }
        const uint64_t bias = (uint64_t{1} << (7 * len - 1)) - 1;
        Append(out, Size(static_cast<uint64_t>(diff + static_cast<int64_t>(bias)), len));
    }
    return Cat({out, Cat(frames)});
}

enum : uint8_t { kLaceXiph = 0x02, kLaceFixed = 0x04, kLaceEbml = 0x06 };

// Chapters and tags.
inline Bytes Display(const std::string& text, std::initializer_list<Bytes> extra = {}) {
    std::vector<Bytes> c = {Str(kChapString, text)};
    c.insert(c.end(), extra);
    return Master(kChapterDisplay, c);
}

inline Bytes Atom(uint64_t uid, uint64_t startNs, std::initializer_list<Bytes> extra = {}) {
    std::vector<Bytes> c = {Uint(kChapterUid, uid), Uint(kChapterTimeStart, startNs)};
    c.insert(c.end(), extra);
    return Master(kChapterAtom, c);
}

inline Bytes SimpleTagOf(const std::string& name, const std::string& value,
                         std::initializer_list<Bytes> extra = {}) {
    std::vector<Bytes> c = {Str(kTagName, name), Str(kTagString, value)};
    c.insert(c.end(), extra);
    return Master(kSimpleTag, c);
}

inline Bytes AttachedFile(const std::string& name, const std::string& mime, const Bytes& data,
                          uint64_t uid) {
    return Master(kAttachedFile, {Str(kFileName, name), Str(kFileMediaType, mime),
                                  Bin(kFileData, data), Uint(kFileUid, uid)});
}

// A Segment of known size holding `children`.
inline Bytes Segment(const std::vector<Bytes>& children) {
    return Master(kSegment, children);
}

inline Bytes SegmentUnknownSize(const std::vector<Bytes>& children) {
    return MasterUnknownSize(kSegment, children);
}

// Header size of a Segment built by Segment() around `dataSize` bytes: Segment
// Positions are counted from the first byte after it.
inline size_t SegmentHeaderSize(size_t dataSize) {
    return 4 + Size(dataSize).size();
}

// ---- Files too large to hold ---------------------------------------------------
// Element data of zeros that a file keeps as holes: names gigabytes honestly
// while small on disk and in memory.

// `bytes`, then `zeros` zero octets.
struct SparsePart {
    Bytes bytes;
    uint64_t zeros = 0;
};
using Sparse = std::vector<SparsePart>;

inline uint64_t SizeOf(const Sparse& s) {
    uint64_t n = 0;
    for (const SparsePart& p : s)
        n += p.bytes.size() + p.zeros;
    return n;
}

inline Sparse SparseCat(const std::vector<Sparse>& parts) {
    Sparse out;
    for (const Sparse& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// An element holding `data`; Plain bytes and ZeroElement make its pieces.
inline Sparse SparseElement(uint32_t id, const Sparse& data) {
    Sparse out = {{Cat({Id(id), Size(SizeOf(data))}), 0}};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}
inline Sparse Plain(const Bytes& bytes) {
    return {{bytes, 0}};
}
inline Sparse ZeroElement(uint32_t id, uint64_t zeros) {
    return {{Cat({Id(id), Size(zeros)}), zeros}};
}

// Writes `s` to `path`, the zeros as holes.
inline bool WriteSparse(const std::string& path, const Sparse& s) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = true;
    uint64_t at = 0;
    for (const SparsePart& p : s) {
        ok = ok && std::fseek(f, static_cast<long>(at), SEEK_SET) == 0 &&
             std::fwrite(p.bytes.data(), 1, p.bytes.size(), f) == p.bytes.size();
        at += p.bytes.size() + p.zeros;
    }
    ok = ok && std::fflush(f) == 0 && ::ftruncate(::fileno(f), static_cast<off_t>(at)) == 0;
    return std::fclose(f) == 0 && ok;
}

}  // namespace ebmltest
