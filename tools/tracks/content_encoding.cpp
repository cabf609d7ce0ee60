#include "content_encoding.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "track_limits.h"

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

}  // namespace

bool Inflate(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out,
             std::string& error) {
    out.clear();
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) {
        error = "zlib could not start";
        return false;
    }
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
    size_t produced = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (produced == out.size()) {
            // Room for one octet past the limit tells "exactly the limit"
            // from "more than the limit".
            if (out.size() > limit) {
                inflateEnd(&zs);
                out.clear();
                error = "compressed frame expands past the size limit";
                return false;
            }
            out.resize(std::min(limit + 1, std::max<size_t>(out.size() * 2, size * 4 + 256)));
        }
        zs.next_out = out.data() + produced;
        zs.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - produced, UINT_MAX));
        const uInt before = zs.avail_out;
        rc = inflate(&zs, Z_NO_FLUSH);
        produced += before - zs.avail_out;
        if (rc == Z_BUF_ERROR && zs.avail_in == 0) {
            rc = Z_DATA_ERROR;  // input ended before the stream did
        }
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            inflateEnd(&zs);
            out.clear();
            error = "damaged zlib data";
            return false;
        }
    }
    inflateEnd(&zs);
    if (produced > limit) {
        out.clear();
        error = "compressed frame expands past the size limit";
        return false;
    }
    out.resize(produced);
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
            const size_t cap = std::min(
                limit, std::max<size_t>(cur.size() * limits::kMaxInflateRatio, size_t{1} << 20));
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
