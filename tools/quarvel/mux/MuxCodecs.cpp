#include "tools/quarvel/mux/MuxCodecs.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "matroska/HexText.h"
#include "tools/quarvel/ByteOrder.h"

namespace quarvel::mux {
namespace {

// libavformat's short name of the muxer of each container.
const char* MuxerName(Output container) {
    switch (container) {
        case Output::kAvi:
            return "avi";
        case Output::kOgg:
            return "ogg";
        case Output::kCaf:
            return "caf";
        case Output::kWavPack:
            return "wv";
        case Output::kTta:
            return "tta";
        case Output::kRealMedia:
            return "rm";
        default:
            return "";
    }
}

// Sample rates and counts arrive as doubles and 64-bit integers from the
// file; anything FFmpeg's int fields cannot hold is refused.
bool ValidRate(double rate) {
    return std::isfinite(rate) && rate >= 1.0 && rate <= 1e7;
}

bool PlanVfw(const quarvel_mux_track& t, Plan& p, std::string& error) {
    const uint8_t* cp = t.codec_private;
    if (cp == nullptr || t.codec_private_size < 40) {
        error = "the V_MS/VFW/FOURCC track has no BITMAPINFOHEADER in CodecPrivate (" +
                std::to_string(t.codec_private_size) + " octets, 40 needed)";
        return false;
    }
    p.mediaType = AVMEDIA_TYPE_VIDEO;
    const int32_t width = static_cast<int32_t>(ReadLE32(cp + 4));
    const int32_t height = static_cast<int32_t>(ReadLE32(cp + 8));
    p.width = width > 0 ? width : static_cast<int>(t.pixel_width);
    // A negative height marks a top-down bitmap; the size is its magnitude.
    p.height =
        height != 0 && height != INT32_MIN ? std::abs(height) : static_cast<int>(t.pixel_height);
    p.bitsPerCodedSample = ReadLE16(cp + 14);
    p.codecTag = ReadLE32(cp + 16);
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    p.codecId = av_codec_get_id(tables, p.codecTag);
    if (p.codecTag == 0) {
        p.codecId = AV_CODEC_ID_RAWVIDEO;  // BI_RGB: uncompressed bitmaps
    }
    // Codec data the decoder needs follows the 40-octet header.
    p.extradata.assign(cp + 40, cp + t.codec_private_size);
    if (t.default_duration_ns > 0 && t.default_duration_ns < INT32_MAX) {
        av_reduce(&p.timeBase.num, &p.timeBase.den, static_cast<int64_t>(t.default_duration_ns),
                  1000000000, INT32_MAX);
        p.frameRate = av_inv_q(p.timeBase);
    } else {
        p.rateFromFrames = true;
    }
    return true;
}

// The three headers of a Xiph codec, laced in CodecPrivate: the first at
// least `minFirst` octets long and opening with the 7 octets of `magic`.
bool ThreeXiphHeaders(const quarvel_mux_track& t, size_t minFirst, const char* magic,
                      const char* codec, std::vector<std::vector<uint8_t>>& headers,
                      std::string& error) {
    if (!SplitXiphHeaders(t.codec_private, t.codec_private_size, headers) || headers.size() != 3 ||
        headers[0].size() < minFirst || std::memcmp(headers[0].data(), magic, 7) != 0) {
        error = std::string("the ") + t.codec_id +
                " track's CodecPrivate does not hold the three " + codec + " headers";
        return false;
    }
    return true;
}

bool PlanVorbis(const quarvel_mux_track& t, Plan& p, std::string& error) {
    std::vector<std::vector<uint8_t>> headers;
    if (!ThreeXiphHeaders(t, 30, "\x01vorbis", "Vorbis", headers, error)) {
        return false;
    }
    p.codecId = AV_CODEC_ID_VORBIS;
    p.channels = headers[0][11];
    p.sampleRate = static_cast<int>(ReadLE32(headers[0].data() + 12));
    if (p.channels == 0 || p.sampleRate <= 0) {
        error = "the Vorbis identification header gives no channels or sample rate";
        return false;
    }
    p.timeBase = AVRational{1, p.sampleRate};
    p.extradata.assign(t.codec_private, t.codec_private + t.codec_private_size);
    return true;
}

bool PlanTheora(const quarvel_mux_track& t, Plan& p, std::string& error) {
    std::vector<std::vector<uint8_t>> headers;
    if (!ThreeXiphHeaders(t, 42, "\x80theora", "Theora", headers, error)) {
        return false;
    }
    const uint8_t* id = headers[0].data();
    p.mediaType = AVMEDIA_TYPE_VIDEO;
    p.codecId = AV_CODEC_ID_THEORA;
    p.width = static_cast<int>(ReadBE24(id + 14));
    p.height = static_cast<int>(ReadBE24(id + 17));
    // Theora granule positions count frames, so timestamps are counted in
    // frames of the rate the stream itself declares.
    const uint32_t frn = ReadBE32(id + 22);
    const uint32_t frd = ReadBE32(id + 26);
    if (frn > 0 && frd > 0 && frn <= INT32_MAX && frd <= INT32_MAX) {
        av_reduce(&p.timeBase.num, &p.timeBase.den, frd, frn, INT32_MAX);
    } else if (t.default_duration_ns > 0 && t.default_duration_ns < INT32_MAX) {
        av_reduce(&p.timeBase.num, &p.timeBase.den, static_cast<int64_t>(t.default_duration_ns),
                  1000000000, INT32_MAX);
    } else {
        p.timeBase = AVRational{1, 25};
    }
    p.frameRate = av_inv_q(p.timeBase);
    p.extradata.assign(t.codec_private, t.codec_private + t.codec_private_size);
    return true;
}

bool PlanOpus(const quarvel_mux_track& t, Plan& p, std::string& error) {
    const uint8_t* cp = t.codec_private;
    if (cp == nullptr || t.codec_private_size < 19 || std::memcmp(cp, "OpusHead", 8) != 0) {
        error = "the A_OPUS track's CodecPrivate is not an OpusHead packet";
        return false;
    }
    p.codecId = AV_CODEC_ID_OPUS;
    p.channels = cp[9];
    if (p.channels == 0) {
        error = "the OpusHead packet gives no channels";
        return false;
    }
    // Opus always runs at 48 kHz in Ogg, whatever input rate OpusHead records.
    p.sampleRate = 48000;
    p.timeBase = AVRational{1, 48000};
    p.extradata.assign(cp, cp + t.codec_private_size);
    return true;
}

bool PlanAlac(const quarvel_mux_track& t, Plan& p, std::string& error) {
    const uint8_t* cp = t.codec_private;
    const size_t n = t.codec_private_size;
    // FFmpeg wants the magic cookie inside its 12-octet 'alac' atom header;
    // some files store it that way already.
    const bool atom = n >= 36 && std::memcmp(cp + 4, "alac", 4) == 0;
    if (cp == nullptr || (!atom && n < 24)) {
        error = "the A_ALAC track's CodecPrivate is not an ALAC magic cookie";
        return false;
    }
    p.codecId = AV_CODEC_ID_ALAC;
    if (atom) {
        p.extradata.assign(cp, cp + n);
    } else {
        PutBE32(p.extradata, static_cast<uint32_t>(n + 12));
        p.extradata.insert(p.extradata.end(), {'a', 'l', 'a', 'c', 0, 0, 0, 0});
        p.extradata.insert(p.extradata.end(), cp, cp + n);
    }
    const uint8_t* cookie = p.extradata.data() + 12;
    p.frameSize = static_cast<int>(ReadBE32(cookie));
    p.bitsPerRawSample = cookie[5];
    p.channels = cookie[9];
    p.sampleRate = static_cast<int>(ReadBE32(cookie + 20));
    if (p.sampleRate <= 0 && ValidRate(t.sampling_frequency)) {
        p.sampleRate = static_cast<int>(std::lround(t.sampling_frequency));
    }
    if (p.channels == 0 || p.sampleRate <= 0) {
        error = "the ALAC magic cookie gives no channels or sample rate";
        return false;
    }
    p.timeBase = AVRational{1, p.sampleRate};
    return true;
}

// Ogg carries three of the codecs, each with headers of its own.
bool PlanOgg(const quarvel_mux_track& t, Plan& p, std::string& error) {
    const std::string_view id = t.codec_id;
    if (id == "A_VORBIS") {
        return PlanVorbis(t, p, error);
    }
    if (id == "V_THEORA") {
        return PlanTheora(t, p, error);
    }
    return PlanOpus(t, p, error);
}

bool PlanAudioFromTrack(const quarvel_mux_track& t, Plan& p, const char* what, std::string& error) {
    if (!ValidRate(t.sampling_frequency) || t.channels == 0 || t.channels > 255) {
        error = std::string("the ") + what + " track gives no usable sample rate or channels";
        return false;
    }
    p.sampleRate = static_cast<int>(std::lround(t.sampling_frequency));
    p.channels = static_cast<int>(t.channels);
    p.bitsPerRawSample = t.bit_depth > 0 && t.bit_depth <= 64 ? static_cast<int>(t.bit_depth) : 0;
    p.timeBase = AVRational{1, p.sampleRate};
    return true;
}

bool PlanWavPack(const quarvel_mux_track& t, Plan& p, std::string& error) {
    if (!PlanAudioFromTrack(t, p, "A_WAVPACK4", error)) {
        return false;
    }
    p.codecId = AV_CODEC_ID_WAVPACK;
    p.wavpackVersion = t.codec_private_size >= 2 ? ReadLE16(t.codec_private) : 0x403;
    // The stream versions WavPack 4 defines; FFmpeg's muxer refuses others.
    if (p.wavpackVersion < 0x402 || p.wavpackVersion > 0x410) {
        error = "the A_WAVPACK4 track has unknown WavPack version 0x" +
                mkv::HexNumber(p.wavpackVersion, 1, mkv::HexCase::kLower);
        return false;
    }
    return true;
}

bool PlanTta(const quarvel_mux_track& t, Plan& p, std::string& error) {
    p.codecId = AV_CODEC_ID_TTA;
    const uint8_t* cp = t.codec_private;
    if (cp != nullptr && t.codec_private_size >= 22 && std::memcmp(cp, "TTA1", 4) == 0) {
        p.ttaFormat = ReadLE16(cp + 4);
        p.channels = ReadLE16(cp + 6);
        p.bitsPerRawSample = ReadLE16(cp + 8);
        p.sampleRate = static_cast<int>(ReadLE32(cp + 10));
        p.ttaTotalSamples = ReadLE32(cp + 14);
        p.extradata.assign(cp, cp + t.codec_private_size);
        if (p.channels == 0 || p.sampleRate <= 0 || p.sampleRate > 0x7FFFFF) {
            error = "the TTA header in CodecPrivate gives no channels or sample rate";
            return false;
        }
        p.timeBase = AVRational{1, p.sampleRate};
    } else {
        if (!PlanAudioFromTrack(t, p, "A_TTA1", error)) {
            return false;
        }
        if (p.bitsPerRawSample == 0) {
            p.bitsPerRawSample = 16;
        }
    }
    if (p.ttaTotalSamples == 0 && t.duration_ns > 0 && t.duration_ns < (uint64_t(1) << 53)) {
        p.ttaDurationSamples = static_cast<int64_t>(
            std::llround(static_cast<double>(t.duration_ns) * p.sampleRate / 1e9));
    }
    // TTA frames are of one fixed length (all but the last), set by the rate.
    p.ttaFrameSize = static_cast<int64_t>(p.sampleRate) * 256 / 245;
    p.frameSize = static_cast<int>(p.ttaFrameSize);
    return true;
}

bool PlanReal(const quarvel_mux_track& t, Plan& p, std::string& error) {
    const std::string id = t.codec_id;
    if (id == "A_REAL/14_4") {
        // RealAudio 1.0 (14.4): fixed 8 kHz mono, 20-octet frames of 160
        // samples; the only Real codec FFmpeg's RealMedia muxer describes in
        // a header a player can use (it writes a fixed .ra4 header, with no
        // codec data, for every audio codec).
        p.codecId = AV_CODEC_ID_RA_144;
        p.codecTag = MKTAG('l', 'p', 'c', 'J');
        p.sampleRate = 8000;
        p.channels = 1;
        p.frameSize = 160;
        p.bitRate = 8000;
        p.blockAlign = 20;
        p.timeBase = AVRational{1, 8000};
        return true;
    }
    error = id +
            ": RealMedia output is not supported for this codec (FFmpeg's RealMedia muxer "
            "cannot carry its codec data; only A_REAL/14_4 is written)";
    return false;
}

}  // namespace

bool SplitXiphHeaders(const uint8_t* data, size_t size, std::vector<std::vector<uint8_t>>& out) {
    out.clear();
    if (data == nullptr || size < 1) {
        return false;
    }
    const size_t count = size_t(data[0]) + 1;
    size_t pos = 1;
    std::vector<size_t> sizes;
    for (size_t i = 0; i + 1 < count; ++i) {
        size_t len = 0;
        for (;;) {
            if (pos >= size) {
                return false;
            }
            const uint8_t b = data[pos++];
            len += b;
            if (b < 255) {
                break;
            }
        }
        sizes.push_back(len);
    }
    for (size_t len : sizes) {
        if (len > size - pos) {
            return false;
        }
        out.emplace_back(data + pos, data + pos + len);
        pos += len;
    }
    out.emplace_back(data + pos, data + size);  // the last takes the rest
    return true;
}

int64_t OpusPacketSamples(const uint8_t* data, size_t size) {
    if (data == nullptr || size < 1) {
        return -1;
    }
    const int config = data[0] >> 3;
    int perFrame;
    if (config < 12) {
        static const int kSilk[4] = {480, 960, 1920, 2880};  // 10, 20, 40, 60 ms
        perFrame = kSilk[config & 3];
    } else if (config < 16) {
        perFrame = (config & 1) != 0 ? 960 : 480;  // hybrid: 10 or 20 ms
    } else {
        static const int kCelt[4] = {120, 240, 480, 960};  // 2.5 to 20 ms
        perFrame = kCelt[config & 3];
    }
    int frames;
    switch (data[0] & 3) {
        case 0:
            frames = 1;
            break;
        case 1:
        case 2:
            frames = 2;
            break;
        default:
            if (size < 2) {
                return -1;
            }
            frames = data[1] & 0x3F;
            break;
    }
    const int64_t total = int64_t(frames) * perFrame;
    // A packet holds at least one frame and at most 120 ms.
    if (frames == 0 || total > 5760) {
        return -1;
    }
    return total;
}

int64_t AlacFrameSamples(const uint8_t* data, size_t size, int64_t frameLength) {
    // Element type (3 bits), instance tag (4), 12 unused bits, then the
    // has-size flag at bit 19 and, after 2 + 1 more bits, a 32-bit count.
    if (data == nullptr || size < 7) {
        return frameLength;
    }
    const int element = data[0] >> 5;
    if (element != 0 && element != 1 && element != 3) {  // SCE, CPE, LFE
        return frameLength;
    }
    auto bit = [&](size_t i) { return (data[i / 8] >> (7 - i % 8)) & 1; };
    if (bit(19) == 0) {
        return frameLength;
    }
    uint64_t count = 0;
    for (size_t i = 23; i < 55; ++i) {
        count = count << 1 | static_cast<uint64_t>(bit(i));
    }
    return count > 0 && static_cast<int64_t>(count) <= frameLength ? static_cast<int64_t>(count)
                                                                   : frameLength;
}

namespace {

// The bits of a TTA frame, read from the least significant end of each octet.
class TtaBits {
  public:
    TtaBits(const uint8_t* data, size_t size) : data_(data), total_(uint64_t(size) * 8) {}
    // The run of 1 bits before the next 0; false when the bits run out first.
    bool Unary(uint64_t& count) {
        count = 0;
        for (;;) {
            if (pos_ >= total_) {
                return false;
            }
            if (Next() == 0) {
                return true;
            }
            ++count;
        }
    }
    // `k` bits, least significant first; false when fewer are left.
    bool Bits(uint32_t k, uint64_t& value) {
        if (k > 31 || total_ - pos_ < k) {
            return false;
        }
        value = 0;
        for (uint32_t j = 0; j < k; ++j) {
            value |= uint64_t(Next()) << j;
        }
        return true;
    }
    uint64_t OctetsLeft() const { return (total_ - pos_) / 8; }

