#include "tools/quarvel/pass/TrackPass.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include "matroska/HexText.h"
#include "matroska/Limits.h"
#include "matroska/Reader.h"
#include "matroska/SafeText.h"
#include "platform/StopRequests.h"
#include "tools/common/ExitStatus.h"
#include "tools/common/OutputFiles.h"
#include "tools/common/StandardOutput.h"
#include "tools/quarvel/pass/ContentDecoder.h"
#include "tools/quarvel/pass/Lacing.h"
#include "tools/quarvel/pass/PassSource.h"
#include "tools/quarvel/pass/TrackArguments.h"
#include "tools/quarvel/writers/BufferedOutputFile.h"
#include "tools/quarvel/writers/TimestampsWriter.h"
#include "tools/quarvel/writers/TrackWriter.h"
#include "tools/quarvel/writers/WriterFactory.h"

namespace quarvel {

namespace {

void Report(const std::string& message) {
    tools::PrintError("quarvel", message);
}

// One requested output.
struct TrackOutput {
    TrackRequest request;
    const mkv::Track* track = nullptr;
    std::unique_ptr<ContentDecoder> decoder;
    std::unique_ptr<TrackWriter> writer;
    bool active = false;  // begun, not failed
    bool written = false;
    uint64_t frames = 0;  // handed to the writer
    std::vector<std::string> warnings;

    TrackOutput() = default;
    TrackOutput(const TrackOutput&) = delete;
    TrackOutput& operator=(const TrackOutput&) = delete;
    // A pass left early (an exception on the way to the tool's edge) removes
    // what it has not finished.
    ~TrackOutput() {
        if (writer && !written) {
            writer->Abort();
        }
    }

    bool Timestamps() const { return request.content == TrackContent::kTimestamps; }
    std::string Name() const {
        std::string n =
            (Timestamps() ? "timestamps of track " : "track ") + std::to_string(request.number);
        if (track) {
            n += " (" + mkv::SafeText(track->codecId) + ")";
        }
        return n;
    }
    void Fail(const std::string& message) {
        Report(Name() + ": " + message);
        if (writer) {
            writer->Abort();  // removes its temporary files
        }
        active = false;
    }
    void Warn(const std::string& message) {
        if (warnings.size() < 5) {
            warnings.push_back(message);
        } else if (warnings.size() == 5) {
            warnings.push_back("further problems not shown");
        }
    }
};

TrackInfo InfoFor(const mkv::Track& t, const mkv::SegmentInfo& seg) {
    TrackInfo i;
    i.number = t.number;
    i.position = t.position;
    i.type = t.type;
    i.codecId = t.codecId;
    i.codecPrivate = t.codecPrivate;
    i.language = t.language;
    i.name = t.name;
    i.defaultDurationNs = t.defaultDuration.value_or(0);
    i.timestampScaleNs = seg.timestampScale;
    if (t.video) {
        i.pixelWidth = t.video->pixelWidth;
        i.pixelHeight = t.video->pixelHeight;
        i.displayWidth = t.video->displayWidth;
        i.displayHeight = t.video->displayHeight;
    }
    if (t.audio) {
        i.hasAudio = true;
        i.samplingFrequency = t.audio->samplingFrequency;
        i.outputSamplingFrequency = t.audio->outputSamplingFrequency.value_or(0.0);
        i.channels = t.audio->channels;
        i.bitDepth = t.audio->bitDepth.value_or(0);
    }
    return i;
}

// Reports the first five warnings, then how many more there were.
void ReportSome(const std::vector<std::string>& warnings, const std::string& more) {
    for (size_t i = 0; i < warnings.size() && i < 5; ++i) {
        Report("warning: " + warnings[i]);
    }
    if (warnings.size() > 5) {
        Report("warning: " + std::to_string(warnings.size() - 5) + " " + more);
    }
}

std::string CrcMessage(const CrcMismatch& m) {
    return "CRC-32 of the Cluster at byte " + std::to_string(m.clusterOffset) +
           " does not match (stored " + mkv::HexNumber(m.stored, 8, mkv::HexCase::kUpper) +
           ", computed " + mkv::HexNumber(m.computed, 8, mkv::HexCase::kUpper) +
           "); its blocks were used all the same";
}

class Progress {
  public:
    void Show(uint64_t done, uint64_t total) {
        const int pct = total == 0 ? 100 : static_cast<int>(done * 100 / total);
        if (pct > last_ && pct <= 100) {
            last_ = pct;
            tools::PrintReport("Progress: " + std::to_string(pct) + "%");
        }
    }

