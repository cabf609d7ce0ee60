// Chooses the writer of a track by its CodecID, from the codec table: one of
// ours for the simple formats, the FFmpeg muxing module for real containers.
#pragma once

#include <memory>
#include <string>

#include "tools/quarvel/writers/TrackWriter.h"

namespace quarvel {

// Returns the writer, or null with a message in `error` (naming the CodecID)
// when the codec is not supported. `segmentDurationNs` is the file's Duration
// (0 when unknown); some containers need it to close their last frame.
std::unique_ptr<TrackWriter> MakeWriterFor(const std::string& codecId, uint64_t segmentDurationNs,
                                           std::string& error);

}  // namespace quarvel
