#include "matroska/Reader.h"

#include <algorithm>
#include <set>
#include <utility>

#include "matroska/Ids.h"
#include "matroska/SafeText.h"
#include "matroska/State.h"

namespace mkv {

namespace {

// The Matroska version whose elements this reader knows.
constexpr uint64_t kReadableVersion = 4;

unsigned SectionOf(uint32_t elementId) {
    switch (elementId) {
        case id::kInfo:
            return kSectionInfo;
        case id::kTracks:
            return kSectionTracks;
        case id::kAttachments:
            return kSectionAttachments;
        case id::kChapters:
            return kSectionChapters;
        case id::kTags:
            return kSectionTags;
        default:
            return 0;
    }
}

// The first bytes at `at`, for a message that says what was found instead.
std::string FirstBytesAt(ByteSource& src, uint64_t at, size_t n) {
    uint8_t buf[8];
    n = src.ReadAt(at, buf, std::min<size_t>(n, sizeof buf));
    return n == 0 ? "nothing" : Hex(buf, n);
}

class Opener {
  public:
    Opener(Reader::State& s, unsigned wanted)
        : s_(s), wanted_(wanted | kSectionInfo), parser_(*s.source, s.problems) {}

    bool Run();

  private:
    bool Fatal(uint64_t offset, std::string message) {
        s_.fatal = Error{offset, std::move(message)};
        return false;
    }
    void Problem(uint64_t offset, std::string message) {
        s_.problems.push_back(Error{offset, std::move(message)});
    }
    unsigned Missing() const { return wanted_ & ~s_.found; }
    // Tags may come in several elements anywhere in the Segment, so while
    // they are wanted the search goes on after the first one.
    bool NeedMore() const { return Missing() != 0 || (wanted_ & kSectionTags) != 0; }
    bool ReadHeader(uint64_t pos, uint64_t limit, ElementHeader& h) {
        Error error;
        if (ReadElementHeader(*s_.source, pos, limit, h, error))
            return true;
        Problem(error.offset, error.message + " at the Segment level");
        return false;
    }
    void ReportAnotherSegment(const ElementHeader& h) {
        Problem(h.offset,
                "another " + ElementName(h.id) + " starts here; only the first Segment is read");
    }
    bool ReadFileHeader(uint64_t& end);
    bool Readable(const detail::EbmlHeader& header);
    bool OpenSegment(uint64_t from);
    bool ReadUpToFirstCluster();
    void MergeTags();
    void Handle(ElementHeader h);
    void FollowSeekHead();
    void Scan(uint64_t from);
    // Passes over an unknown-sized Cluster; returns where the next level-1
    // element starts, or 0 when damage stops the walk.
    uint64_t PassUnknownCluster(const ElementHeader& cluster);

