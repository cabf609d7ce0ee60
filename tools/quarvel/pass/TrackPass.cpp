#include "tools/quarvel/pass/TrackPass.h"

#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include "matroska/Limits.h"
#include "matroska/Reader.h"
#include "tools/common/Cancel.h"
#include "tools/common/ExitStatus.h"
#include "tools/common/OutputFiles.h"
#include "tools/common/StandardOutput.h"
#include "tools/quarvel/pass/ContentDecoder.h"
#include "tools/quarvel/pass/Lacing.h"
#include "tools/quarvel/pass/PassSource.h"
#include "tools/quarvel/pass/TrackArguments.h"
#include "tools/quarvel/writers/BufferedOutputFile.h"
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

    std::string Name() const {
        std::string n = "track " + std::to_string(request.number);
        if (track) {
            n += " (" + track->codecId + ")";
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
    char sums[64];
    std::snprintf(sums, sizeof sums, " (stored %08X, computed %08X)", m.stored, m.computed);
    return "CRC-32 of the Cluster at byte " + std::to_string(m.clusterOffset) + " does not match" +
           sums + "; its blocks were used all the same";
}

class Progress {
  public:
    void Show(uint64_t done, uint64_t total) {
        const int pct = total == 0 ? 100 : static_cast<int>(done * 100 / total);
        if (pct > last_ && pct <= 100) {
            last_ = pct;
            tools::PrintLine("Progress: " + std::to_string(pct) + "%");
            std::fflush(stdout);
        }
    }

  private:
    int last_ = -1;
};

}  // namespace

