// The output formats quarvel writes with its own code.
#pragma once

#include <memory>
#include <string>

#include "core/CodecTable.h"
#include "tools/quarvel/writers/TrackWriter.h"

namespace quarvel {

using torvane::Output;

// A writer of ours for `output`, or null when the muxing module writes it.
std::unique_ptr<TrackWriter> MakeOwnWriter(Output output);

// Writers by format, for tests and the factory.
std::unique_ptr<TrackWriter> MakeRawWriter();        // frames concatenated
std::unique_ptr<TrackWriter> MakeMpegVideoWriter();  // V_MPEG1/2, MPEG-4 part 2
std::unique_ptr<TrackWriter> MakeFlacWriter();
std::unique_ptr<TrackWriter> MakeAdtsWriter();
std::unique_ptr<TrackWriter> MakeAnnexBWriter();  // AVC and HEVC
std::unique_ptr<TrackWriter> MakeIvfWriter();
std::unique_ptr<TrackWriter> MakeWavWriter();
std::unique_ptr<TrackWriter> MakeSrtWriter();
std::unique_ptr<TrackWriter> MakeSsaWriter();
std::unique_ptr<TrackWriter> MakeWebVttWriter();
std::unique_ptr<TrackWriter> MakeSupWriter();
std::unique_ptr<TrackWriter> MakeVobSubWriter();

}  // namespace quarvel
