#include "tools/quarvel/pass/Lacing.h"

#include "matroska/Ebml.h"
#include "tools/quarvel/pass/PassLimits.h"

namespace quarvel {

namespace {

constexpr const char* kPastBlock = "lace sizes exceed the block";

// The sizes of every frame but the last, as the lacing stores them, and the
// offset of the first frame's first octet.
struct LaceSizes {
    std::vector<uint64_t> sizes;
    size_t pos = 1;  // after the count octet
};

// Each of these returns null, or why the laces do not fit the block.

const char* SplitFixed(size_t size, size_t count, std::vector<FrameSpan>& frames) {
    const size_t rest = size - 1;
    if (rest % count != 0) {
        return "fixed-size lacing does not divide the block evenly";
    }
    for (size_t i = 0; i < count; ++i) {
        frames.push_back({1 + i * (rest / count), rest / count});
    }
    return nullptr;
}

// Each size is a run of 255s and the octet that ends it, summed.
const char* ReadXiphSizes(const uint8_t* data, size_t size, size_t count, LaceSizes& laces) {
    uint64_t total = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        uint64_t s = 0;
        for (uint8_t b = 255; b == 255;) {
            if (laces.pos >= size) {
                return "Xiph lace sizes run past the block";
            }
            b = data[laces.pos++];
            s += b;
            if (s > size) {
                return kPastBlock;
            }
        }
        laces.sizes.push_back(s);
        total += s;
        if (total > size) {
            return kPastBlock;
        }
    }
    return nullptr;
}

// The first size is an EBML VINT, the others signed differences to the one
// before, stored as VINTs with a bias of half their range.
const char* ReadEbmlSizes(const uint8_t* data, size_t size, size_t count, LaceSizes& laces) {
    int64_t prev = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        uint64_t raw = 0;
        const size_t n = mkv::DecodeVint(data + laces.pos, size - laces.pos, raw);
        if (n == 0) {
            return "EBML lace size unreadable";
        }
        laces.pos += n;
        int64_t cur = static_cast<int64_t>(raw);
        if (i > 0) {
            const int64_t bias = (int64_t{1} << (7 * n - 1)) - 1;
            cur = prev + (static_cast<int64_t>(raw) - bias);
        }
        if (cur < 0) {
            return "EBML lace size below zero";
        }
        if (static_cast<uint64_t>(cur) > size) {
            return kPastBlock;
        }
        laces.sizes.push_back(static_cast<uint64_t>(cur));
        prev = cur;
    }
    return nullptr;
}

// The frames one after the other from laces.pos, the last one taking the rest.
const char* PlaceFrames(size_t size, const LaceSizes& laces, std::vector<FrameSpan>& frames) {
    // Each size is bounded by the block as it comes, so with at most 255 of
    // them the sum cannot wrap.
    uint64_t total = 0;
    for (uint64_t s : laces.sizes) {
        total += s;
    }
    if (total > size - laces.pos) {
        return kPastBlock;
    }
    size_t off = laces.pos;
    for (uint64_t s : laces.sizes) {
        frames.push_back({off, static_cast<size_t>(s)});
        off += static_cast<size_t>(s);
    }
    frames.push_back({off, size - off});
    return nullptr;
}

const char* Split(const uint8_t* data, size_t size, Lacing lacing, std::vector<FrameSpan>& frames) {
    if (lacing == Lacing::kNone) {
        frames.push_back({0, size});
        return nullptr;
    }
    if (size < 1) {
        return "laced block without a frame count";
    }
    const size_t count = size_t{data[0]} + 1;
    static_assert(limits::kMaxLacedFrames == 256, "the count octet bounds the lace count");
    if (lacing == Lacing::kFixed) {
        return SplitFixed(size, count, frames);
    }
    LaceSizes laces;
    laces.sizes.reserve(count);
    const char* failure = lacing == Lacing::kXiph ? ReadXiphSizes(data, size, count, laces)
                                                  : ReadEbmlSizes(data, size, count, laces);
    return failure != nullptr ? failure : PlaceFrames(size, laces, frames);
}

}  // namespace

bool SplitLaces(const uint8_t* data, size_t size, Lacing lacing, std::vector<FrameSpan>& frames,
                std::string& error) {
    frames.clear();
    if (const char* failure = Split(data, size, lacing, frames)) {
        frames.clear();
        error = failure;
        return false;
    }
    return true;
}

}  // namespace quarvel
