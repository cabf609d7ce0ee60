// Hexadecimal text as the reader and the tools print it: bytes in the
// reader's messages, CRC-32 values, binary values in XML, file positions in an
// index. Header-only, so that the muxing module uses it without exporting it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace mkv {

enum class HexCase { kLower, kUpper };

// `value` in hexadecimal, zero-padded to at least `width` digits.
inline std::string HexNumber(uint64_t value, size_t width, HexCase letters) {
    const char* digits = letters == HexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 15]);
        value >>= 4;
    } while (value != 0);
    if (text.size() < width) {
        text.insert(0, width - text.size(), '0');
    }
    return text;
}

// Each byte as two digits, with `between` (if not 0) between two bytes.
inline std::string HexBytes(const uint8_t* data, size_t size, HexCase letters, char between = 0) {
    const char* digits = letters == HexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    text.reserve(3 * size);
    for (size_t i = 0; i < size; ++i) {
        if (i != 0 && between != 0) {
            text += between;
        }
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

}  // namespace mkv