    Reader::State& s_;
    unsigned wanted_;
    detail::Parser parser_;
    bool seekHeadTrusted_ = false;
};

bool Opener::Run() {
    s_.fileSize = s_.source->Size();
    if (s_.fileSize == 0)
        return Fatal(0, "not a Matroska file: the file is empty");
    uint64_t headerEnd = 0;
    if (!ReadFileHeader(headerEnd) || !OpenSegment(headerEnd))
        return false;
    const bool whole = ReadUpToFirstCluster();
    if (NeedMore())
        FollowSeekHead();
    if (NeedMore() && !seekHeadTrusted_ && s_.firstCluster && whole)
        Scan(*s_.firstCluster);
    MergeTags();
    if (!(s_.found & kSectionInfo))
        Problem(s_.segmentData, "no Info element; TimestampScale taken as 1000000");
    return true;
}

// The EBML header at the start of the file; `end` is where it ends.
bool Opener::ReadFileHeader(uint64_t& end) {
    ElementHeader ebml;
    Error error;
    if (!ReadElementHeader(*s_.source, 0, s_.fileSize, ebml, error) || ebml.id != id::kEbml) {
        return Fatal(0, "not a Matroska file: expected the EBML header (1A 45 DF A3), found " +
                            FirstBytesAt(*s_.source, 0, 4));
    }
    if (ebml.unknownSize || ebml.End() > s_.fileSize) {
        return Fatal(0, "the EBML header runs past the end of the file");
    }
    detail::EbmlHeader header;
    detail::ReadEbmlHeader(parser_, ebml, header);
    if (!Readable(header))
        return false;
    s_.docType = header.docType;
    end = ebml.End();
    return true;
}

// Whether the header names a document this reader can read.
bool Opener::Readable(const detail::EbmlHeader& header) {
    if (header.docType != "matroska" && header.docType != "webm") {
        return Fatal(0, "not a Matroska file: DocType is '" + SafeText(header.docType) +
                            "', expected 'matroska' or 'webm'");
    }
    if (header.readVersion > 1) {
        return Fatal(0, "EBMLReadVersion " + std::to_string(header.readVersion) +
                            " is not supported (expected 1)");
    }
    if (header.maxIdLength > 4 || header.maxSizeLength > 8) {
        return Fatal(0, "EBMLMaxIDLength " + std::to_string(header.maxIdLength) +
                            " / EBMLMaxSizeLength " + std::to_string(header.maxSizeLength) +
                            " are not supported (at most 4 / 8)");
    }
    if (header.docTypeReadVersion > kReadableVersion) {
        Problem(0, "DocTypeReadVersion " + std::to_string(header.docTypeReadVersion) +
                       " is newer than this reader (" + std::to_string(kReadableVersion) +
                       "); unknown elements are skipped");
    }
    return true;
}

// The Segment: the first root element from `from` on that is one.
bool Opener::OpenSegment(uint64_t from) {
    ElementHeader segment;
    Error error;
    for (uint64_t pos = from;; pos = segment.End()) {
        if (!ReadElementHeader(*s_.source, pos, s_.fileSize, segment, error)) {
            return Fatal(error.offset,
                         "expected a Segment after the EBML header: " + error.message);
        }
        if (segment.id == id::kSegment)
            break;
        if (segment.unknownSize || segment.End() >= s_.fileSize) {
            return Fatal(segment.offset, "expected a Segment after the EBML header, found " +
                                             ElementName(segment.id));
        }
    }
    s_.segmentData = segment.dataOffset;
    s_.segmentEnd = segment.unknownSize ? s_.fileSize : segment.End();
    if (s_.segmentEnd > s_.fileSize) {
        Problem(segment.offset, "the Segment declares " + std::to_string(segment.size) +
                                    " bytes, but the file holds only " +
                                    std::to_string(s_.fileSize - s_.segmentData) +
                                    " after its start: the file is cut short");
        s_.segmentEnd = s_.fileSize;
    }
    s_.opened = true;
    return true;
}

// The level-1 elements up to the first Cluster. False when damage stops the
// walk before it.
bool Opener::ReadUpToFirstCluster() {
    for (uint64_t pos = s_.segmentData; pos < s_.segmentEnd;) {
        ElementHeader h;
        if (!ReadHeader(pos, s_.segmentEnd, h))
            return false;
        if (h.id == id::kCluster) {
            s_.firstCluster = pos;
            return true;
        }
        if (h.id == id::kEbml || h.id == id::kSegment) {
            ReportAnotherSegment(h);
            return true;
        }
        if (h.unknownSize) {
            Problem(pos, UnexpectedUnknownSize(h.id));
            return false;
        }
        Handle(h);
        if (h.End() > s_.segmentEnd)
            return false;
        pos = h.End();
    }
    return true;
}

// Every Tags element, merged in file order.
void Opener::MergeTags() {
    if (s_.tagsRead.empty())
        return;
    s_.tags.emplace();
    for (auto& [offset, tags] : s_.tagsRead) {
        for (Tag& t : tags)
            s_.tags->tags.push_back(std::move(t));
    }
}

void Opener::Handle(ElementHeader h) {
    if (h.End() > s_.segmentEnd) {
        Problem(h.offset, ElementName(h.id) + " declares " + std::to_string(h.size) +
                              " bytes, but the Segment has only " +
                              std::to_string(s_.segmentEnd - h.dataOffset) + " left");
        h.size = s_.segmentEnd - h.dataOffset;
    }
    const unsigned section = SectionOf(h.id);
    if (h.id == id::kSeekHead) {
        if (s_.seekHeadsRead.insert(h.offset).second)
            detail::ReadSeekHead(parser_, h, s_.seekHead);
        return;
    }
    if (section == 0 || !(wanted_ & section))
        return;
    switch (h.id) {
        case id::kInfo:
            if (!(s_.found & section))
                detail::ReadInfo(parser_, h, s_.info);
            break;
        case id::kTracks:
            if (!(s_.found & section))
                detail::ReadTracks(parser_, h, s_.tracks);
            break;
        case id::kAttachments:
            if (!(s_.found & section))
                detail::ReadAttachments(parser_, h, s_.attachments);
            break;
        case id::kChapters:
            if (!(s_.found & section))
                detail::ReadChapters(parser_, h, s_.chapters.emplace());
            break;
        case id::kTags:
            if (s_.tagsRead.count(h.offset) != 0)
                break;
            if (s_.tagsRead.size() >= kMaxTagsElements) {
                parser_.PassOver(detail::Limit::kTagsElements, h.offset);
                break;
            }
            {
                Tags read;
                detail::ReadTags(parser_, h, read);
                s_.tagsRead[h.offset] = std::move(read.tags);
            }
            break;
    }
    s_.found |= section;
}

void Opener::FollowSeekHead() {
    bool stale = false;
    bool pointsPastClusters = false;
    // An entry repeated (a SeekHead of thousands of copies) is looked at,
    // and reported, once.
    std::set<std::pair<uint32_t, uint64_t>> seen;
    // Entries may grow while a second SeekHead is read; each SeekHead is read once.
    for (size_t i = 0; i < s_.seekHead.entries.size() && NeedMore(); ++i) {
        const detail::SeekEntry e = s_.seekHead.entries[i];
        if (!seen.emplace(e.id, e.position).second)
            continue;
        const unsigned section = SectionOf(e.id);
        const bool wanted = (section & Missing()) != 0 || (section & wanted_ & kSectionTags) != 0;
        // Entries for level-1 elements nobody asked for are still checked (a
        // few bytes each): they tell whether the index can be trusted.
        if (e.id != id::kSeekHead && e.id != id::kCues && section == 0)
            continue;
        const uint64_t room = s_.segmentEnd - s_.segmentData;
        if (e.position >= room) {
            Problem(s_.segmentData, "SeekHead entry for " + ElementName(e.id) +
                                        " points to position " + std::to_string(e.position) +
                                        ", past the end of the Segment");
            stale = true;
            continue;
        }
        const uint64_t target = s_.segmentData + e.position;
        ElementHeader h;
        Error error;
        if (!ReadElementHeader(*s_.source, target, s_.segmentEnd, h, error) || h.id != e.id) {
            Problem(target, "SeekHead entry for " + ElementName(e.id) + " points to byte " +
                                std::to_string(target) + ", which holds " +
                                FirstBytesAt(*s_.source, target, 4) + " instead");
            stale = true;
            continue;
        }
        if (s_.firstCluster && target > *s_.firstCluster)
            pointsPastClusters = true;
        if (e.id != id::kSeekHead && !wanted)
            continue;
        if (h.unknownSize)
            continue;
        Handle(h);
    }
    // A writer that indexes elements after the Clusters indexes all it wrote;
    // such an index, with every entry checked, tells what the file lacks
    // without walking every Cluster.
    seekHeadTrusted_ = pointsPastClusters && !stale;
}

uint64_t Opener::PassUnknownCluster(const ElementHeader& cluster) {
    uint64_t pos = cluster.dataOffset;
    while (pos < s_.segmentEnd) {
        ElementHeader h;
        if (!ReadHeader(pos, s_.segmentEnd, h))
            return 0;
        if (!id::IsClusterChild(h.id))
            return pos;
        if (h.unknownSize || h.End() > s_.segmentEnd) {
            Problem(pos, ElementName(h.id) + " inside a Cluster runs past the end of the Segment");
            return 0;
        }
        pos = h.End();
    }
    return s_.segmentEnd;
}

void Opener::Scan(uint64_t from) {
    uint64_t pos = from;
    uint64_t count = 0;
    while (pos < s_.segmentEnd) {
        if (++count > kMaxScannedElements) {
            Problem(pos,
                    "more than " + std::to_string(kMaxScannedElements) +
                        " elements after the first Cluster; the search for metadata stops here");
            return;
        }
        ElementHeader h;
        if (!ReadHeader(pos, s_.segmentEnd, h))
            return;
        if (h.id == id::kEbml || h.id == id::kSegment) {
            ReportAnotherSegment(h);
            return;
        }
        if (h.unknownSize) {
            if (h.id != id::kCluster) {
                Problem(pos, UnexpectedUnknownSize(h.id));
                return;
            }
            pos = PassUnknownCluster(h);
            if (pos == 0)
                return;
            continue;
        }
        if (SectionOf(h.id) != 0)
            Handle(h);
        if (h.End() > s_.segmentEnd) {
            if (h.id == id::kCluster) {
                Problem(pos, "Cluster declares " + std::to_string(h.size) +
                                 " bytes, but the Segment has only " +
                                 std::to_string(s_.segmentEnd - h.dataOffset) + " left");
            }
            return;
        }
        // Keep going while something is missing, or to merge every Tags.
        if (Missing() == 0 && !(wanted_ & kSectionTags))
            return;
        pos = h.End();
    }
}

}  // namespace

Reader::Reader(std::unique_ptr<ByteSource> source) : state_(std::make_unique<State>()) {
    state_->source = std::move(source);
}

Reader::~Reader() = default;

bool Reader::Open(unsigned sections) {
    if (!state_->source) {
        state_->fatal = Error{0, "cannot read the file"};
        return false;
    }
    Opener opener(*state_, sections);
    return opener.Run();
}

const std::optional<Error>& Reader::Fatal() const {
    return state_->fatal;
}
const std::vector<Error>& Reader::Problems() const {
    return state_->problems;
}
const std::string& Reader::DocType() const {
    return state_->docType;
}
const SegmentInfo& Reader::Info() const {
    return state_->info;
}
const std::vector<Track>& Reader::Tracks() const {
    return state_->tracks;
}
const Track* Reader::FindTrack(uint64_t number) const {
    for (const Track& t : state_->tracks) {
        if (t.number == number)
            return &t;
    }
    return nullptr;
}
const std::vector<Attachment>& Reader::Attachments() const {
    return state_->attachments;
}
const std::optional<Chapters>& Reader::GetChapters() const {
    return state_->chapters;
}
const std::optional<Tags>& Reader::GetTags() const {
    return state_->tags;
}
ByteSource& Reader::Source() {
    return *state_->source;
}
uint64_t Reader::FileSize() const {
    return state_->fileSize;
}
uint64_t Reader::SegmentDataOffset() const {
    return state_->segmentData;
}
BlockWalker Reader::Blocks() {
    return BlockWalker(state_.get());
}

}  // namespace mkv
