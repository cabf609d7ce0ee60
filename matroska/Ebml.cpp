#include "matroska/Ebml.h"

#include <cstdio>
#include <cstring>

#include "matroska/HexText.h"
#include "matroska/Ids.h"

namespace mkv {

size_t DecodeVint(const uint8_t* p, size_t avail, uint64_t& value, bool* allOnes) {
    if (avail == 0 || p[0] == 0)
        return 0;
    size_t len = 1;
    while ((p[0] & (0x80u >> (len - 1))) == 0)
        ++len;
    if (len > avail)
        return 0;
    uint64_t v = p[0] & (0xFFu >> len);
    for (size_t i = 1; i < len; ++i)
        v = (v << 8) | p[i];
    value = v;
    if (allOnes != nullptr)
        *allOnes = v == ((uint64_t{1} << (7 * len)) - 1);
    return len;
}

std::string Hex(const uint8_t* p, size_t n) {
    return HexBytes(p, n, HexCase::kUpper, ' ');
}

namespace {

// The ID at buf: 1 to 4 bytes, marker kept; the all-ones patterns are
// reserved. Returns its length, or 0 with error.message set.
size_t ReadId(const uint8_t* buf, size_t avail, uint32_t& id, Error& error) {
    if (buf[0] < 0x10) {
        error.message = "expected an element ID, found byte " + Hex(buf, 1);
        return 0;
    }
    uint64_t value = 0;
    bool allOnes = false;
    const size_t len = DecodeVint(buf, avail, value, &allOnes);
    if (len == 0) {
        error.message = "element ID cut short by the end of its parent";
        return 0;
    }
    if (allOnes) {
        error.message = "expected an element ID, found the reserved ID " + Hex(buf, len);
        return 0;
    }
    id = static_cast<uint32_t>(DecodeUint(buf, len));
    return len;
}

}  // namespace

bool ReadElementHeader(ByteSource& source, uint64_t pos, uint64_t limit, ElementHeader& out,
                       Error& error) {
    uint8_t buf[12];
    const uint64_t avail64 = limit > pos ? limit - pos : 0;
    const size_t want = static_cast<size_t>(avail64 < sizeof buf ? avail64 : sizeof buf);
    const size_t got = want == 0 ? 0 : source.ReadAt(pos, buf, want);
    error.offset = pos;
    if (got == 0) {
        error.message = "expected an element, found the end of the data";
        return false;
    }
    uint32_t id = 0;
    const size_t idLen = ReadId(buf, got, id, error);
    if (idLen == 0)
        return false;
    uint64_t size = 0;
    bool unknown = false;
    const size_t sizeLen = DecodeVint(buf + idLen, got - idLen, size, &unknown);
    if (sizeLen == 0) {
        if (got > idLen && buf[idLen] == 0) {
            error.message = "invalid size field (byte 00) after element ID " + Hex(buf, idLen);
        } else {
            error.message =
                "element size of " + ElementName(id) + " cut short by the end of its parent";
        }
        return false;
    }
    out.id = id;
    out.offset = pos;
    out.dataOffset = pos + idLen + sizeLen;
    out.size = unknown ? 0 : size;
    out.unknownSize = unknown;
    return true;
}

uint64_t DecodeUint(const uint8_t* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

int64_t DecodeSint(const uint8_t* p, size_t n) {
    if (n == 0)
        return 0;
    uint64_t v = (p[0] & 0x80) ? ~uint64_t{0} : 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return static_cast<int64_t>(v);
}

std::optional<double> DecodeFloat(const uint8_t* p, size_t n) {
    if (n == 4) {
        const auto bits = static_cast<uint32_t>(DecodeUint(p, 4));
        float f;
        std::memcpy(&f, &bits, 4);
        return static_cast<double>(f);
    }
    if (n == 8) {
        const uint64_t bits = DecodeUint(p, 8);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    return std::nullopt;
}

std::string DecodeText(const uint8_t* p, size_t n) {
    if (n == 0)
        return {};
    const void* nul = std::memchr(p, 0, n);
    if (nul != nullptr)
        n = static_cast<size_t>(static_cast<const uint8_t*>(nul) - p);
    std::string out;
    out.reserve(n);
    size_t i = 0;
    while (i < n) {
        const uint8_t c = p[i];
        size_t len = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        }
        bool ok = len != 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                ok = false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (ok) {
            static constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
            ok = cp >= kMin[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        }
        if (ok) {
            out.append(reinterpret_cast<const char*>(p + i), len);
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string UnexpectedUnknownSize(uint32_t id) {
    return ElementName(id) + " has an unknown size, which only Segment and Cluster may have";
}

std::string ElementName(uint32_t elementId) {
    struct Named {
        uint32_t id;
        const char* name;
    };
    static constexpr Named kNames[] = {
        {id::kEbml, "EBML header"},
        {id::kSegment, "Segment"},
        {id::kSeekHead, "SeekHead"},
        {id::kSeek, "Seek"},
        {id::kInfo, "Info"},
        {id::kTracks, "Tracks"},
        {id::kTrackEntry, "TrackEntry"},
        {id::kCluster, "Cluster"},
        {id::kCues, "Cues"},
        {id::kAttachments, "Attachments"},
        {id::kAttachedFile, "AttachedFile"},
        {id::kFileData, "FileData"},
        {id::kChapters, "Chapters"},
        {id::kEditionEntry, "EditionEntry"},
        {id::kChapterAtom, "ChapterAtom"},
        {id::kChapterDisplay, "ChapterDisplay"},
        {id::kTags, "Tags"},
        {id::kTag, "Tag"},
        {id::kTargets, "Targets"},
        {id::kSimpleTag, "SimpleTag"},
        {id::kSimpleBlock, "SimpleBlock"},
        {id::kBlockGroup, "BlockGroup"},
        {id::kBlock, "Block"},
        {id::kTimestamp, "Timestamp"},
        {id::kVideo, "Video"},
        {id::kAudio, "Audio"},
        {id::kCodecPrivate, "CodecPrivate"},
        {id::kContentEncodings, "ContentEncodings"},
        {id::kContentEncoding, "ContentEncoding"},
        {id::kVoid, "Void"},
        {id::kCrc32, "CRC-32"},
        {id::kTagBinary, "TagBinary"},
        {id::kTagString, "TagString"},
    };
    for (const auto& n : kNames) {
        if (n.id == elementId)
            return n.name;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "element 0x%X", elementId);
    return buf;
}

}  // namespace mkv