  private:
    int Next() {
        const int b = (data_[pos_ / 8] >> (pos_ % 8)) & 1;
        ++pos_;
        return b;
    }
    const uint8_t* data_;
    uint64_t total_;
    uint64_t pos_ = 0;
};

// The adaptive Rice coder of one channel, as every frame starts it.
class TtaRice {
  public:
    // Reads one residual; false when the frame's bits do not hold it.
    bool Decode(TtaBits& bits) {
        uint64_t unary = 0;
        if (!bits.Unary(unary)) {
            return false;
        }
        const bool deep = unary > 0;
        uint64_t value = 0;
        if (!bits.Bits(deep ? k1_ : k0_, value)) {
            return false;
        }
        value |= (deep ? unary - 1 : unary) << (deep ? k1_ : k0_);
        if (deep) {
            Adapt(sum1_, k1_, value);
            value += uint64_t(1) << (k0_ < 32 ? k0_ : 31);
        }
        Adapt(sum0_, k0_, value);
        return true;
    }

  private:
    static uint64_t Shift16(uint32_t k) {
        return k + 4 < 32 ? uint64_t(1) << (k + 4) : uint64_t(1) << 31;
    }
    static void Adapt(uint64_t& sum, uint32_t& k, uint64_t value) {
        sum += value - (sum >> 4);
        if (k > 0 && sum < Shift16(k)) {
            --k;
        } else if (sum > Shift16(k + 1)) {
            ++k;
        }
    }
    uint32_t k0_ = 10, k1_ = 10;
    uint64_t sum0_ = uint64_t(1) << 14, sum1_ = uint64_t(1) << 14;
};

}  // namespace

int64_t TtaLastFrameSamples(const uint8_t* data, size_t size, int channels, int64_t frameSize) {
    if (data == nullptr || size < 5 || channels <= 0 || channels > 64 || frameSize <= 0) {
        return -1;
    }
    TtaBits bits(data, size);
    std::vector<TtaRice> rice(static_cast<size_t>(channels));
    for (int64_t i = 1; i <= frameSize; ++i) {
        for (TtaRice& r : rice) {
            if (!r.Decode(bits)) {
                return -1;
            }
        }
        // The encoder ends a frame with byte padding and the CRC: the first
        // sample count after which no more than that is left is the length.
        if (bits.OctetsLeft() == 4) {
            return i;
        }
    }
    return -1;
}

bool RebuildWavPackBlocks(const uint8_t* data, size_t size, uint16_t version, int64_t blockIndex,
                          std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    if (size < 12) {
        error = "too short for a WavPack frame (" + std::to_string(size) + " octets)";
        return false;
    }
    const uint32_t samples = ReadLE32(data);
    size_t pos = 4;
    while (pos < size) {
        if (size - pos < 8) {
            error = "a WavPack block header runs past the end of the frame";
            return false;
        }
        const uint32_t flags = ReadLE32(data + pos);
        const uint32_t crc = ReadLE32(data + pos + 4);
        pos += 8;
        size_t blockSize = size - pos;
        // A lone block carries both the initial and the final flag, and no
        // size: it takes the rest of the frame.
        if ((flags & 0x1800) != 0x1800) {
            if (size - pos < 4) {
                error = "a WavPack block size runs past the end of the frame";
                return false;
            }
            blockSize = ReadLE32(data + pos);
            pos += 4;
            if (blockSize > size - pos) {
                error = "a WavPack block runs past the end of the frame";
                return false;
            }
        }
        if (blockSize > UINT32_MAX - 24) {
            error = "a WavPack block is too large";
            return false;
        }
        out.insert(out.end(), {'w', 'v', 'p', 'k'});
        PutLE32(out, static_cast<uint32_t>(blockSize + 24));
        out.push_back(static_cast<uint8_t>(version));
        out.push_back(static_cast<uint8_t>(version >> 8));
        out.push_back(0);  // upper bits of block index and total samples
        out.push_back(0);
        PutLE32(out, 0);  // total samples: filled in the first block at the end
        PutLE32(out, static_cast<uint32_t>(blockIndex));
        PutLE32(out, samples);
        PutLE32(out, flags);
        PutLE32(out, crc);
        out.insert(out.end(), data + pos, data + pos + blockSize);
        pos += blockSize;
    }
    if (out.empty()) {
        error = "a WavPack frame holds no block";
        return false;
    }
    return true;
}

bool MakePlan(const quarvel_mux_track& track, Plan& plan, std::string& error) {
    plan = Plan{};
    const std::string id = track.codec_id;
    plan.codecIdText = id;
    if (track.codec_private == nullptr && track.codec_private_size != 0) {
        error = "CodecPrivate size given without data";
        return false;
    }
    const CodecRow* row = FindCodec(id);
    if (row == nullptr || !ThroughMuxModule(row->output)) {
        error = "codec " + id + " is not written by the muxing module";
        return false;
    }
    plan.container = row->output;
    plan.format = MuxerName(row->output);
    switch (row->output) {
        case Output::kAvi:
            return PlanVfw(track, plan, error);
        case Output::kOgg:
            return PlanOgg(track, plan, error);
        case Output::kCaf:
            return PlanAlac(track, plan, error);
        case Output::kWavPack:
            return PlanWavPack(track, plan, error);
        case Output::kTta:
            return PlanTta(track, plan, error);
        case Output::kRealMedia:
            return PlanReal(track, plan, error);
        default:
            break;
    }
    error = "codec " + id + " is not written by the muxing module";
    return false;
}

}  // namespace quarvel::mux
