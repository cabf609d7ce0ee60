// What the muxing module does with each codec: the container, the stream
// parameters FFmpeg's muxer needs (taken from CodecPrivate where it holds
// them), and the few payload conversions, kept apart from the libavformat
// calls so that each can be read and tested on its own.
#pragma once

#include "core/CodecTable.h"
#include "tools/quarvel/mux/MuxApi.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/avutil.h>
#include <libavutil/rational.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel::mux {

using torvane::CodecRow;
using torvane::FindCodec;
using torvane::Output;

struct Plan {
    // One of the codec table's outputs written through this module.
    Output container = Output::kOgg;
    const char* format = "";  // libavformat's short muxer name
    std::string codecIdText;  // the Matroska CodecID, for messages
    AVMediaType mediaType = AVMEDIA_TYPE_AUDIO;
    AVCodecID codecId = AV_CODEC_ID_NONE;
    uint32_t codecTag = 0;
    std::vector<uint8_t> extradata;
    // Video
    int width = 0, height = 0;
    AVRational frameRate{0, 1};
    bool rateFromFrames = false;  // AVI without DefaultDuration
    // Audio
    int sampleRate = 0;
    int channels = 0;
    int bitsPerCodedSample = 0;
    int bitsPerRawSample = 0;
    int frameSize = 0;   // samples per frame when fixed
    int blockAlign = 0;  // octets per frame when fixed
    int64_t bitRate = 0;
    // The time base the module counts its timestamps in.
    AVRational timeBase{1, 1000};
    uint16_t wavpackVersion = 0;
    uint16_t ttaFormat = 1;
    int64_t ttaFrameSize = 0;
    int64_t ttaTotalSamples = 0;     // from the TTA header, 0 when unknown
    int64_t ttaDurationSamples = 0;  // the file's duration in samples, 0 when unknown
};

// Decides how a track is written. Returns false with a message naming the
// codec when the module cannot write it or its CodecPrivate is unusable.
bool MakePlan(const quarvel_mux_track& track, Plan& plan, std::string& error);

// The packets of Xiph-laced CodecPrivate (Vorbis, Theora); false if damaged.
bool SplitXiphHeaders(const uint8_t* data, size_t size, std::vector<std::vector<uint8_t>>& out);

// Samples (at 48 kHz) in one Opus packet from its TOC octet (RFC 6716,
// section 3.1), or -1 when the packet is malformed.
int64_t OpusPacketSamples(const uint8_t* data, size_t size);

// A Matroska WavPack frame (block samples, then per block flags, CRC and,
// when the frame holds several blocks, a size) rebuilt as the .wv blocks it
// came from, each with its 32-octet header. blockIndex is the number of
// samples before this frame.
bool RebuildWavPackBlocks(const uint8_t* data, size_t size, uint16_t version, int64_t blockIndex,
                          std::vector<uint8_t>& out, std::string& error);

// Samples in one ALAC frame: frameLength unless the first element's header
// carries an explicit (shorter) count, as the last frame of a stream does.
int64_t AlacFrameSamples(const uint8_t* data, size_t size, int64_t frameLength);

// The number of samples in the last frame of a TTA stream, found by walking
// its entropy code to the point where only the 4-octet CRC (and byte padding)
// is left; -1 when no such point exists. Used when neither a TTA header nor
// the file's duration says how long the stream is.
int64_t TtaLastFrameSamples(const uint8_t* data, size_t size, int channels, int64_t frameSize);

}  // namespace quarvel::mux
