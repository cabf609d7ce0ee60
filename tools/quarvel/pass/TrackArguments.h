// The n:PATH arguments of `quarvel tracks`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

struct TrackRequest {
    uint64_t position = 0;  // 1 = first TrackEntry
    std::string path;
};

// Parses each "n:PATH" (n decimal from 1, PATH not empty; the first ':' splits,
// so "2:D:\OUT\Track2.ac3" names D:\OUT\Track2.ac3). Returns false with a
// message naming the argument at fault.
bool ParseTrackArguments(const std::vector<std::string>& args, std::vector<TrackRequest>& out,
                         std::string& error);

}  // namespace quarvel