int RunTracks(const std::string& file, const std::vector<std::string>& arguments) {
    std::vector<TrackRequest> requests;
    std::string error;
    if (!ParseTrackArguments(arguments, requests, error)) {
        Report(error);
        return tools::kExitFailed;
    }
    std::string openError;
    auto source = OpenPassSource(file, &openError);
    if (!source) {
        Report("cannot open '" + file + "': " + openError);
        return tools::kExitFailed;
    }
    PassSource* bytes = source.get();
    mkv::Reader reader(std::move(source));
    if (!reader.Open(mkv::kSectionInfo | mkv::kSectionTracks)) {
        Report("cannot read '" + file + "': " + reader.Fatal()->ToString());
        return tools::kExitFailed;
    }
    // What the listing reports about the file is reported here too: a track
    // read from a damaged TrackEntry may carry guessed values.
    for (const mkv::Error& e : reader.Problems()) {
        Report("warning: " + e.ToString());
    }
    bool warned = !reader.Problems().empty();
    const std::vector<mkv::Track>& tracks = reader.Tracks();
    const mkv::SegmentInfo& info = reader.Info();
    const double durationNs =
        info.duration ? *info.duration * static_cast<double>(info.timestampScale) : 0.0;
    const uint64_t segmentDurationNs =
        durationNs > 0 && durationNs < 1.8e19 ? static_cast<uint64_t>(durationNs) : 0;

    // From here on temporary files may exist: SIGINT and SIGTERM only raise a
    // flag, and the pass stops at the next block and removes them, so a
    // cancelled run leaves nothing half-written.
    tools::CancelOnSignal cancel;
    std::vector<TrackOutput> outputs(requests.size());
    OutputFile::ShareBudget(requests.size());
    std::map<uint64_t, std::vector<TrackOutput*>> byNumber;
    // Writing over the source (or twice to one file) would destroy data the
    // run still needs or has just written.
    tools::OutputPaths paths(file);
    for (size_t k = 0; k < requests.size(); ++k) {
        TrackOutput& o = outputs[k];
        o.request = requests[k];
        const std::string refusal = paths.Refusal(o.request.path, "track");
        // The listing numbers the tracks from 1 in file order.
        if (o.request.number <= tracks.size()) {
            o.track = &tracks[o.request.number - 1];
        }
        if (!o.track) {
            o.Fail("no such track: the file has " + std::to_string(tracks.size()) +
                   (tracks.size() == 1 ? " track" : " tracks"));
            continue;
        }
        if (!refusal.empty()) {
            o.Fail(refusal);
            continue;
        }
        o.decoder = std::make_unique<ContentDecoder>(o.track->contentEncodings);
        if (!o.decoder->Usable()) {
            o.Fail(o.decoder->Error());
            continue;
        }
        // Handed over to the writer: a CodecPrivate of megabytes is not
        // held twice.
        TrackInfo trackInfo = InfoFor(*o.track, reader.Info());
        if (!o.decoder->DecodePrivate(trackInfo.codecPrivate, error)) {
            o.Fail("CodecPrivate: " + error);
            continue;
        }
        o.writer = MakeWriterFor(o.track->codecId, segmentDurationNs, error);
        if (!o.writer) {
            o.Fail(error);
            continue;
        }
        o.active = true;
        if (!o.writer->Begin(std::move(trackInfo), o.request.path)) {
            o.Fail(o.writer->Error());
            continue;
        }
        byNumber[o.track->number].push_back(&o);
    }

    Progress progress;
    progress.Show(0, 1);
    mkv::BlockWalker walker = reader.Blocks();
    // A Cluster read whole is checked where all of it goes to the outputs, or
    // where it is small enough to come in one read: summing every Cluster a
    // pass for one track reads through would cost more than the reading.
    bool everyTrack = true;
    for (const mkv::Track& t : tracks) {
        everyTrack = everyTrack && byNumber.count(t.number) > 0;
    }
    walker.OnClusterCrc([bytes, everyTrack](const mkv::ClusterCrc& crc) {
        if (everyTrack || crc.to - crc.from <= PassSource::kPieceBytes) {
            bytes->Check(crc);
        }
    });
    // Frames are written from where they lie in the source's buffer, until it changes.
    bytes->OnChange([&outputs] {
        for (TrackOutput& o : outputs) {
            if (o.active) {
                o.writer->Settle();
            }
        }
    });
    mkv::BlockHeader block;
    std::vector<uint8_t> payload, decoded;
    std::vector<FrameSpan> spans;
    const uint64_t scale = reader.Info().timestampScale;
    size_t live = 0;
    for (const TrackOutput& o : outputs) {
        live += o.active ? 1 : 0;
    }
    while (live > 0 && !tools::CancelOnSignal::Cancelled() && walker.Next(block)) {
        progress.Show(walker.Offset(), walker.FileSize());
        const auto it = byNumber.find(block.trackNumber);
        if (it == byNumber.end()) {
            continue;  // a track nobody asked for: its payload is not used
        }
        std::vector<TrackOutput*>& targets = it->second;
        // A payload is used where it lies in the source's buffer; one larger
        // than the buffer is read.
        const uint8_t* data = nullptr;
        size_t size = 0;
        if (block.payloadSize <= PassSource::kMaxViewBytes) {
            data = bytes->View(block.payloadOffset, static_cast<size_t>(block.payloadSize));
            size = static_cast<size_t>(block.payloadSize);
        }
        const bool inSource = data != nullptr;
        if (!data) {
            if (!walker.ReadPayload(payload)) {
                break;
            }
            data = payload.data();
            size = payload.size();
        }
        const mkv::Track& track = *targets.front()->track;
        if (!SplitLaces(data, size, static_cast<Lacing>(block.lacing & 3), spans, error)) {
            for (TrackOutput* o : targets) {
                o->Warn("block at byte " + std::to_string(block.blockOffset) +
                        " dropped: " + error);
            }
            continue;
        }
        // Only the first frame of a laced block has a stored time; the others
        // follow at the track's frame duration, or share the block's duration.
        int64_t ticks = block.Ticks();
        if (track.trackTimestampScale != 1.0) {
            ticks = static_cast<int64_t>(static_cast<double>(block.clusterTimestamp) +
                                         block.relativeTimestamp * track.trackTimestampScale);
        }
        const int64_t startNs = ticks * static_cast<int64_t>(scale);
        int64_t frameNs = -1;
        if (block.duration) {
            frameNs = static_cast<int64_t>(*block.duration * scale / spans.size());
        } else if (track.defaultDuration) {
            frameNs = static_cast<int64_t>(*track.defaultDuration);
        }
        const uint8_t* extra = nullptr;
        size_t extraSize = 0;
        for (const mkv::BlockAddition& a : block.additions) {
            if (a.id == 1) {
                extra = a.data.data();
                extraSize = a.data.size();
                break;
            }
        }
        const ContentDecoder& decoder = *targets.front()->decoder;
        for (size_t k = 0; k < spans.size(); ++k) {
            Frame f;
            f.data = data + spans[k].offset;
            f.size = spans[k].size;
            if (decoder.TouchesFrames()) {
                if (!decoder.DecodeFrame(f.data, f.size, decoded, error)) {
                    for (TrackOutput* o : targets) {
                        o->Warn("frame at byte " + std::to_string(block.blockOffset) +
                                " dropped: " + error);
                    }
                    continue;
                }
                f.data = decoded.data();
                f.size = decoded.size();
            }
            f.timestampNs = startNs + (frameNs > 0 ? static_cast<int64_t>(k) * frameNs : 0);
            f.durationNs = frameNs;
            f.keyframe = block.keyframe && k == 0;
            f.additional = extra;
            f.additionalSize = extraSize;
            f.inSource = inSource && !decoder.TouchesFrames();
            for (TrackOutput* o : targets) {
                if (!o->active) {
                    continue;
                }
                if (o->writer->Write(f)) {
                    ++o->frames;
                } else {
                    o->Fail(o->writer->Error());
                    --live;
                }
            }
        }
    }

    int failed = 0;
    const bool cancelled = tools::CancelOnSignal::Cancelled();
    const auto& damage = walker.Damage();
    // Damage after the last Cluster costs no frame: the outputs are whole.
    const bool framesLost = damage && !walker.DamageAfterLastCluster();
    for (TrackOutput& o : outputs) {
        if (!o.active) {
            ++failed;
            continue;
        }
        if (cancelled) {
            o.Fail("cancelled; nothing was written");
            ++failed;
            continue;
        }
        if (framesLost) {
            o.Fail("the file is damaged " + damage->ToString() + "; nothing was written");
            ++failed;
            continue;
        }
        if (!o.writer->Finish()) {
            o.Fail(o.writer->Error());
            ++failed;
            continue;
        }
        if (!tools::ReplaceTargets(o.writer->Files(), error)) {
            o.Fail(error);
            ++failed;
            continue;
        }
        o.written = true;
    }

    const std::vector<mkv::Error>& skipped = walker.Skipped();
    const bool damaged = !reader.Problems().empty() || damage || !skipped.empty();
    for (TrackOutput& o : outputs) {
        if (!o.written) {
            continue;
        }
        if (o.frames == 0 && damaged) {
            o.Warn("no frame of the track was found: the file is damaged");
        }
        const std::string w = o.writer->Warning();
        if (!w.empty()) {
            o.Warn(w);
        }
        for (const std::string& w2 : o.warnings) {
            Report(o.Name() + ": " + w2);
            warned = true;
        }
    }
    if (damage && !framesLost) {
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
    for (const CrcMismatch& m : bytes->Mismatches()) {
        mismatches.push_back(CrcMessage(m));
    }
    ReportSome(mismatches, "more Clusters do not match their CRC-32");
    warned = warned || !skipped.empty() || !mismatches.empty();
    if (failed == 0 && !cancelled) {
        progress.Show(1, 1);
    }
    tools::ReportBytesRead(bytes->BytesRead());
    // A track asked for and not written is a failure, whatever else was written.
    if (failed > 0) {
        return tools::kExitFailed;
    }
    return warned ? tools::kExitWarnings : tools::kExitOk;
}

}  // namespace quarvel
