// Little- and big-endian integers read from bytes and appended to them, for
// the headers quarvel's writers and its muxing module build and parse.
// Header-only, so that the muxing module uses it without exporting it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quarvel {

inline uint16_t ReadLE16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
// The first `n` bytes (at most four) as a big-endian number.
inline uint32_t ReadBE(const uint8_t* p, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}
inline uint32_t ReadBE24(const uint8_t* p) {
    return ReadBE(p, 3);
}
inline uint32_t ReadBE32(const uint8_t* p) {
    return ReadBE(p, 4);
}

inline void PutLE16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}
inline void PutLE32(std::vector<uint8_t>& v, uint32_t x) {
    PutLE16(v, x & 0xFFFF);
    PutLE16(v, x >> 16);
}
inline void PutLE64(std::vector<uint8_t>& v, uint64_t x) {
    PutLE32(v, static_cast<uint32_t>(x));
    PutLE32(v, static_cast<uint32_t>(x >> 32));
}
inline void PutBE16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back((x >> 8) & 0xFF);
    v.push_back(x & 0xFF);
}
inline void PutBE32(std::vector<uint8_t>& v, uint32_t x) {
    PutBE16(v, x >> 16);
    PutBE16(v, x & 0xFFFF);
}
// The text's bytes, without its terminating zero.
inline void PutText(std::vector<uint8_t>& v, const char* text) {
    v.insert(v.end(), text, text + std::strlen(text));
}

}  // namespace quarvel
