#include "tracks.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

#include "Cancel.h"
#include "ExitStatus.h"
#include "Limits.h"
#include "Output.h"
#include "OutputFiles.h"
#include "Reader.h"
#include "arguments.h"
#include "content_encoding.h"
#include "lacing.h"
#include "output_file.h"
#include "pass_source.h"
#include "writer.h"
#include "writer_factory.h"

namespace quarvel {

namespace {

// The temporary files of the running pass, for the one fault that cannot be
// handled where it happens: the source file cut short by another program
// while a window of it is mapped (SIGBUS on touching the lost pages).
const std::vector<const char*>* g_temporaries = nullptr;

#ifdef SIGBUS
void OnBusError(int) {
    if (g_temporaries) {
        for (const char* path : *g_temporaries) {
            std::remove(path);
        }
    }
    static const char kMessage[] =
        "quarvel: the source file was cut short while it was read; nothing was written\n";
    std::fwrite(kMessage, 1, sizeof kMessage - 1, stderr);
    std::_Exit(2);
}
#endif

// SIGINT and SIGTERM only raise a flag (tools::CancelOnSignal): the pass stops
// at the next block and removes its temporary files, so a cancelled run leaves
// nothing half-written. SIGBUS removes them on the spot.
class SignalGuard {
  public:
    SignalGuard() {
#ifdef SIGBUS
        oldBus_ = std::signal(SIGBUS, OnBusError);
#endif
    }
    ~SignalGuard() {
#ifdef SIGBUS
        std::signal(SIGBUS, oldBus_);
#endif
        g_temporaries = nullptr;
    }
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    static bool Cancelled() {
        return tools::CancelOnSignal::Cancelled();
    }

  private:
    tools::CancelOnSignal cancel_;
    void (*oldBus_)(int) = SIG_DFL;
};

void Report(const std::string& message) {
    tools::PrintError("quarvel", message);
}

// One requested output.
struct Output {
    TrackRequest request;
    const mkv::Track* track = nullptr;
    std::unique_ptr<ContentDecoder> decoder;
    std::unique_ptr<TrackWriter> writer;
    bool active = false;  // begun, not failed
    bool written = false;
    uint64_t frames = 0;  // handed to the writer
    std::vector<std::string> warnings;

    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    // A pass left early (an exception on the way to the tool's edge) removes
    // what it has not finished.
    ~Output() {
        if (writer && !written) {
            writer->Abort();
        }
    }

    std::string Name() const {
        std::string n = "track " + std::to_string(request.position);
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

    // From here on temporary files may exist: a signal must not end the
    // process before they are removed.
    SignalGuard signals;
    std::vector<Output> outputs(requests.size());
    OutputFile::ShareBudget(requests.size());
    std::map<uint64_t, std::vector<Output*>> byNumber;
    // Writing over the source (or twice to one file) would destroy data the
    // run still needs or has just written.
    tools::OutputPaths paths(file);
    for (size_t k = 0; k < requests.size(); ++k) {
        Output& o = outputs[k];
        o.request = requests[k];
        const tools::OutputPaths::Claim claim = paths.Take(o.request.path);
        // The listing numbers the tracks from 1 in file order.
        if (o.request.position <= tracks.size()) {
            o.track = &tracks[o.request.position - 1];
        }
        if (!o.track) {
            o.Fail("no such track: the file has " + std::to_string(tracks.size()) +
                   (tracks.size() == 1 ? " track" : " tracks"));
            continue;
        }
        if (claim == tools::OutputPaths::Claim::kSource) {
            o.Fail("'" + o.request.path + "' is the source file itself");
            continue;
        }
        if (claim == tools::OutputPaths::Claim::kTaken) {
            o.Fail("'" + o.request.path + "' is the output of another track already");
            continue;
        }
        if (const std::string why = tools::NotReplaceable(o.request.path); !why.empty()) {
            o.Fail(why);
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

    std::vector<std::string> temporaryNames;
    for (const Output& o : outputs) {
        if (o.active) {
            for (const auto& names : o.writer->Files()) {
                temporaryNames.push_back(names.first);
            }
        }
    }
    std::vector<const char*> temporaries;
    for (const std::string& name : temporaryNames) {
        temporaries.push_back(name.c_str());
    }
    g_temporaries = &temporaries;

    Progress progress;
    progress.Show(0, 1);
    mkv::BlockWalker walker = reader.Blocks();
    mkv::BlockHeader block;
    std::vector<uint8_t> payload, decoded;
    std::vector<FrameSpan> spans;
    const uint64_t scale = reader.Info().timestampScale;
    size_t live = 0;
    for (const Output& o : outputs) {
        live += o.active ? 1 : 0;
    }
    while (live > 0 && !signals.Cancelled() && walker.Next(block)) {
        progress.Show(walker.Offset(), walker.FileSize());
        const auto it = byNumber.find(block.trackNumber);
        if (it == byNumber.end()) {
            continue;  // a track nobody asked for: its payload is never read
        }
        std::vector<Output*>& targets = it->second;
        // A large payload is used where it lies in the file; others are read.
        const uint8_t* data = nullptr;
        size_t size = 0;
        if (block.payloadSize >= kMinViewBytes && block.payloadSize <= mkv::kMaxPayloadSize) {
            data = bytes->View(block.payloadOffset, static_cast<size_t>(block.payloadSize));
            size = static_cast<size_t>(block.payloadSize);
        }
        if (!data) {
            if (!walker.ReadPayload(payload)) {
                break;
            }
            data = payload.data();
            size = payload.size();
        }
        const mkv::Track& track = *targets.front()->track;
        if (!SplitLaces(data, size, static_cast<Lacing>(block.lacing & 3), spans, error)) {
            for (Output* o : targets) {
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
                    for (Output* o : targets) {
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
            for (Output* o : targets) {
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
    const bool cancelled = signals.Cancelled();
    const auto& damage = walker.Damage();
    // Damage after the last Cluster costs no frame: the outputs are whole.
    const bool framesLost = damage && !walker.DamageAfterLastCluster();
    for (Output& o : outputs) {
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
        bool renamed = true;
        for (const auto& [temporary, target] : o.writer->Files()) {
            renamed = renamed && tools::ReplaceTarget(temporary, target, error);
        }
        if (!renamed) {
            o.Fail(error);
            ++failed;
            continue;
        }
        o.written = true;
    }

    const std::vector<mkv::Error>& skipped = walker.Skipped();
    const bool damaged = !reader.Problems().empty() || damage || !skipped.empty();
    for (Output& o : outputs) {
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
    for (size_t i = 0; i < skipped.size() && i < 5; ++i) {
        Report("warning: damaged block skipped " + skipped[i].ToString());
    }
    if (skipped.size() > 5) {
        Report("warning: " + std::to_string(skipped.size() - 5) + " more damaged blocks skipped");
    }
    warned = warned || !skipped.empty();
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
