#include "tools/quarvel/writers/OwnWriters.h"

namespace quarvel {

std::unique_ptr<TrackWriter> MakeOwnWriter(Output output) {
    switch (output) {
        case Output::kAnnexB:
            return MakeAnnexBWriter();
        case Output::kIvf:
            return MakeIvfWriter();
        case Output::kMpegVideo:
            return MakeMpegVideoWriter();
        case Output::kAdts:
            return MakeAdtsWriter();
        case Output::kRawFrames:
            return MakeRawWriter();
        case Output::kFlac:
            return MakeFlacWriter();
        case Output::kWave:
            return MakeWavWriter();
        case Output::kSubRip:
            return MakeSrtWriter();
        case Output::kSsa:
            return MakeSsaWriter();
        case Output::kWebVtt:
            return MakeWebVttWriter();
        case Output::kSup:
            return MakeSupWriter();
        case Output::kVobSub:
            return MakeVobSubWriter();
        case Output::kAvi:
        case Output::kOgg:
        case Output::kCaf:
        case Output::kWavPack:
        case Output::kTta:
        case Output::kRealMedia:
            break;  // the muxing module's
    }
    return nullptr;
}

}  // namespace quarvel
