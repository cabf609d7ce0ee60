#include "tools/quarvel/writers/MuxWriter.h"

#include "matroska/SafeText.h"
#include "tools/common/OutputFiles.h"
#include "tools/quarvel/mux/MuxApi.h"
#include "tools/quarvel/writers/MuxLoader.h"

#include <map>
#include <mutex>

namespace quarvel {
namespace {

// The resolved entry points of one loaded module. A module once loaded stays
// loaded for the life of the process: unloading FFmpeg's libraries buys
// nothing and their destructors are not all safe to run early.
struct MuxModule {
    bool ok = false;
    std::string error;
    quarvel_mux_open_fn open = nullptr;
    quarvel_mux_write_fn write = nullptr;
    quarvel_mux_close_fn close = nullptr;
    quarvel_mux_abort_fn abort = nullptr;
};

std::mutex gMutex;
std::string gFolderOverride;
std::map<std::string, MuxModule> gModules;  // by the folder asked for ("" for the program's)

MuxModule Load(const std::string& folder) {
    MuxModule m;
    std::string reason;
    MuxLibrary library = OpenMuxLibrary(folder, reason);
    const std::string& path = library.path;
    if (library.handle == nullptr) {
        m.error = "cannot load the muxing module '" + path +
                  "' (it and FFmpeg's libraries are needed for this codec): " + reason;
        return m;
    }
    auto resolve = [&](const char* name, auto& fn) {
        void* sym = FindMuxSymbol(library, name, reason);
        if (sym == nullptr) {
            m.error = "the muxing module '" + path + "' lacks " + name + ": " + reason;
            return false;
        }
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(sym);
        return true;
    };
    quarvel_mux_version_fn version = nullptr;
    if (!resolve(QUARVEL_MUX_SYMBOL_VERSION, version)) {
        CloseMuxLibrary(library);
        return m;
    }
    const int have = version();
    if (have != QUARVEL_MUX_API_VERSION) {
        m.error = "the muxing module '" + path + "' has interface version " + std::to_string(have) +
                  ", this quarvel needs " + std::to_string(QUARVEL_MUX_API_VERSION);
        CloseMuxLibrary(library);
        return m;
    }
    if (!resolve(QUARVEL_MUX_SYMBOL_OPEN, m.open) || !resolve(QUARVEL_MUX_SYMBOL_WRITE, m.write) ||
        !resolve(QUARVEL_MUX_SYMBOL_CLOSE, m.close) ||
        !resolve(QUARVEL_MUX_SYMBOL_ABORT, m.abort)) {
        CloseMuxLibrary(library);
        return m;
    }
    m.ok = true;
    return m;
}

const MuxModule& GetModule() {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gModules.find(gFolderOverride);
    if (it == gModules.end()) {
        it = gModules.emplace(gFolderOverride, Load(gFolderOverride)).first;
    }
    return it->second;
}

class MuxWriter final : public TrackWriter {
  public:
    explicit MuxWriter(uint64_t segmentDurationNs) : segmentDurationNs_(segmentDurationNs) {}
    ~MuxWriter() override {
        if (mux_ != nullptr) {
            module_->abort(mux_);
        }
    }

    bool Begin(TrackInfo track, const std::string& path) override {
        const MuxModule& module = GetModule();
        if (!module.ok) {
            error_ = module.error;
            return false;
        }
        if (!temp_.Create(path, error_)) {
            return false;
        }
        module_ = &module;
        // The module names the codec in its messages. No codec it writes
        // has a byte that SafeText replaces, so its choices stay the same.
        codecId_ = mkv::SafeText(track.codecId);
        language_ = track.language;
        quarvel_mux_track t{};
        t.codec_id = codecId_.c_str();
        t.codec_private = track.codecPrivate.empty() ? nullptr : track.codecPrivate.data();
        t.codec_private_size = track.codecPrivate.size();
        t.track_type = track.type;
        t.pixel_width = track.pixelWidth;
        t.pixel_height = track.pixelHeight;
        t.sampling_frequency = track.outputSamplingFrequency > 0 ? track.outputSamplingFrequency
                                                                 : track.samplingFrequency;
        t.channels = track.channels;
        t.bit_depth = track.bitDepth;
        t.default_duration_ns = track.defaultDurationNs;
        t.language = language_.c_str();
        t.duration_ns = segmentDurationNs_;
        char err[512] = {};
        mux_ = module_->open(fileno(temp_.Stream()), path.c_str(), &t, err, sizeof err);
        if (mux_ == nullptr) {
            error_ = err;
            temp_.Discard();
            return false;
        }
        return true;
    }

    bool Write(const Frame& frame) override {
        if (mux_ == nullptr) {
            error_ = "the track's output is not open";
            return false;
        }
        char err[512] = {};
        if (module_->write(mux_, frame.data, frame.size, frame.timestampNs, frame.durationNs,
                           frame.keyframe ? 1 : 0, err, sizeof err) != 0) {
            error_ = err;
            return false;
        }
        return true;
    }

    bool Finish() override {
        if (mux_ == nullptr) {
            error_ = "the track's output is not open";
            return false;
        }
        char err[512] = {};
        const int rc = module_->close(mux_, err, sizeof err);
        mux_ = nullptr;  // freed whatever the outcome
        if (rc != 0) {
            error_ = err;
            return false;
        }
        if (!temp_.Close(error_)) {
            return false;
        }
        warning_ = err;
        return true;
    }

    void Abort() override {
        if (mux_ != nullptr) {
            module_->abort(mux_);
            mux_ = nullptr;
        }
        temp_.Discard();
    }

    std::vector<std::pair<std::string, std::string>> Files() const override {
        if (temp_.Path().empty()) {
            return {};
        }
        return {{temp_.Path(), temp_.Target()}};
    }

    std::string Error() const override { return error_; }
    std::string Warning() const override { return warning_; }

  private:
    uint64_t segmentDurationNs_ = 0;
    const MuxModule* module_ = nullptr;
    quarvel_mux* mux_ = nullptr;
    tools::TemporaryFile temp_;
    std::string codecId_, language_;
    std::string error_;
    std::string warning_;
};

}  // namespace

std::unique_ptr<TrackWriter> MakeMuxWriter(uint64_t segmentDurationNs) {
    return std::make_unique<MuxWriter>(segmentDurationNs);
}

void SetMuxModuleFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(gMutex);
    gFolderOverride = folder;
}

}  // namespace quarvel
