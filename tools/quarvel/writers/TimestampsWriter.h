// The timestamps of a track, as the "timestamp format v2" text that muxers
// read to give variable-frame-rate video its times back: the line
// "# timestamp format v2", then one line per frame with its presentation time
// in milliseconds, in presentation order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/quarvel/pass/PassLimits.h"
#include "tools/quarvel/writers/TrackWriter.h"

namespace quarvel {

// How the writer puts the times in order (see PassLimits.h); tests make them
// small to reach the merge and the limit with a few frames.
struct TimestampLimits {
    size_t sortFrames = limits::kTimestampSortFrames;
    size_t mergeFrames = limits::kTimestampMergeFrames;
    // At most 2^28: the temporary file then stays within 2 GiB, which every
    // platform's fseek reaches.
    uint64_t maxFrames = limits::kMaxTimestampFrames;
};

// Lists the frames handed to it whose time is known (Frame::timeKnown), in
// ascending order of time, each time once per frame; lines end in LF. A time is written in
// whole milliseconds where it is one, else with the decimals it needs (at
// most six, nanoseconds); a negative time, which a damaged or edited file may
// hold, stays negative. Frames without a time of their own are left out, not
// guessed, with a warning that counts them. The frames' data is not read.
std::unique_ptr<TrackWriter> MakeTimestampsWriter(const TimestampLimits& limits = {});

}  // namespace quarvel
