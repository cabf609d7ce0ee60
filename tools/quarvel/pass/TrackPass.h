// `quarvel tracks FILE n:PATH ...` and `quarvel timestamps FILE n:PATH ...`:
// every requested track, and the timestamps of every requested track, in one
// pass.
#pragma once

#include <string>
#include <vector>

#include "tools/quarvel/pass/TrackArguments.h"

namespace quarvel {

// arguments are the n:PATH arguments, each asking for `bare` of its track,
// and "--timestamps n:PATH" pairs (see ParseTrackArguments). Prints
// "Progress: N%" lines on standard output and errors on standard error;
// returns the exit status (0, 1 or 2).
int RunTracks(const std::string& file, const std::vector<std::string>& arguments,
              TrackContent bare);

}  // namespace quarvel
