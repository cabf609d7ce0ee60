#include "tools/quarvel/pass/ContentDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "tools/quarvel/pass/PassLimits.h"

namespace quarvel {

namespace {

const char* AlgoName(uint64_t algo) {
    switch (algo) {
        case 0:
            return "zlib";
        case 1:
            return "bzip2";
        case 2:
            return "LZO1X";
        case 3:
            return "header stripping";
        default:
            return "unknown";
    }
}

enum class Inflated { kWhole, kDamaged, kTooLarge };

// Inflates `data`, handing the output to `take` in pieces of at most 64 KiB;
// stops with kTooLarge as soon as more than `limit` octets came out.
template <class Take>
Inflated InflatePieces(const uint8_t* data, size_t size, size_t limit, Take take) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) {
        return Inflated::kDamaged;
    }
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
    std::vector<uint8_t> piece(64 << 10);
    size_t produced = 0;
    Inflated result = Inflated::kWhole;
    for (;;) {
        zs.next_out = piece.data();
        zs.avail_out = static_cast<uInt>(piece.size());
        const int rc = inflate(&zs, Z_NO_FLUSH);
        const size_t n = piece.size() - zs.avail_out;
        produced += n;
        if (produced > limit) {
            result = Inflated::kTooLarge;
            break;
        }
        take(piece.data(), n);
        if (rc == Z_STREAM_END) {
            break;
        }
        // Z_BUF_ERROR with room left means the input ended before the stream.
        if ((rc != Z_OK && rc != Z_BUF_ERROR) || (rc == Z_BUF_ERROR && n == 0)) {
            result = Inflated::kDamaged;
            break;
        }
    }
    inflateEnd(&zs);
    return result;
}

}  // namespace

bool Inflate(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out,
             std::string& error) {
    // The first pass keeps what it can within kInflateFirstPassBytes and only
    // counts the rest, so a frame that expands past the limit is refused
    // without memory of its size ever being taken; a larger frame within the
    // limit is inflated again, into a buffer of exactly its size.
    out.clear();
    size_t total = 0;
    bool kept = true;
    Inflated result = InflatePieces(data, size, limit, [&](const uint8_t* piece, size_t n) {
        kept = kept && out.size() + n <= limits::kInflateFirstPassBytes;
        if (kept) {
            out.insert(out.end(), piece, piece + n);
        }
        total += n;
    });
    if (result == Inflated::kWhole && !kept) {
        out.clear();
        out.reserve(total);
        result = InflatePieces(data, size, limit, [&](const uint8_t* piece, size_t n) {
            out.insert(out.end(), piece, piece + n);
        });
    }
    if (result != Inflated::kWhole) {
        out.clear();
        error = result == Inflated::kTooLarge ? "compressed frame expands past the size limit"
                                              : "damaged zlib data";
        return false;
    }
    return true;
}

ContentDecoder::ContentDecoder(std::vector<mkv::ContentEncoding> encodings)
    : encodings_(std::move(encodings)) {
    std::stable_sort(encodings_.begin(), encodings_.end(),
                     [](const mkv::ContentEncoding& a, const mkv::ContentEncoding& b) {
                         return a.order > b.order;
                     });
    for (const mkv::ContentEncoding& e : encodings_) {
        if (e.type == 1) {
            error_ = "the track is encrypted";
            return;
        }
        if (e.type != 0) {
            error_ = "unknown content encoding type " + std::to_string(e.type);
            return;
        }
        if (e.compAlgo != 0 && e.compAlgo != 3) {
            error_ = std::string("content compression '") + AlgoName(e.compAlgo) + "' (algorithm " +
                     std::to_string(e.compAlgo) + ") is not supported";
            return;
        }
        // Scope 4: this encoding also encodes the settings of the next one.
        // Players do not undo that, and using the settings still encoded
        // would put wrong bytes before every frame.
        if ((e.scope & 4) && encodings_.size() > 1) {
            error_ =
                "content encoding scope 4 (settings of the next encoding themselves "
                "encoded) is not supported";
            return;
        }
        if (e.scope & 1) {
            framesEncoded_ = true;
        }
    }
}

bool ContentDecoder::Apply(uint64_t scopeBit, const uint8_t* data, size_t size,
                           std::vector<uint8_t>& out, size_t limit, std::string& error) const {
    std::vector<uint8_t> cur(data, data + size);
    std::vector<uint8_t> next;
    for (const mkv::ContentEncoding& e : encodings_) {
        if (!(e.scope & scopeBit)) {
            continue;
        }
        if (e.compAlgo == 0) {
            // Saturated: with a 32-bit size_t, 4 MiB times the ratio wraps
            // around to a bound that refuses the frame.
            const size_t byRatio = cur.size() > SIZE_MAX / limits::kMaxInflateRatio
                                       ? SIZE_MAX
                                       : cur.size() * limits::kMaxInflateRatio;
            const size_t cap = std::min(
                {limit, limits::kMaxInflatedBytes, std::max<size_t>(byRatio, size_t{1} << 20)});
            if (!Inflate(cur.data(), cur.size(), cap, next, error)) {
                return false;
            }
            cur.swap(next);
        } else {  // header stripping: the removed prefix goes back in front
            if (cur.size() + e.compSettings.size() > limit) {
                error = "frame larger than the size limit";
                return false;
            }
            cur.insert(cur.begin(), e.compSettings.begin(), e.compSettings.end());
        }
    }
    out.swap(cur);
    return true;
}

bool ContentDecoder::DecodeFrame(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                                 std::string& error) const {
    out.clear();
    if (!framesEncoded_) {
        return true;
    }
    return Apply(1, data, size, out, limits::kMaxFrameBytes, error);
}

bool ContentDecoder::DecodePrivate(std::vector<uint8_t>& data, std::string& error) const {
    bool any = false;
    if (data.empty()) {
        return true;  // nothing stored, nothing to decode
    }
    for (const mkv::ContentEncoding& e : encodings_) {
        any = any || (e.scope & 2);
    }
    if (!any) {
        return true;
    }
    std::vector<uint8_t> out;
    if (!Apply(2, data.data(), data.size(), out, limits::kMaxCodecPrivateBytes, error)) {
        return false;
    }
    data.swap(out);
    return true;
}

}  // namespace quarvel
