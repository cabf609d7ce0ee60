// Errors as values: where in the file, and what was expected there.
#pragma once

#include <cstdint>
#include <string>

namespace mkv {

struct Error {
    uint64_t offset = 0;  // file offset of the element (or byte) at fault
    std::string message;  // "expected X, found Y" style, no offset in it

    // "at byte OFFSET: MESSAGE"
    std::string ToString() const { return "at byte " + std::to_string(offset) + ": " + message; }
};

}  // namespace mkv
