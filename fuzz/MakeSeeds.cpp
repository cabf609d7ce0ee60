// Writes the first inputs of the lacing and content-decoding fuzz targets from
// Matroska files (the test fixtures): the first frames of every track, laced
// three ways, or encoded with zlib and with header stripping; and, for content
// decoding, two zlib frames that inflate to megabytes.
//
//   fuzz_seeds lacing|content_decoding FOLDER FILE...
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "fuzz/ContentInput.h"
#include "matroska/Reader.h"
#include "tests/support/EbmlWriter.h"

namespace {

using ebmltest::Bytes;

constexpr size_t kFramesPerTrack = 6;
constexpr size_t kMaxFrameBytes = 2048;  // seeds stay small; the fuzzer grows them

// The first frames of each track, cut to kMaxFrameBytes, by track number.
std::map<uint64_t, std::vector<Bytes>> FirstFrames(const std::string& path) {
    std::map<uint64_t, std::vector<Bytes>> frames;
    std::string error;
    mkv::Reader reader(mkv::OpenFile(path, &error));
    if (!reader.Open()) {
        return frames;
    }
    mkv::BlockWalker walker = reader.Blocks();
    mkv::BlockHeader block;
    Bytes payload;
    while (walker.Next(block)) {
        std::vector<Bytes>& track = frames[block.trackNumber];
        if (track.size() < kFramesPerTrack && walker.ReadPayload(payload)) {
            payload.resize(std::min(payload.size(), kMaxFrameBytes));
            track.push_back(payload);
        }
    }
    return frames;
}

bool Write(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Octet 0 is the lacing, as in the block's flags.
std::vector<Bytes> LacingSeeds(std::vector<Bytes> frames) {
    if (frames.size() < 2) {
        return {};
    }
    Bytes xiph = ebmltest::Cat({{1}, ebmltest::XiphLace(frames)});
    Bytes ebml = ebmltest::Cat({{3}, ebmltest::EbmlLace(frames)});
    size_t shortest = kMaxFrameBytes;
    for (const Bytes& f : frames) {
        shortest = std::min(shortest, f.size());
    }
    for (Bytes& f : frames) {
        f.resize(shortest);
    }
    return {xiph, ebml, ebmltest::Cat({{2}, ebmltest::FixedLace(frames)})};
}

Bytes Deflated(const Bytes& in) {
    uLongf n = compressBound(in.size());
    Bytes out(n);
    compress2(out.data(), &n, in.data(), in.size(), 9);
    out.resize(n);
    return out;
}

mkv::ContentEncoding Encoding(uint64_t order, uint64_t algo, Bytes settings = {}) {
    mkv::ContentEncoding e;
    e.order = order;
    e.scope = 3;  // frames and CodecPrivate
    e.compAlgo = algo;
    e.compSettings = std::move(settings);
    return e;
}

// The first frame zlib-compressed, its first octets stripped, and both.
std::vector<Bytes> ContentSeeds(const std::vector<Bytes>& frames) {
    if (frames.empty()) {
        return {};
    }
    const Bytes& frame = frames[0];
    const size_t strip = std::min<size_t>(frame.size(), 3);
    const Bytes head(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(strip));
    const Bytes rest(frame.begin() + static_cast<std::ptrdiff_t>(strip), frame.end());
    using fuzzinput::ContentInput;
    return {
        ContentInputBytes(ContentInput{{Encoding(0, 0)}, Deflated(frame)}),
        ContentInputBytes(ContentInput{{Encoding(0, 3, head)}, rest}),
        ContentInputBytes(ContentInput{{Encoding(1, 3, head), Encoding(0, 0)}, Deflated(rest)}),
    };
}

// Frames of zeros, zlib-compressed: one that inflates past the first pass's
// buffer, one past the ratio by which a frame may grow.
std::vector<Bytes> InflationSeeds() {
    using fuzzinput::ContentInput;
    return {ContentInputBytes(ContentInput{{Encoding(0, 0)}, Deflated(Bytes(2 << 20, 0))}),
            ContentInputBytes(ContentInput{{Encoding(0, 0)}, Deflated(Bytes(4 << 20, 0))})};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string target = argc > 1 ? argv[1] : "";
    if (argc < 4 || (target != "lacing" && target != "content_decoding")) {
        std::fprintf(stderr, "usage: fuzz_seeds lacing|content_decoding FOLDER FILE...\n");
        return 2;
    }
    const std::string folder = argv[2];
    std::vector<Bytes> seeds = target == "lacing" ? std::vector<Bytes>{} : InflationSeeds();
    for (int i = 3; i < argc; ++i) {
        for (const auto& [track, frames] : FirstFrames(argv[i])) {
            for (Bytes& seed : target == "lacing" ? LacingSeeds(frames) : ContentSeeds(frames)) {
                seeds.push_back(std::move(seed));
            }
        }
    }
    int written = 0;
    for (const Bytes& seed : seeds) {
        const std::string name = folder + "/seed-" + std::to_string(written++);
        if (!Write(name, seed)) {
            std::perror(name.c_str());
            return 1;
        }
    }
    std::printf("%d seeds in %s\n", written, folder.c_str());
    return 0;
}
