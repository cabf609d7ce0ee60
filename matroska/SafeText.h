// Text taken from a file, made safe to print. A crafted file could otherwise
// put control characters on a terminal (ESC or CSI, U+009B, start escape
// sequences that move the cursor, retitle the window or answer back), or a
// line break into a line the window splits. The reader's messages, the
// listing, the chapter texts and the tools' messages all clean what they take
// from the file here. Header-only, so that the muxing module uses it without
// exporting it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mkv {

// One character of UTF-8 text, or one byte that is not part of one.
struct TextUnit {
    size_t size = 1;    // its bytes
    uint32_t code = 0;  // the code point; for a byte that is not UTF-8, the byte
    bool utf8 = false;  // a well-formed sequence: no overlong form, no surrogate,
                        // nothing past U+10FFFF, nothing cut short
    // C0 (U+0000 to U+001F), DEL and C1 (U+0080 to U+009F).
    bool Control() const { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }
};

// The unit of `text` that starts at `at` (< text.size()).
inline TextUnit NextTextUnit(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[at + i]); };
    const uint8_t lead = byte(0);
    TextUnit unit;
    unit.code = lead;
    if (lead < 0x80) {
        unit.utf8 = true;
        return unit;
    }
    size_t size = 0;
    uint32_t code = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2, code = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3, code = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4, code = lead & 0x07u, least = 0x10000;
    } else {
        return unit;  // a continuation byte, or a lead no character has
    }
    if (text.size() - at < size) {
        return unit;
    }
    for (size_t i = 1; i < size; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return unit;
        }
        code = code << 6 | (byte(i) & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return unit;
    }
    unit.size = size;
    unit.code = code;
    unit.utf8 = true;
    return unit;
}

// `text` with every control character (C0, DEL, C1) and every byte that is not
// part of well-formed UTF-8 replaced by '?'; the rest kept byte for byte.
inline std::string SafeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const TextUnit unit = NextTextUnit(text, at);
        if (unit.utf8 && !unit.Control()) {
            out.append(text.substr(at, unit.size));
        } else {
            out += '?';
        }
        at += unit.size;
    }
    return out;
}

}  // namespace mkv
