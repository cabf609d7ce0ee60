// The codec table: for every CodecID quarvel writes, the name a person knows
// it by, the file quarvel writes (by one of its own writers, or through the
// FFmpeg muxing module) and the extension the window gives such a track from
// its built-in rules and the default Formats.txt. quarvel picks each track's
// writer here, and the muxing module its container; the windows name codecs
// from it. A test checks the window's defaults and the README's table of
// output formats against it. It sits in core/, which the tools may use and
// which uses nothing of theirs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace torvane {

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
    // The codec's common name, the same in every language.
    std::string_view name;
};

// The first row that fits a CodecID is its row: an exact row or a narrower
// prefix comes before the wider prefix it would otherwise fall under.
inline constexpr CodecRow kCodecTable[] = {
    {"V_MPEG4/ISO/AVC", false, Output::kAnnexB, "h264", "H.264"},
    {"V_MPEGH/ISO/HEVC", false, Output::kAnnexB, "h265", "H.265"},
    {"V_AV1", false, Output::kIvf, "ivf", "AV1"},
    {"V_VP8", false, Output::kIvf, "ivf", "VP8"},
    {"V_VP9", false, Output::kIvf, "ivf", "VP9"},
    {"V_MPEG1", false, Output::kMpegVideo, "m1v", "MPEG-1"},
    {"V_MPEG2", false, Output::kMpegVideo, "m2v", "MPEG-2"},
    {"V_MPEG4/ISO/SP", false, Output::kMpegVideo, "", "MPEG-4 SP"},
    {"V_MPEG4/ISO/ASP", false, Output::kMpegVideo, "m4v", "MPEG-4 ASP"},
    {"V_MPEG4/ISO/AP", false, Output::kMpegVideo, "", "MPEG-4 AP"},
    {"V_MS/VFW/FOURCC", false, Output::kAvi, "avi", "Video for Windows"},
    {"V_THEORA", false, Output::kOgg, "ogv", "Theora"},
    // FFmpeg's RealMedia muxer can carry the codec data of no Real video
    // codec: the muxing module refuses them with a message that says so.
    {"V_REAL/", true, Output::kRealMedia, "rmvb", "RealVideo"},

    // The older AAC IDs name the profile; the window knows those of MPEG-2
    // and MPEG-4.
    {"A_AAC", false, Output::kAdts, "aac", "AAC"},
    {"A_AAC/MPEG2", true, Output::kAdts, "aac", "AAC"},
    {"A_AAC/MPEG4", true, Output::kAdts, "aac", "AAC"},
    {"A_AAC/", true, Output::kAdts, "", "AAC"},
    {"A_AC3", true, Output::kRawFrames, "ac3", "AC-3"},
    {"A_EAC3", false, Output::kRawFrames, "eac3", "E-AC-3"},
    {"A_DTS", false, Output::kRawFrames, "dts", "DTS"},
    {"A_DTS", true, Output::kRawFrames, "", "DTS"},
    {"A_TRUEHD", false, Output::kRawFrames, "thd", "TrueHD"},
    {"A_MLP", false, Output::kRawFrames, "", "MLP"},
    {"A_MPEG/L1", false, Output::kRawFrames, "", "MP1"},
    {"A_MPEG/L2", false, Output::kRawFrames, "mp2", "MP2"},
    {"A_MPEG/L3", false, Output::kRawFrames, "mp3", "MP3"},
    {"A_FLAC", false, Output::kFlac, "flac", "FLAC"},
    {"A_PCM/INT/LIT", false, Output::kWave, "wav", "PCM"},
    {"A_PCM/INT/BIG", false, Output::kWave, "wav", "PCM"},
    {"A_PCM/FLOAT/IEEE", false, Output::kWave, "wav", "PCM"},
    {"A_MS/ACM", false, Output::kWave, "wav", "ACM"},
    {"A_VORBIS", false, Output::kOgg, "ogg", "Vorbis"},
    {"A_OPUS", false, Output::kOgg, "opus", "Opus"},
    {"A_ALAC", false, Output::kCaf, "caf", "ALAC"},
    {"A_WAVPACK4", false, Output::kWavPack, "wv", "WavPack"},
    {"A_TTA1", false, Output::kTta, "tta", "TTA"},
    // Of the Real audio codecs, only RealAudio 1.0 is written (see above).
    {"A_REAL/14_4", false, Output::kRealMedia, "ra", "RealAudio"},
    {"A_REAL/", true, Output::kRealMedia, "ra", "RealAudio"},

    {"S_TEXT/UTF8", false, Output::kSubRip, "srt", "SubRip"},
    {"S_TEXT/ASCII", false, Output::kSubRip, "", "SubRip"},
    {"S_TEXT/SSA", false, Output::kSsa, "ssa", "SSA"},
    {"S_TEXT/ASS", false, Output::kSsa, "ass", "ASS"},
    {"S_SSA", false, Output::kSsa, "", "SSA"},
    {"S_ASS", false, Output::kSsa, "", "ASS"},
    {"S_TEXT/WEBVTT", false, Output::kWebVtt, "vtt", "WebVTT"},
    {"D_WEBVTT/SUBTITLES", false, Output::kWebVtt, "vtt", "WebVTT"},
    {"D_WEBVTT/", true, Output::kWebVtt, "", "WebVTT"},
    {"S_HDMV/PGS", false, Output::kSup, "sup", "PGS"},
    {"S_VOBSUB", false, Output::kVobSub, "idx", "VobSub"},
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

// A codec as a person reads it: its name with the CodecID beside it,
// "H.264 (V_MPEG4/ISO/AVC)"; a CodecID the table lacks stands alone.
inline std::string CodecDisplayName(std::string_view codecId) {
    const CodecRow* row = FindCodec(codecId);
    if (row == nullptr) {
        return std::string(codecId);
    }
    return std::string(row->name) + " (" + std::string(codecId) + ")";
}

}  // namespace torvane
