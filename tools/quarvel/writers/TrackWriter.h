// The seam between the pass over the Clusters and the files it writes: one
// TrackWriter per requested track, fed with whole frames (lacing and content
// encodings already undone) in file order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarvel {

// What a writer needs to know of a track, taken from its TrackEntry.
struct TrackInfo {
    uint64_t number = 0;    // TrackNumber, as blocks name the track
    uint64_t position = 0;  // 1 = first TrackEntry, as the listing counts
    uint64_t type = 0;      // TrackType: 1 video, 2 audio, 17 subtitle, ...
    std::string codecId;
    std::vector<uint8_t> codecPrivate;
    std::string language;  // legacy Language element, "eng" when absent
    std::string name;
    uint64_t defaultDurationNs = 0;  // 0 when absent
    uint64_t timestampScaleNs = 1000000;
    // Video
    uint64_t pixelWidth = 0, pixelHeight = 0;
    uint64_t displayWidth = 0, displayHeight = 0;
    // Audio. Without an Audio element in the TrackEntry (hasAudio false) the
    // values are the format's defaults, not the track's.
    bool hasAudio = false;
    double samplingFrequency = 8000.0;
    double outputSamplingFrequency = 0.0;  // 0 when absent
    uint64_t channels = 1;
    uint64_t bitDepth = 0;  // 0 when absent
};

// One frame of one track.
struct Frame {
    int64_t timestampNs = 0;  // absolute, cluster timestamp + block offset, scaled
    int64_t durationNs = -1;  // -1 when neither the block nor the track gives one
    // False when the frame has no time of its own and timestampNs is a
    // stand-in: a laced frame after the first of its block when neither the
    // block nor the track gives a frame duration, a frame of a Cluster without
    // a Timestamp, or a time past what 64 bits of nanoseconds hold.
    bool timeKnown = true;
    bool keyframe = false;
    const uint8_t* data = nullptr;
    size_t size = 0;
    // BlockAdditional with BlockAddID 1 (codec-defined side data, e.g. WebVTT
    // cue settings), or null.
    const uint8_t* additional = nullptr;
    size_t additionalSize = 0;
    // The data lies in the pass's read buffer and stays there until the
    // writer's Settle(): it may be written from where it lies.
    bool inSource = false;
};

class TrackWriter {
  public:
    virtual ~TrackWriter() = default;
    // Every file Begin(track, path) will write, the main one, `path`, first
    // (a VobSub .idx has its .sub beside it): each is an output the run
    // checks before it begins.
    virtual std::vector<std::string> Targets(const std::string& path) const { return {path}; }
    // Creates the output for `path` (and any extra file named after it) as
    // new temporary files beside it; the caller renames them when Finish
    // succeeds. Returns false and sets Error() when the track cannot be written.
    // `track` is taken by value: a writer keeps it without a second copy of
    // a large CodecPrivate.
    virtual bool Begin(TrackInfo track, const std::string& path) = 0;
    virtual bool Write(const Frame& frame) = 0;
    // Called before the pass's read buffer changes: from then on the writer
    // may keep no pointer to the data of frames marked inSource. A failure
    // shows in the next Write or in Finish.
    virtual void Settle() {}
    // Completes and closes the file. Called once, after the last frame.
    virtual bool Finish() = 0;
    // Closes and drops whatever was written; used when the run fails or is cancelled.
    virtual void Abort() = 0;
    virtual std::string Error() const = 0;
    // The files Begin created, as (temporary path, final path) pairs, the
    // main one first (a VobSub .idx has its .sub beside it).
    virtual std::vector<std::pair<std::string, std::string>> Files() const = 0;
    // Something worth telling the user that did not stop the track (dropped
    // damaged frames, for instance); empty when there is none.
    virtual std::string Warning() const { return {}; }
};

}  // namespace quarvel
