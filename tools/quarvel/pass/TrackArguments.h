// The arguments of `quarvel tracks` and `quarvel timestamps`.
#pragma once

#include <string>
#include <vector>

#include "tools/quarvel/NumberedPath.h"

namespace quarvel {

// What an output holds of its track.
enum class TrackContent { kFrames, kTimestamps };

struct TrackRequest {
    uint64_t number = 0;  // the track's position in the listing: 1 = first TrackEntry
    std::string path;
    TrackContent content = TrackContent::kFrames;
};

// Parses every argument: "n:PATH" (see ParseNumberedPath) asks for `bare`
// of track n, "--timestamps n:PATH" for its timestamps. Returns false with a
// message naming the first argument at fault: one bad argument stops the
// whole run.
bool ParseTrackArguments(const std::vector<std::string>& args, TrackContent bare,
                         std::vector<TrackRequest>& out, std::string& error);

}  // namespace quarvel
