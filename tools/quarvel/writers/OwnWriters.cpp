#include "tools/quarvel/writers/OwnWriters.h"

namespace quarvel {

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

}  // namespace

std::unique_ptr<TrackWriter> MakeOwnWriter(const std::string& id) {
    if (StartsWith(id, "A_AC3") || id == "A_EAC3" || StartsWith(id, "A_DTS") || id == "A_TRUEHD" ||
        id == "A_MLP" || id == "A_MPEG/L1" || id == "A_MPEG/L2" || id == "A_MPEG/L3") {
        return MakeRawWriter();
    }
    if (id == "V_MPEG1" || id == "V_MPEG2" || id == "V_MPEG4/ISO/SP" || id == "V_MPEG4/ISO/ASP" ||
        id == "V_MPEG4/ISO/AP") {
        return MakeMpegVideoWriter();
    }
    if (id == "A_AAC" || StartsWith(id, "A_AAC/")) {
        return MakeAdtsWriter();
    }
    if (id == "V_MPEG4/ISO/AVC" || id == "V_MPEGH/ISO/HEVC") {
        return MakeAnnexBWriter();
    }
    if (id == "V_AV1" || id == "V_VP8" || id == "V_VP9") {
        return MakeIvfWriter();
    }
    if (id == "A_PCM/INT/LIT" || id == "A_PCM/INT/BIG" || id == "A_PCM/FLOAT/IEEE" ||
        id == "A_MS/ACM") {
        return MakeWavWriter();
    }
    if (id == "A_FLAC") {
        return MakeFlacWriter();
    }
    if (id == "S_TEXT/UTF8" || id == "S_TEXT/ASCII") {
        return MakeSrtWriter();
    }
    if (id == "S_TEXT/SSA" || id == "S_TEXT/ASS" || id == "S_SSA" || id == "S_ASS") {
        return MakeSsaWriter();
    }
    if (id == "S_TEXT/WEBVTT" || StartsWith(id, "D_WEBVTT/")) {
        return MakeWebVttWriter();
    }
    if (id == "S_HDMV/PGS") {
        return MakeSupWriter();
    }
    if (id == "S_VOBSUB") {
        return MakeVobSubWriter();
    }
    return nullptr;
}

}  // namespace quarvel
