// libFuzzer target: undoes a track's content encodings on one frame and on
// its CodecPrivate (input format in ContentInput.h). A decoder refuses a
// track with a reason or decodes within the limits; a lone zlib encoding
// gives what zlib itself inflates, a lone header stripping puts its bytes back
// in front.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/ContentInput.h"
#include "tools/quarvel/pass/ContentDecoder.h"
#include "tools/quarvel/pass/PassLimits.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// What zlib's own one-call inflate makes of the frame, when it fits `size`.
bool Uncompressed(const std::vector<uint8_t>& frame, size_t size, std::vector<uint8_t>& out) {
    out.resize(size + 1);
    uLongf n = out.size();
    if (uncompress(out.data(), &n, frame.data(), frame.size()) != Z_OK) {
        return false;
    }
    out.resize(n);
    return true;
}

void CheckFrame(const fuzzinput::ContentInput& in, const quarvel::ContentDecoder& decoder) {
    std::vector<uint8_t> out;
    std::string error;
    if (!decoder.DecodeFrame(in.frame.data(), in.frame.size(), out, error)) {
        Require(!error.empty() && decoder.TouchesFrames());
        return;
    }
    Require(out.size() <= quarvel::limits::kMaxFrameBytes);
    if (!decoder.TouchesFrames()) {
        Require(out.empty());
        return;
    }
    if (in.encodings.size() != 1) {
        return;
    }
    const mkv::ContentEncoding& e = in.encodings[0];
    if (e.compAlgo == 3) {
        std::vector<uint8_t> expected = e.compSettings;
        expected.insert(expected.end(), in.frame.begin(), in.frame.end());
        Require(out == expected);
    } else {
        std::vector<uint8_t> inflated;
        Require(Uncompressed(in.frame, out.size(), inflated) && inflated == out);
    }
}

void CheckPrivate(const fuzzinput::ContentInput& in, const quarvel::ContentDecoder& decoder) {
    std::vector<uint8_t> data = in.frame;
    std::string error;
    if (decoder.DecodePrivate(data, error)) {
        Require(data.size() <= quarvel::limits::kMaxCodecPrivateBytes);
    } else {
        Require(!error.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzinput::ContentInput in;
    if (!fuzzinput::ParseContentInput(data, size, in)) {
        return 0;
    }
    const quarvel::ContentDecoder decoder(in.encodings);
    Require(decoder.Usable() == decoder.Error().empty());
    if (!decoder.Usable()) {
        return 0;
    }
    CheckFrame(in, decoder);
    CheckPrivate(in, decoder);
    return 0;
}
