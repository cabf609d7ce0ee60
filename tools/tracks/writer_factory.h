// Chooses the writer of a track by its CodecID: one of ours for the simple
// formats, the FFmpeg muxing module for real containers.
#pragma once

#include <memory>
#include <string>

#include "writer.h"

namespace quarvel {

// Returns the writer, or null with a message in `error` (naming the CodecID)
// when the codec is not supported or its muxing module cannot be loaded.
std::unique_ptr<TrackWriter> MakeWriterFor(const std::string& codecId, std::string& error);

}  // namespace quarvel
