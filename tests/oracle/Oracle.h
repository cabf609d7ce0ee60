// The test oracle: FFmpeg's own demuxers (libavformat) read a media file and
// report what it really holds, so that a test can compare a file written by our
// tools with the track it came from without trusting our own reader.
//
// Everything is read eagerly into plain structs; nothing of FFmpeg leaks out of
// this header.
//
// What FFmpeg's Matroska demuxer hands back, per packet, is one frame with the
// content encodings (zlib, header stripping) and the lacing already undone.
// A few codecs are converted on the way, so compare like with like:
//   - A_WAVPACK4: each frame comes back with its 32-octet "wvpk" block headers
//     rebuilt (total samples and block index zero), as a .wv file stores them.
//   - S_TEXT/WEBVTT: the BlockAdditions become side data (not exposed here).
//   - A_ALAC: extradata is a 12-octet atom header (BE32 size, "alac", 0) plus
//     CodecPrivate.
//   - V_MS/VFW/FOURCC: extradata is what follows the 40-octet BITMAPINFOHEADER;
//     the FOURCC is in Stream::codecTag.
//   - V_MPEG4/ISO/AVC, V_MPEGH/ISO/HEVC: packets stay length-prefixed; the
//     extradata is the avcC / hvcC record.
// Raw elementary-stream demuxers (h264, ac3, mp3, ...) run FFmpeg's parsers,
// which may cut the stream into frames at other places than the source did:
// compare the concatenated payloads (Concat) there, not packet by packet.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace torvane::oracle {

// AV_NOPTS_VALUE: the demuxer knows no value.
inline constexpr int64_t kNoTimestamp = INT64_MIN;

struct Packet {
    std::vector<uint8_t> data;
    // In nanoseconds; kNoTimestamp when the demuxer knows no time.
    int64_t ptsNs = kNoTimestamp;
    int64_t durationNs = 0;
    bool keyframe = false;
};

struct Stream {
    int index = 0;
    std::string mediaType;  // "video", "audio", "subtitle", "data", "attachment", "unknown"
    std::string codecName;  // FFmpeg's short codec name: "h264", "vorbis", "ass", ...
    uint32_t codecTag = 0;  // FOURCC as stored (little-endian), 0 when none
    std::vector<uint8_t> extradata;
    int sampleRate = 0;
    int channels = 0;
    int bitsPerRawSample = 0;
    int width = 0, height = 0;
    int timeBaseNum = 1, timeBaseDen = 1;
    // The stream's declared duration, in ns; kNoTimestamp when the container
    // does not say.
    int64_t durationNs = kNoTimestamp;
    std::map<std::string, std::string> metadata;  // "language", "title", ...
    std::vector<Packet> packets;                  // in file order
};

struct Media {
    std::string formatName;             // e.g. "matroska,webm", "ogg", "avi"
    int64_t durationNs = kNoTimestamp;  // the container's total duration
    std::vector<Stream> streams;
};

struct ReadOptions {
    // Force an input format by FFmpeg's short name ("h264", "vobsub", ...);
    // empty lets FFmpeg probe.
    std::string format;
};

// Opens `path` and reads it whole. Returns nullopt and sets *error (when given)
// to a message naming the file when it cannot be opened or read.
std::optional<Media> Read(const std::string& path, const ReadOptions& options = {},
                          std::string* error = nullptr);

// An audio stream decoded whole by FFmpeg's decoder.
struct DecodedAudio {
    int64_t samples = 0;       // per channel
    std::vector<uint8_t> pcm;  // interleaved samples
};

// Decodes the first audio stream of `path` (or stream `streamIndex` when it
// is not negative). Decoding errors fail the call: a file that demuxes but
// does not decode is not a good file. Two files holding the same audio in
// the same codec decode to the same pcm.
std::optional<DecodedAudio> DecodeAudio(const std::string& path, int streamIndex = -1,
                                        std::string* error = nullptr);

// The payloads of all packets of a stream, back to back.
std::vector<uint8_t> Concat(const Stream& stream);

// End of the last packet (pts + duration) in ns, or kNoTimestamp when the
// stream has no timed packet. For Ogg this is where the granule positions say
// the stream ends, i.e. its playing length (plus its start).
int64_t EndNs(const Stream& stream);

}  // namespace torvane::oracle
