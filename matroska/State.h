// The reader's internals, shared by Reader and BlockWalker (internal).
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "matroska/Metadata.h"
#include "matroska/Reader.h"

namespace mkv {

struct Reader::State {
    std::unique_ptr<ByteSource> source;
    std::optional<Error> fatal;
    std::vector<Error> problems;
    bool opened = false;

    std::string docType;
    SegmentInfo info;
    std::vector<Track> tracks;
    std::vector<Attachment> attachments;
    std::optional<Chapters> chapters;
    std::optional<Tags> tags;

    uint64_t fileSize = 0;
    uint64_t segmentData = 0;
    uint64_t segmentEnd = 0;
    std::optional<uint64_t> firstCluster;

    // What has been found so far, by Section bit.
    unsigned found = 0;
    std::map<uint64_t, std::vector<Tag>> tagsRead;  // by offset of their Tags element
    std::set<uint64_t> seekHeadsRead;               // offsets of the SeekHeads read
    detail::SeekHead seekHead;                      // entries of every SeekHead read
};

}  // namespace mkv
