// libFuzzer target: splits a block's payload into its frames. Octet 0 picks
// the lacing (its two low bits, as in the block's flags); the rest is what
// follows the flags. The frames must tile the payload after the lace header,
// and Xiph and EBML laces written again from the frames must split alike.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/EbmlWriter.h"
#include "tools/quarvel/pass/Lacing.h"

namespace {

using quarvel::FrameSpan;
using quarvel::Lacing;

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

std::vector<ebmltest::Bytes> FramesOf(const uint8_t* data, const std::vector<FrameSpan>& spans) {
    std::vector<ebmltest::Bytes> frames;
    for (const FrameSpan& f : spans) {
        frames.emplace_back(data + f.offset, data + f.offset + f.size);
    }
    return frames;
}

std::vector<size_t> SizesOf(const std::vector<FrameSpan>& spans) {
    std::vector<size_t> sizes;
    for (const FrameSpan& f : spans) {
        sizes.push_back(f.size);
    }
    return sizes;
}

// The laces written again from the frames split into frames of the same sizes.
void CheckRelaced(Lacing lacing, const uint8_t* data, const std::vector<FrameSpan>& spans) {
    const auto frames = FramesOf(data, spans);
    const ebmltest::Bytes again =
        lacing == Lacing::kXiph ? ebmltest::XiphLace(frames) : ebmltest::EbmlLace(frames);
    std::vector<FrameSpan> split;
    std::string error;
    Require(quarvel::SplitLaces(again.data(), again.size(), lacing, split, error));
    Require(SizesOf(split) == SizesOf(spans));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto lacing = static_cast<Lacing>(input[0] & 3);
    const uint8_t* data = input + 1;
    const size_t n = size - 1;
    std::vector<FrameSpan> spans;
    std::string error;
    if (!quarvel::SplitLaces(data, n, lacing, spans, error)) {
        Require(spans.empty() && !error.empty());
        return 0;
    }
    Require(!spans.empty());
    Require(lacing == Lacing::kNone ? spans.size() == 1 : spans.size() == size_t{data[0]} + 1);
    // One frame after the other up to the end of the payload.
    for (size_t i = 1; i < spans.size(); ++i) {
        Require(spans[i].offset == spans[i - 1].offset + spans[i - 1].size);
    }
    Require(spans.back().offset + spans.back().size == n);
    if (lacing == Lacing::kXiph || lacing == Lacing::kEbml) {
        CheckRelaced(lacing, data, spans);
    }
    return 0;
}
