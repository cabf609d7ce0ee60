// EBML primitives: element headers read through a bounded range, VINTs and
// value decoding. Used by the reader; exposed for the tools' tests and for
// undoing EBML lacing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "matroska/ByteSource.h"
#include "matroska/Error.h"

namespace mkv {

struct ElementHeader {
    uint32_t id = 0;
    uint64_t offset = 0;      // file offset of the ID
    uint64_t dataOffset = 0;  // file offset of the first data byte
    uint64_t size = 0;        // declared data size; meaningless when unknownSize
    bool unknownSize = false;

    uint64_t HeaderSize() const { return dataOffset - offset; }
    uint64_t End() const { return dataOffset + size; }
};

// Decodes a VINT (size or track-number coding: marker removed) from at most
// `avail` bytes at p. Returns its length in bytes, or 0 when p does not hold
// a whole valid VINT of at most 8 bytes. *allOnes tells whether every value
// bit was set (the "unknown size" pattern).
size_t DecodeVint(const uint8_t* p, size_t avail, uint64_t& value, bool* allOnes = nullptr);

// Reads the header of the element starting at `pos`. The whole header must lie
// before `limit` (the end of the parent, or of the file). On failure fills
// `error` with the offset and what was expected there.
bool ReadElementHeader(ByteSource& source, uint64_t pos, uint64_t limit, ElementHeader& out,
                       Error& error);

uint64_t DecodeUint(const uint8_t* p, size_t n);  // n <= 8
int64_t DecodeSint(const uint8_t* p, size_t n);   // n <= 8
// Empty when n is not 4 or 8.
std::optional<double> DecodeFloat(const uint8_t* p, size_t n);
// Text values: cut at the first NUL, invalid UTF-8 sequences replaced by U+FFFD.
std::string DecodeText(const uint8_t* p, size_t n);

// What is said of an element other than Segment and Cluster whose size is
// unknown.
std::string UnexpectedUnknownSize(uint32_t id);

// The bytes as messages show them: "1A 45 DF A3".
std::string Hex(const uint8_t* p, size_t n);

// "Cluster", "TrackEntry", ... or "element 0x1234" for IDs we have no name for.
std::string ElementName(uint32_t id);

}  // namespace mkv
