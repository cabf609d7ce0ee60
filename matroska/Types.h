// What the reader hands out: the Segment's metadata, decoded and with the
// format's defaults applied, and the headers of the blocks in the Clusters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mkv {

// TrackType values.
enum TrackType : uint64_t {
    kTrackVideo = 1,
    kTrackAudio = 2,
    kTrackComplex = 3,
    kTrackLogo = 16,
    kTrackSubtitle = 17,
    kTrackButtons = 18,
    kTrackControl = 32,
    kTrackMetadata = 33,
};

struct SegmentInfo {
    uint64_t timestampScale = 1000000;  // ns per Segment tick, never 0
    std::optional<double> duration;     // in Segment ticks
    std::optional<int64_t> dateUtc;     // ns since 2001-01-01T00:00:00 UTC
    std::string title;
    std::string muxingApp;
    std::string writingApp;
    std::vector<uint8_t> segmentUuid;  // empty when absent
};

struct ContentEncoding {
    uint64_t order = 0;
    uint64_t scope = 1;  // bit 1 frames, bit 2 CodecPrivate, bit 4 next encoding's settings
    uint64_t type = 0;   // 0 compression, 1 encryption
    // Compression (type 0). A compression encoding without a ContentCompression
    // child means zlib, so compAlgo keeps its default 0 then.
    bool hasCompression = false;
    uint64_t compAlgo = 0;  // 0 zlib, 1 bzip2, 2 LZO1X, 3 header stripping
    std::vector<uint8_t> compSettings;
    // Encryption (type 1).
    bool hasEncryption = false;
    uint64_t encAlgo = 0;
    std::vector<uint8_t> encKeyId;
};

struct VideoInfo {
    uint64_t pixelWidth = 0, pixelHeight = 0;
    // DisplayWidth/Height as stored, or (DisplayUnit 0) the cropped pixel size.
    uint64_t displayWidth = 0, displayHeight = 0;
    uint64_t displayUnit = 0;
    uint64_t cropTop = 0, cropBottom = 0, cropLeft = 0, cropRight = 0;
    uint64_t flagInterlaced = 0;
    uint64_t stereoMode = 0;
};

struct AudioInfo {
    double samplingFrequency = 8000.0;
    std::optional<double> outputSamplingFrequency;
    uint64_t channels = 1;
    std::optional<uint64_t> bitDepth;
};

struct Track {
    uint64_t position = 0;  // 1 = first TrackEntry in the file, as the listing counts
    uint64_t number = 0;    // TrackNumber, as blocks name the track
    uint64_t uid = 0;
    uint64_t type = 0;
    std::string codecId;
    std::vector<uint8_t> codecPrivate;  // still content-encoded when scope bit 2 is set
    std::string codecName;
    std::string language = "eng";  // legacy Language element
    std::string languageBcp47;     // empty when absent; wins over language when present
    std::string name;
    bool flagEnabled = true;
    bool flagDefault = true;
    bool flagForced = false;
    bool flagLacing = true;
    std::optional<uint64_t> defaultDuration;  // ns per frame
    double trackTimestampScale = 1.0;
    uint64_t codecDelay = 0;   // ns
    uint64_t seekPreRoll = 0;  // ns
    std::optional<VideoInfo> video;
    std::optional<AudioInfo> audio;
    std::vector<ContentEncoding> contentEncodings;  // in file order

    // The language a person should see: BCP 47 where present, else the legacy one.
    const std::string& DisplayLanguage() const {
        return languageBcp47.empty() ? language : languageBcp47;
    }
    bool Encrypted() const {
        for (const auto& e : contentEncodings) {
            if (e.type == 1)
                return true;
        }
        return false;
    }
};

struct Attachment {
    uint64_t uid = 0;
    std::string name;
    std::string mediaType;
    std::string description;
    // FileData's content: copy it with ByteSource::ReadAt in chunks.
    uint64_t dataOffset = 0;
    uint64_t dataSize = 0;
};

