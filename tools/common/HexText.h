// Hexadecimal text as the tools print it: CRC-32 values in messages, binary
// values in XML, file positions in an index. Header-only, so that the muxing
// module uses it without exporting it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tools {

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

// Each byte as two digits, nothing between.
inline std::string HexBytes(const uint8_t* data, size_t size, HexCase letters) {
    const char* digits = letters == HexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text(2 * size, '0');
    for (size_t i = 0; i < size; ++i) {
        text[2 * i] = digits[data[i] >> 4];
        text[2 * i + 1] = digits[data[i] & 15];
    }
    return text;
}

}  // namespace tools