  private:
    int last_ = -1;
};

// A laced block's frames, where they lie and how they are timed.
struct BlockFrames {
    const uint8_t* data = nullptr;  // the payload
    size_t size = 0;
    bool inSource = false;  // data lies in the source's buffer
    std::vector<FrameSpan> spans;
    int64_t startNs = 0;
    int64_t frameNs = -1;   // -1 when neither the block nor the track gives one
    bool timeKnown = true;  // startNs is the block's own time (see Frame::timeKnown)
    const uint8_t* additional = nullptr;
    size_t additionalSize = 0;
};

void WarnAll(const std::vector<TrackOutput*>& targets, const std::string& message) {
    for (TrackOutput* o : targets) {
        o->Warn(message);
    }
}

// The file's Duration in nanoseconds, 0 when unknown or out of range.
uint64_t SegmentDurationNs(const mkv::SegmentInfo& info) {
    const double durationNs =
        info.duration ? *info.duration * static_cast<double>(info.timestampScale) : 0.0;
    return durationNs > 0 && durationNs < 1.8e19 ? static_cast<uint64_t>(durationNs) : 0;
}

// The block's time in Segment ticks; false when it is past what 64 bits hold.
bool BlockTicks(const mkv::BlockHeader& block, const mkv::Track& track, int64_t& ticks) {
    if (track.trackTimestampScale != 1.0) {
        const double scaled = static_cast<double>(block.clusterTimestamp) +
                              block.relativeTimestamp * track.trackTimestampScale;
        // Both bounds are powers of two, exact as doubles; NaN fails them too.
        if (!(scaled > -0x1p63 && scaled < 0x1p63)) {
            return false;
        }
        ticks = static_cast<int64_t>(scaled);
        return true;
    }
    if (block.clusterTimestamp > uint64_t{INT64_MAX}) {
        return false;
    }
    ticks = static_cast<int64_t>(block.clusterTimestamp);
    return !__builtin_add_overflow(ticks, int64_t{block.relativeTimestamp}, &ticks);
}

// Only the first frame of a laced block has a stored time; the others follow
// at the track's frame duration, or share the block's duration. A block of a
// Cluster without a Timestamp has the previous Cluster's, a stand-in; one
// whose time 64 bits of nanoseconds cannot hold is put at 0. Neither time is
// known.
void TimeFrames(const mkv::BlockHeader& block, const mkv::Track& track, uint64_t scale,
                BlockFrames& frames) {
    int64_t ticks = 0;
    const bool inRange =
        BlockTicks(block, track, ticks) && scale <= uint64_t{INT64_MAX} &&
        !__builtin_mul_overflow(ticks, static_cast<int64_t>(scale), &frames.startNs);
    if (!inRange) {
        frames.startNs = 0;
    }
    frames.timeKnown = inRange && block.clusterHasTimestamp;
    frames.frameNs = -1;
    if (block.duration) {
        frames.frameNs = static_cast<int64_t>(*block.duration * scale / frames.spans.size());
    } else if (track.defaultDuration) {
        frames.frameNs = static_cast<int64_t>(*track.defaultDuration);
    }
}

// The block's BlockAdditional with BlockAddID 1, if any.
void FindAdditional(const mkv::BlockHeader& block, BlockFrames& frames) {
    frames.additional = nullptr;
    frames.additionalSize = 0;
    for (const mkv::BlockAddition& a : block.additions) {
        if (a.id == 1) {
            frames.additional = a.data.data();
            frames.additionalSize = a.data.size();
            return;
        }
    }
}

// Timestamps need no frame's data, only a laced block's count of frames: an
// unlaced block of a track wanted for its timestamps alone is not read.
bool PayloadWanted(const mkv::BlockHeader& block, const std::vector<TrackOutput*>& targets) {
    return (block.lacing & 3) != 0 ||
           std::any_of(targets.begin(), targets.end(),
                       [](const TrackOutput* o) { return !o->Timestamps(); });
}

// The pass over the Clusters of one opened file, feeding every requested track
// to its writer.
class TrackPass {
  public:
    TrackPass(const std::string& file, mkv::Reader& reader, PassSource& bytes)
        : file_(file), reader_(reader), bytes_(bytes) {}

