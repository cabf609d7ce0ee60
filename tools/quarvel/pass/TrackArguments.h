// The n:PATH arguments of `quarvel tracks`.
#pragma once

#include <string>
#include <vector>

#include "tools/quarvel/NumberedPath.h"

namespace quarvel {

// n is the track's position in the listing: 1 = first TrackEntry.
using TrackRequest = NumberedPath;

// Parses every "n:PATH" (see ParseNumberedPath). Returns false with a message
// naming the first argument at fault: one bad argument stops the whole run.
bool ParseTrackArguments(const std::vector<std::string>& args, std::vector<TrackRequest>& out,
                         std::string& error);

}  // namespace quarvel
