// Splitting a block's payload into its frames (Xiph, EBML and fixed-size lacing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

enum class Lacing : uint8_t { kNone = 0, kXiph = 1, kFixed = 2, kEbml = 3 };

struct FrameSpan {
    size_t offset = 0;  // from the start of the payload given to SplitLaces
    size_t size = 0;
};

// `data` is what follows the block header's flags octet. On success fills
// `frames` (never empty) and returns true; on a count or size that does not fit
// the payload returns false with a message in `error` and leaves `frames` empty.
bool SplitLaces(const uint8_t* data, size_t size, Lacing lacing, std::vector<FrameSpan>& frames,
                std::string& error);

}  // namespace quarvel
