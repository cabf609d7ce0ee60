// The input of the content-decoding fuzz target: a track's ContentEncodings
// and one frame, decoded both as a frame and as the track's CodecPrivate.
// Octet 0 says how many encodings follow (its value modulo 4); each is five
// octets (order, scope, type, algorithm, length of its settings) and the
// settings; the rest is the frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "matroska/Types.h"

namespace fuzzinput {

struct ContentInput {
    std::vector<mkv::ContentEncoding> encodings;
    std::vector<uint8_t> frame;
};

// False when the input ends inside an encoding.
inline bool ParseContentInput(const uint8_t* data, size_t size, ContentInput& out) {
    if (size == 0) {
        return false;
    }
    size_t pos = 1;
    for (unsigned i = 0; i < data[0] % 4u; ++i) {
        if (size - pos < 5 || size - pos - 5 < data[pos + 4]) {
            return false;
        }
        mkv::ContentEncoding e;
        e.order = data[pos];
        e.scope = data[pos + 1];
        e.type = data[pos + 2];
        e.compAlgo = data[pos + 3];
        e.hasCompression = e.type == 0;
        e.hasEncryption = e.type == 1;
        e.compSettings.assign(data + pos + 5, data + pos + 5 + data[pos + 4]);
        out.encodings.push_back(std::move(e));
        pos += 5 + data[pos + 4];
    }
    out.frame.assign(data + pos, data + size);
    return true;
}

// The input that ParseContentInput reads back as `in` (settings of at most
// 255 octets, at most 3 encodings).
inline std::vector<uint8_t> ContentInputBytes(const ContentInput& in) {
    std::vector<uint8_t> out = {static_cast<uint8_t>(in.encodings.size())};
    for (const mkv::ContentEncoding& e : in.encodings) {
        out.insert(out.end(), {static_cast<uint8_t>(e.order), static_cast<uint8_t>(e.scope),
                               static_cast<uint8_t>(e.type), static_cast<uint8_t>(e.compAlgo),
                               static_cast<uint8_t>(e.compSettings.size())});
        out.insert(out.end(), e.compSettings.begin(), e.compSettings.end());
    }
    out.insert(out.end(), in.frame.begin(), in.frame.end());
    return out;
}

}  // namespace fuzzinput
