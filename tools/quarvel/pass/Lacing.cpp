#include "tools/quarvel/pass/Lacing.h"

#include "tools/quarvel/pass/PassLimits.h"

namespace quarvel {

namespace {

// Reads an EBML variable-size integer (marker removed). Returns its length, or
// 0 when the octets do not hold one.
size_t ReadVint(const uint8_t* p, size_t avail, uint64_t& value) {
    if (avail == 0 || p[0] == 0) {
        return 0;
    }
    size_t len = 1;
    while (!(p[0] & (0x80 >> (len - 1)))) {
        ++len;
    }
    if (len > avail) {
        return 0;
    }
    value = p[0] & (0xFF >> len);
    for (size_t i = 1; i < len; ++i) {
        value = (value << 8) | p[i];
    }
    return len;
}

bool Fail(std::vector<FrameSpan>& frames, std::string& error, const char* what) {
    frames.clear();
    error = what;
    return false;
}

}  // namespace

bool SplitLaces(const uint8_t* data, size_t size, Lacing lacing, std::vector<FrameSpan>& frames,
                std::string& error) {
    frames.clear();
    if (lacing == Lacing::kNone) {
        frames.push_back({0, size});
        return true;
    }
    if (size < 1) {
        return Fail(frames, error, "laced block without a frame count");
    }
    const size_t count = size_t{data[0]} + 1;
    static_assert(limits::kMaxLacedFrames == 256, "the count octet bounds the lace count");
    size_t pos = 1;
    std::vector<uint64_t> sizes;
    sizes.reserve(count);

    if (lacing == Lacing::kFixed) {
        const size_t rest = size - pos;
        if (rest % count != 0) {
            return Fail(frames, error, "fixed-size lacing does not divide the block evenly");
        }
        for (size_t i = 0; i < count; ++i) {
            frames.push_back({pos + i * (rest / count), rest / count});
        }
        return true;
    }

    uint64_t total = 0;
    if (lacing == Lacing::kXiph) {
        for (size_t i = 0; i + 1 < count; ++i) {
            uint64_t s = 0;
            for (;;) {
                if (pos >= size) {
                    return Fail(frames, error, "Xiph lace sizes run past the block");
                }
                const uint8_t b = data[pos++];
                s += b;
                if (s > size) {
                    return Fail(frames, error, "lace sizes exceed the block");
                }
                if (b != 255) {
                    break;
                }
            }
            sizes.push_back(s);
            total += s;
            if (total > size) {
                return Fail(frames, error, "lace sizes exceed the block");
            }
        }
    } else {  // EBML
        int64_t prev = 0;
        for (size_t i = 0; i + 1 < count; ++i) {
            uint64_t raw = 0;
            const size_t n = ReadVint(data + pos, size - pos, raw);
            if (n == 0) {
                return Fail(frames, error, "EBML lace size unreadable");
            }
            pos += n;
            // The first size is stored as is, the others as signed differences.
            int64_t cur = static_cast<int64_t>(raw);
            if (i > 0) {
                const int64_t bias = (int64_t{1} << (7 * n - 1)) - 1;
                cur = prev + (static_cast<int64_t>(raw) - bias);
            }
            if (cur < 0) {
                return Fail(frames, error, "EBML lace size below zero");
            }
            if (static_cast<uint64_t>(cur) > size) {
                return Fail(frames, error, "lace sizes exceed the block");
            }
            sizes.push_back(static_cast<uint64_t>(cur));
            total += static_cast<uint64_t>(cur);
            prev = cur;
        }
    }
    // Each size is bounded by the block as it comes, so with at most 255 of
    // them the sum cannot wrap.
    if (total > size - pos) {
        return Fail(frames, error, "lace sizes exceed the block");
    }
    size_t off = pos;
    for (uint64_t s : sizes) {
        frames.push_back({off, static_cast<size_t>(s)});
        off += static_cast<size_t>(s);
    }
    frames.push_back({off, size - off});
    return true;
}

}  // namespace quarvel