    // Writes the requested tracks; returns the exit status.
    int Run(const std::vector<TrackRequest>& requests, bool warned);

  private:
    void BeginOutputs(const std::vector<TrackRequest>& requests);
    void BeginOutput(TrackOutput& o, tools::OutputPaths& paths, uint64_t segmentDurationNs);
    bool MakeFramesWriter(TrackOutput& o, tools::OutputPaths& paths, uint64_t segmentDurationNs,
                          TrackInfo& trackInfo);
    void WatchSource(mkv::BlockWalker& walker);
    void Walk(mkv::BlockWalker& walker);
    bool Payload(mkv::BlockWalker& walker, const mkv::BlockHeader& block, BlockFrames& frames);
    void Deliver(const mkv::BlockHeader& block, const BlockFrames& frames,
                 const std::vector<TrackOutput*>& targets);
    void Hand(const Frame& f, const std::vector<TrackOutput*>& targets, TrackContent content);
    int FinishOutputs(const mkv::BlockWalker& walker, bool cancelled);
    bool FinishOutput(TrackOutput& o, bool cancelled, const mkv::Error* framesLostTo);
    bool ReportWarnings(const mkv::BlockWalker& walker);

    const std::string& file_;
    mkv::Reader& reader_;
    PassSource& bytes_;
    // From here on temporary files may exist: SIGINT and SIGTERM only raise a
    // flag, and the pass stops at the next block and removes them, so a
    // cancelled run leaves nothing half-written. (Declared before the
    // outputs: they are removed before the signals are let through again.)
    torvane::StopRequestWatch cancel_;
    std::vector<TrackOutput> outputs_;
    std::map<uint64_t, std::vector<TrackOutput*>> byNumber_;
    size_t live_ = 0;  // outputs still active
    Progress progress_;
    // Reused from block to block.
    std::vector<uint8_t> payload_, decoded_;
};

int TrackPass::Run(const std::vector<TrackRequest>& requests, bool warned) {
    BeginOutputs(requests);
    progress_.Show(0, 1);
    mkv::BlockWalker walker = reader_.Blocks();
    WatchSource(walker);
    Walk(walker);
    const bool cancelled = torvane::StopRequestWatch::Requested();
    const int failed = FinishOutputs(walker, cancelled);
    warned = ReportWarnings(walker) || warned;
    if (failed == 0 && !cancelled) {
        progress_.Show(1, 1);
    }
    tools::ReportBytesRead(bytes_.BytesRead());
    // A track asked for and not written is a failure, whatever else was written.
    if (failed > 0) {
        return tools::kExitFailed;
    }
    return warned ? tools::kExitWarnings : tools::kExitOk;
}

void TrackPass::BeginOutputs(const std::vector<TrackRequest>& requests) {
    outputs_ = std::vector<TrackOutput>(requests.size());
    OutputFile::ShareBudget(requests.size());
    // Writing over the source (or twice to one file) would destroy data the
    // run still needs or has just written.
    tools::OutputPaths paths(file_);
    const uint64_t segmentDurationNs = SegmentDurationNs(reader_.Info());
    for (size_t k = 0; k < requests.size(); ++k) {
        outputs_[k].request = requests[k];
        BeginOutput(outputs_[k], paths, segmentDurationNs);
    }
    for (const TrackOutput& o : outputs_) {
        live_ += o.active ? 1 : 0;
    }
}

void TrackPass::BeginOutput(TrackOutput& o, tools::OutputPaths& paths, uint64_t segmentDurationNs) {
    const std::vector<mkv::Track>& tracks = reader_.Tracks();
    const std::string refusal = paths.Refusal(o.request.path, "track");
    // The listing numbers the tracks from 1 in file order.
    if (o.request.number > tracks.size()) {
        o.Fail("no such track: the file has " + std::to_string(tracks.size()) +
               (tracks.size() == 1 ? " track" : " tracks"));
        return;
    }
    o.track = &tracks[o.request.number - 1];
    if (!refusal.empty()) {
        o.Fail(refusal);
        return;
    }
    // Handed over to the writer: a CodecPrivate of megabytes is not held twice.
    TrackInfo trackInfo = InfoFor(*o.track, reader_.Info());
    // Timestamps are read from the blocks alone, whatever the codec and
    // content encodings.
    if (o.Timestamps()) {
        o.writer = MakeTimestampsWriter();
    } else if (!MakeFramesWriter(o, paths, segmentDurationNs, trackInfo)) {
        return;
    }
    o.active = true;
    if (!o.writer->Begin(std::move(trackInfo), o.request.path)) {
        o.Fail(o.writer->Error());
        return;
    }
    byNumber_[o.track->number].push_back(&o);
}

// The decoder and the writer of the track's frames; false (told) when the
// track cannot be written.
bool TrackPass::MakeFramesWriter(TrackOutput& o, tools::OutputPaths& paths,
                                 uint64_t segmentDurationNs, TrackInfo& trackInfo) {
    o.decoder = std::make_unique<ContentDecoder>(o.track->contentEncodings);
    if (!o.decoder->Usable()) {
        o.Fail(o.decoder->Error());
        return false;
    }
    std::string error;
    if (!o.decoder->DecodePrivate(trackInfo.codecPrivate, error)) {
        o.Fail("CodecPrivate: " + error);
        return false;
    }
    o.writer = MakeWriterFor(o.track->codecId, segmentDurationNs, error);
    if (!o.writer) {
        o.Fail(error);
        return false;
    }
    // A file written beside the main one (a VobSub's .sub) is an output too.
    const std::vector<std::string> targets = o.writer->Targets(o.request.path);
    std::string companionRefusal;
    for (size_t k = 1; k < targets.size(); ++k) {
        const std::string refused = paths.Refusal(targets[k], "track");
        companionRefusal = companionRefusal.empty() ? refused : companionRefusal;
    }
    if (!companionRefusal.empty()) {
        o.Fail(companionRefusal);
        return false;
    }
    return true;
}

void TrackPass::WatchSource(mkv::BlockWalker& walker) {
    // A Cluster read whole is checked where all of it goes to the outputs, or
    // where it is small enough to come in one read: summing every Cluster a
    // pass for one track reads through would cost more than the reading.
    bool everyTrack = true;
    for (const mkv::Track& t : reader_.Tracks()) {
        everyTrack = everyTrack && byNumber_.count(t.number) > 0;
    }
    PassSource* bytes = &bytes_;
    walker.OnClusterCrc([bytes, everyTrack](const mkv::ClusterCrc& crc) {
        if (everyTrack || crc.to - crc.from <= PassSource::kPieceBytes) {
            bytes->Check(crc);
        }
    });
    // Frames are written from where they lie in the source's buffer, until it changes.
    bytes_.OnChange([this] {
        for (TrackOutput& o : outputs_) {
            if (o.active) {
                o.writer->Settle();
            }
        }
    });
}

void TrackPass::Walk(mkv::BlockWalker& walker) {
    mkv::BlockHeader block;
    BlockFrames frames;
    const uint64_t scale = reader_.Info().timestampScale;
    std::string error;
    while (live_ > 0 && !torvane::StopRequestWatch::Requested() && walker.Next(block)) {
        progress_.Show(walker.Offset(), walker.FileSize());
        const auto it = byNumber_.find(block.trackNumber);
        if (it == byNumber_.end()) {
            continue;  // a track nobody asked for: its payload is not used
        }
        const std::vector<TrackOutput*>& targets = it->second;
        if (!PayloadWanted(block, targets)) {
            frames.data = nullptr;
            frames.size = static_cast<size_t>(block.payloadSize);
            frames.inSource = false;
        } else if (!Payload(walker, block, frames)) {
            break;
        }
        if (!SplitLaces(frames.data, frames.size, static_cast<Lacing>(block.lacing & 3),
                        frames.spans, error)) {
            WarnAll(targets,
                    "block at byte " + std::to_string(block.blockOffset) + " dropped: " + error);
            continue;
        }
        TimeFrames(block, *targets.front()->track, scale, frames);
        FindAdditional(block, frames);
        Deliver(block, frames, targets);
    }
}

// A payload is used where it lies in the source's buffer; one larger than the
// buffer is read. False when it cannot be read (the walk is then damaged).
bool TrackPass::Payload(mkv::BlockWalker& walker, const mkv::BlockHeader& block,
                        BlockFrames& frames) {
    frames.data = nullptr;
    if (block.payloadSize <= PassSource::kMaxViewBytes) {
        frames.size = static_cast<size_t>(block.payloadSize);
        frames.data = bytes_.View(block.payloadOffset, frames.size);
    }
    frames.inSource = frames.data != nullptr;
    if (frames.inSource) {
        return true;
    }
    if (!walker.ReadPayload(payload_)) {
        return false;
    }
    frames.data = payload_.data();
    frames.size = payload_.size();
    return true;
}

// Frame k's time: the block's for the first, one frame duration more for
// each after it. False when the frame has no time of its own; `ns` then keeps
// the block's.
bool FrameTime(const BlockFrames& frames, size_t k, int64_t& ns) {
    ns = frames.startNs;
    if (k == 0) {
        return frames.timeKnown;
    }
    int64_t offset = 0, at = 0;
    if (frames.frameNs <= 0 ||
        __builtin_mul_overflow(static_cast<int64_t>(k), frames.frameNs, &offset) ||
        __builtin_add_overflow(ns, offset, &at)) {
        return false;
    }
    ns = at;
    return frames.timeKnown;
}

// Hands each frame of the block to the targets: to those of timestamps as it
// lies, to the others with its content encodings undone.
void TrackPass::Deliver(const mkv::BlockHeader& block, const BlockFrames& frames,
                        const std::vector<TrackOutput*>& targets) {
    const ContentDecoder* decoder = nullptr;  // null when only timestamps are wanted
    for (const TrackOutput* o : targets) {
        if (!o->Timestamps()) {
            decoder = o->decoder.get();
            break;
        }
    }
    std::string error;
    for (size_t k = 0; k < frames.spans.size(); ++k) {
        Frame f;
        f.data = frames.data != nullptr ? frames.data + frames.spans[k].offset : nullptr;
        f.size = frames.spans[k].size;
        f.timeKnown = FrameTime(frames, k, f.timestampNs);
        f.durationNs = frames.frameNs;
        f.keyframe = block.keyframe && k == 0;
        f.additional = frames.additional;
        f.additionalSize = frames.additionalSize;
        f.inSource = frames.inSource;
        Hand(f, targets, TrackContent::kTimestamps);
        if (decoder == nullptr) {
            continue;
        }
        if (decoder->TouchesFrames()) {
            if (!decoder->DecodeFrame(f.data, f.size, decoded_, error)) {
                for (TrackOutput* o : targets) {
                    if (!o->Timestamps()) {
                        o->Warn("frame at byte " + std::to_string(block.blockOffset) +
                                " dropped: " + error);
                    }
                }
                continue;
            }
            f.data = decoded_.data();
            f.size = decoded_.size();
            f.inSource = false;
        }
        Hand(f, targets, TrackContent::kFrames);
    }
}

void TrackPass::Hand(const Frame& f, const std::vector<TrackOutput*>& targets,
                     TrackContent content) {
    for (TrackOutput* o : targets) {
        if (!o->active || o->request.content != content) {
            continue;
        }
        if (o->writer->Write(f)) {
            ++o->frames;
        } else {
            o->Fail(o->writer->Error());
            --live_;
        }
    }
}

// Completes every output still active and puts its files in place; returns
// how many of the requested outputs failed.
int TrackPass::FinishOutputs(const mkv::BlockWalker& walker, bool cancelled) {
    const auto& damage = walker.Damage();
    // Damage after the last Cluster costs no frame: the outputs are whole.
    const bool framesLost = damage && !walker.DamageAfterLastCluster();
    int failed = 0;
    for (TrackOutput& o : outputs_) {
        if (!FinishOutput(o, cancelled, framesLost ? &*damage : nullptr)) {
            ++failed;
        }
    }
    return failed;
}

bool TrackPass::FinishOutput(TrackOutput& o, bool cancelled, const mkv::Error* framesLostTo) {
    if (!o.active) {
        return false;
    }
    if (cancelled) {
        o.Fail("cancelled; nothing was written");
        return false;
    }
    if (framesLostTo != nullptr) {
        o.Fail("the file is damaged " + framesLostTo->ToString() + "; nothing was written");
        return false;
    }
    std::string error;
    if (!o.writer->Finish()) {
        o.Fail(o.writer->Error());
        return false;
    }
    if (!tools::ReplaceTargets(o.writer->Files(), error)) {
        o.Fail(error);
        return false;
    }
    o.written = true;
    return true;
}

// Tells what the written outputs and the walk met on the way; true when
// there was something to tell.
bool TrackPass::ReportWarnings(const mkv::BlockWalker& walker) {
    bool warned = false;
    const auto& damage = walker.Damage();
    const std::vector<mkv::Error>& skipped = walker.Skipped();
    const bool damaged = !reader_.Problems().empty() || damage || !skipped.empty();
    for (TrackOutput& o : outputs_) {
        if (!o.written) {
            continue;
        }
        if (o.frames == 0 && damaged) {
            o.Warn("no frame of the track was found: the file is damaged");
        }
        if (const std::string w = o.writer->Warning(); !w.empty()) {
            o.Warn(w);
        }
        for (const std::string& w : o.warnings) {
            Report(o.Name() + ": " + w);
            warned = true;
        }
    }
    if (damage && walker.DamageAfterLastCluster()) {
        Report("warning: damage after the last Cluster " + damage->ToString() +
               "; every frame before it was read");
        warned = true;
    }
    std::vector<std::string> skippedLines;
    for (const mkv::Error& e : skipped) {
        skippedLines.push_back("damaged block skipped " + e.ToString());
    }
    ReportSome(skippedLines, "more damaged blocks skipped");
    std::vector<std::string> mismatches;
    for (const CrcMismatch& m : bytes_.Mismatches()) {
        mismatches.push_back(CrcMessage(m));
    }
    ReportSome(mismatches, "more Clusters do not match their CRC-32");
    return warned || !skipped.empty() || !mismatches.empty();
}

// Opens FILE for the pass, its Info and Tracks read and what is damaged in
// them reported; null when it cannot be read (told). `bytes` is the source
// the reader reads through.
std::unique_ptr<mkv::Reader> OpenForPass(const std::string& file, PassSource*& bytes) {
    std::string openError;
    auto source = OpenPassSource(file, &openError);
    if (!source) {
        Report("cannot open '" + file + "': " + openError);
        return nullptr;
    }
    bytes = source.get();
    auto reader = std::make_unique<mkv::Reader>(std::move(source));
    if (!reader->Open(mkv::kSectionInfo | mkv::kSectionTracks)) {
        Report("cannot read '" + file + "': " + reader->Fatal()->ToString());
        return nullptr;
    }
    // What the listing reports about the file is reported here too: a track
    // read from a damaged TrackEntry may carry guessed values.
    for (const mkv::Error& e : reader->Problems()) {
        Report("warning: " + e.ToString());
    }
    return reader;
}

}  // namespace

int RunTracks(const std::string& file, const std::vector<std::string>& arguments,
              TrackContent bare) {
    std::vector<TrackRequest> requests;
    std::string error;
    if (!ParseTrackArguments(arguments, bare, requests, error)) {
        Report(error);
        return tools::kExitFailed;
    }
    PassSource* bytes = nullptr;
    const std::unique_ptr<mkv::Reader> reader = OpenForPass(file, bytes);
    if (!reader) {
        return tools::kExitFailed;
    }
    return TrackPass(file, *reader, *bytes).Run(requests, !reader->Problems().empty());
}

}  // namespace quarvel
