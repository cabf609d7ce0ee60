// Reading the Segment's metadata masters into the public types (internal).
#pragma once

#include <string>
#include <vector>

#include "matroska/Parse.h"
#include "matroska/Types.h"

namespace mkv::detail {

struct EbmlHeader {
    uint64_t readVersion = 1;
    uint64_t maxIdLength = 4;
    uint64_t maxSizeLength = 8;
    std::string docType;
    uint64_t docTypeReadVersion = 1;
};

struct SeekEntry {
    uint32_t id = 0;
    uint64_t position = 0;  // Segment Position
};

struct SeekHead {
    std::vector<SeekEntry> entries;
};

// Each reads the children of `master` (size clamped to its parent) into `out`,
// reporting damage through the parser.
void ReadEbmlHeader(Parser& p, const ElementHeader& master, EbmlHeader& out);
void ReadSeekHead(Parser& p, const ElementHeader& master, SeekHead& out);
void ReadInfo(Parser& p, const ElementHeader& master, SegmentInfo& out);
void ReadTracks(Parser& p, const ElementHeader& master, std::vector<Track>& out);
void ReadAttachments(Parser& p, const ElementHeader& master, std::vector<Attachment>& out);
void ReadChapters(Parser& p, const ElementHeader& master, Chapters& out);
void ReadTags(Parser& p, const ElementHeader& master, Tags& out);

}  // namespace mkv::detail
