// The TrackWriter for codecs that need a real container (AVI, Ogg, CAF,
// WavPack, TTA, RealMedia: the codec table says which). It drives libquarvel_mux, which holds all
// of quarvel's FFmpeg code and is loaded only when the first such track begins, so that
// no other run pays FFmpeg's start-up.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/quarvel/writers/TrackWriter.h"

namespace quarvel {

// A writer for a codec the codec table sends through the muxing module. Creating it loads nothing;
// Begin loads the module, and fails with a message naming the module's file (and the loader's
// reason) when it or FFmpeg's libraries are missing. segmentDurationNs is the file's Duration (0
// when unknown): a TTA track with no header in CodecPrivate needs it to know how long its last
// frame is.
std::unique_ptr<TrackWriter> MakeMuxWriter(uint64_t segmentDurationNs = 0);

// The module's file name: "libquarvel_mux.so", "quarvel_mux.dll" on Windows.
std::string MuxModuleFileName();

// Where the module is looked for: the folder of the running executable unless
// a folder is set here (tests point it elsewhere). Empty restores the default.
void SetMuxModuleFolder(const std::string& folder);

}  // namespace quarvel