struct ChapterDisplay {
    std::string string;
    std::vector<std::string> languages;  // ChapLanguage occurrences; empty = "eng"
    std::vector<std::string> languagesBcp47;
    std::vector<std::string> countries;
};

struct ChapterAtom {
    std::optional<uint64_t> uid;
    std::optional<std::string> stringUid;
    uint64_t timeStart = 0;  // ns
    std::optional<uint64_t> timeEnd;
    bool flagHidden = false;
    bool flagEnabled = true;
    std::optional<std::vector<uint8_t>> segmentUuid;
    std::optional<uint64_t> segmentEditionUid;
    std::optional<uint64_t> physicalEquiv;
    std::vector<uint64_t> trackUids;  // ChapterTrack/ChapterTrackUID
    std::vector<ChapterDisplay> displays;
    std::vector<ChapterAtom> children;  // nested atoms, file order
};

struct Edition {
    std::optional<uint64_t> uid;
    bool flagHidden = false;
    bool flagDefault = false;
    bool flagOrdered = false;
    std::vector<ChapterAtom> atoms;
};

struct Chapters {
    std::vector<Edition> editions;
};

struct SimpleTag {
    std::string name;
    std::optional<std::string> string;
    std::optional<std::vector<uint8_t>> binary;
    std::optional<std::string> language;  // TagLanguage as stored ("und" when absent)
    std::optional<std::string> languageBcp47;
    std::optional<uint64_t> tagDefault;  // TagDefault, or the old TagDefaultBogus
    std::vector<SimpleTag> children;
};

struct Tag {
    // Targets as stored; an absent TargetTypeValue means 50.
    std::optional<uint64_t> targetTypeValue;
    std::optional<std::string> targetType;
    std::vector<uint64_t> trackUids;
    std::vector<uint64_t> editionUids;
    std::vector<uint64_t> chapterUids;
    std::vector<uint64_t> attachmentUids;
    std::vector<SimpleTag> simpleTags;
};

struct Tags {
    std::vector<Tag> tags;  // every Tags element of the Segment, merged in file order
};

// BlockAdditions/BlockMore of a BlockGroup: side data of the frame (WebVTT cue
// settings, alpha planes, WavPack correction).
struct BlockAddition {
    uint64_t id = 1;
    std::vector<uint8_t> data;
};

// One SimpleBlock or BlockGroup's Block, as found in a Cluster. Lacing and
// content encodings are not undone here.
struct BlockHeader {
    uint64_t clusterOffset = 0;     // file offset of the Cluster's ID
    uint64_t clusterTimestamp = 0;  // Segment ticks
    bool clusterHasTimestamp = false;
    uint64_t blockOffset = 0;  // file offset of the SimpleBlock or BlockGroup element
    bool simpleBlock = true;   // false: Block inside a BlockGroup
    uint64_t trackNumber = 0;
    int16_t relativeTimestamp = 0;  // track ticks, relative to the Cluster
    uint8_t flags = 0;              // the raw flags octet
    bool keyframe = false;          // SimpleBlock flag 0x80, or a BlockGroup without ReferenceBlock
    bool invisible = false;
    bool discardable = false;
    uint8_t lacing = 0;  // 0 none, 1 Xiph, 2 fixed-size, 3 EBML
    // BlockGroup children.
    std::optional<uint64_t> duration;  // BlockDuration, track ticks
    std::optional<int64_t> discardPadding;
    std::vector<int64_t> references;  // ReferenceBlock values
    std::vector<BlockAddition> additions;
    // Everything after the flags octet: the lace header (if any) and the frames.
    uint64_t payloadOffset = 0;
    uint64_t payloadSize = 0;

    // Cluster timestamp plus the relative one, in ticks (TrackTimestampScale 1.0).
    int64_t Ticks() const { return static_cast<int64_t>(clusterTimestamp) + relativeTimestamp; }
};

}  // namespace mkv
