// quarvel's codec table: for every CodecID it writes, the file it writes (by
// one of its own writers, or through the FFmpeg muxing module) and the
// extension the window gives such a track from its built-in rules and the
// default Formats.txt. quarvel picks each track's writer here, and the muxing
// module its container; a test checks the window's defaults and the README's
// table of output formats against it.
#pragma once

#include <cstdint>
#include <string_view>

namespace quarvel {

enum class Output : uint8_t {
    // Written by quarvel's own writers.
    kAnnexB,
    kIvf,
    kMpegVideo,
    kAdts,
    kRawFrames,
    kFlac,
    kWave,
    kSubRip,
    kSsa,
    kWebVtt,
    kSup,
    kVobSub,
    // Written through the muxing module.
    kAvi,
    kOgg,
    kCaf,
    kWavPack,
    kTta,
    kRealMedia,
};

constexpr bool ThroughMuxModule(Output output) {
    return output >= Output::kAvi;
}

// The file written, as the README's table of output formats says it.
constexpr std::string_view OutputDescription(Output output) {
    switch (output) {
        case Output::kAnnexB:
            return "Annex B elementary stream, parameter sets first";
        case Output::kIvf:
            return "IVF";
        case Output::kMpegVideo:
            return "elementary stream";
        case Output::kAdts:
            return "ADTS";
        case Output::kRawFrames:
            return "raw frames";
        case Output::kFlac:
            return "FLAC";
        case Output::kWave:
            return "WAVE (big-endian samples swapped)";
        case Output::kSubRip:
            return "SubRip";
        case Output::kSsa:
            return "SSA / ASS script";
        case Output::kWebVtt:
            return "WebVTT";
        case Output::kSup:
            return "SUP";
        case Output::kVobSub:
            return "`.idx` + `.sub` pair";
        case Output::kAvi:
            return "AVI";
        case Output::kOgg:
            return "Ogg";
        case Output::kCaf:
            return "CAF";
        case Output::kWavPack:
            return "WavPack";
        case Output::kTta:
            return "TTA";
        case Output::kRealMedia:
            return "RealMedia";
    }
    return {};
}

struct CodecRow {
    std::string_view codecId;
    bool prefix;  // the row stands for every CodecID that begins with codecId
    Output output;
    // The extension the window gives the track; empty where it asks the user.
    std::string_view extension;
};

// The first row that fits a CodecID is its row: an exact row or a narrower
// prefix comes before the wider prefix it would otherwise fall under.
inline constexpr CodecRow kCodecTable[] = {
    {"V_MPEG4/ISO/AVC", false, Output::kAnnexB, "h264"},
    {"V_MPEGH/ISO/HEVC", false, Output::kAnnexB, "h265"},
    {"V_AV1", false, Output::kIvf, "ivf"},
    {"V_VP8", false, Output::kIvf, "ivf"},
    {"V_VP9", false, Output::kIvf, "ivf"},
    {"V_MPEG1", false, Output::kMpegVideo, "m1v"},
    {"V_MPEG2", false, Output::kMpegVideo, "m2v"},
    {"V_MPEG4/ISO/SP", false, Output::kMpegVideo, ""},
    {"V_MPEG4/ISO/ASP", false, Output::kMpegVideo, "m4v"},
    {"V_MPEG4/ISO/AP", false, Output::kMpegVideo, ""},
    {"V_MS/VFW/FOURCC", false, Output::kAvi, "avi"},
    {"V_THEORA", false, Output::kOgg, "ogv"},
    // FFmpeg's RealMedia muxer can carry the codec data of no Real video
    // codec: the muxing module refuses them with a message that says so.
    {"V_REAL/", true, Output::kRealMedia, "rmvb"},

    // The older AAC IDs name the profile; the window knows those of MPEG-2
    // and MPEG-4.
    {"A_AAC", false, Output::kAdts, "aac"},
    {"A_AAC/MPEG2", true, Output::kAdts, "aac"},
    {"A_AAC/MPEG4", true, Output::kAdts, "aac"},
    {"A_AAC/", true, Output::kAdts, ""},
    {"A_AC3", true, Output::kRawFrames, "ac3"},
    {"A_EAC3", false, Output::kRawFrames, "eac3"},
    {"A_DTS", false, Output::kRawFrames, "dts"},
    {"A_DTS", true, Output::kRawFrames, ""},
    {"A_TRUEHD", false, Output::kRawFrames, "thd"},
    {"A_MLP", false, Output::kRawFrames, ""},
    {"A_MPEG/L1", false, Output::kRawFrames, ""},
    {"A_MPEG/L2", false, Output::kRawFrames, "mp2"},
    {"A_MPEG/L3", false, Output::kRawFrames, "mp3"},
    {"A_FLAC", false, Output::kFlac, "flac"},
    {"A_PCM/INT/LIT", false, Output::kWave, "wav"},
    {"A_PCM/INT/BIG", false, Output::kWave, "wav"},
    {"A_PCM/FLOAT/IEEE", false, Output::kWave, "wav"},
    {"A_MS/ACM", false, Output::kWave, "wav"},
    {"A_VORBIS", false, Output::kOgg, "ogg"},
    {"A_OPUS", false, Output::kOgg, "opus"},
    {"A_ALAC", false, Output::kCaf, "caf"},
    {"A_WAVPACK4", false, Output::kWavPack, "wv"},
    {"A_TTA1", false, Output::kTta, "tta"},
    // Of the Real audio codecs, only RealAudio 1.0 is written (see above).
    {"A_REAL/14_4", false, Output::kRealMedia, "ra"},
    {"A_REAL/", true, Output::kRealMedia, "ra"},

    {"S_TEXT/UTF8", false, Output::kSubRip, "srt"},
    {"S_TEXT/ASCII", false, Output::kSubRip, ""},
    {"S_TEXT/SSA", false, Output::kSsa, "ssa"},
    {"S_TEXT/ASS", false, Output::kSsa, "ass"},
    {"S_SSA", false, Output::kSsa, ""},
    {"S_ASS", false, Output::kSsa, ""},
    {"S_TEXT/WEBVTT", false, Output::kWebVtt, "vtt"},
    {"D_WEBVTT/SUBTITLES", false, Output::kWebVtt, "vtt"},
    {"D_WEBVTT/", true, Output::kWebVtt, ""},
    {"S_HDMV/PGS", false, Output::kSup, "sup"},
    {"S_VOBSUB", false, Output::kVobSub, "idx"},
};

constexpr bool Fits(const CodecRow& row, std::string_view codecId) {
    return row.prefix ? codecId.starts_with(row.codecId) : codecId == row.codecId;
}

// The row of a CodecID, or null when quarvel does not write it.
constexpr const CodecRow* FindCodec(std::string_view codecId) {
    for (const CodecRow& row : kCodecTable) {
        if (Fits(row, codecId)) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace quarvel
