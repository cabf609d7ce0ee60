// libquarvel_mux: writes the track outputs that need a real container through
// FFmpeg's libavformat. Every entry point is extern "C" and reports failures
// as messages; nothing here keeps global state between two muxes.
#include "tools/quarvel/mux/MuxApi.h"

#include "tools/quarvel/ByteOrder.h"
#include "tools/quarvel/mux/FileAt.h"
#include "tools/quarvel/mux/MuxCodecs.h"
#include "tools/quarvel/mux/TtaFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/vorbis_parser.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#define QUARVEL_MUX_EXPORT extern "C" __declspec(dllexport)
#else
#define QUARVEL_MUX_EXPORT extern "C" __attribute__((visibility("default")))
#endif
// MinGW's printf checks follow the runtime's formats unless told otherwise.
#ifdef __MINGW_PRINTF_FORMAT
#define QUARVEL_MUX_PRINTF __MINGW_PRINTF_FORMAT
#else
#define QUARVEL_MUX_PRINTF printf
#endif

using quarvel::mux::Plan;
using quarvel::mux::ReadAt;
using quarvel::mux::SeekTo;
using quarvel::mux::SizeOf;
using quarvel::mux::WriteAt;
using quarvel::mux::WriteSome;
using torvane::Output;

struct quarvel_mux {
    Plan plan;
    int fd = -1;       // the caller's file: every byte goes through it
    std::string path;  // for messages
    AVFormatContext* oc = nullptr;
    AVStream* st = nullptr;
    AVPacket* pkt = nullptr;
    AVVorbisParseContext* vorbis = nullptr;
    // The time base our own timestamps are counted in before they are
    // rescaled to whatever the muxer settled on.
    AVRational tb{1, 1000};
    int64_t firstNs = INT64_MIN;  // timestamp of the first frame
    int64_t nextPts = 0;          // running sample count (audio counted from the packets)
    int64_t lastPts = INT64_MIN;  // last pts handed to the muxer, in tb
    int64_t frames = 0;
    // TTA is written by our own streaming writer, not by libavformat.
    std::unique_ptr<quarvel::mux::TtaFile> tta;
    std::vector<uint8_t> scratch;
    // AVI without DefaultDuration: the frame rate is learnt from the first two
    // frames, so the header waits for them.
    struct Pending {
        std::vector<uint8_t> data;
        int64_t ptsNs;
        bool keyframe;
    };
    bool headerWritten = false;
    std::vector<Pending> pending;
};

namespace {

void SetError(char* err, size_t size, const char* fmt, ...)
    __attribute__((format(QUARVEL_MUX_PRINTF, 3, 4)));
void SetError(char* err, size_t size, const char* fmt, ...) {
    if (err == nullptr || size == 0) {
        return;
    }
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(err, size, fmt, ap);
    va_end(ap);
}

std::string AvError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

// The muxer writes through the caller's descriptor (an AVIOContext of our
// own), never through a file it opens by name.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using AvioBytes = const uint8_t*;
#else
using AvioBytes = uint8_t*;
#endif
constexpr int kAvioBufferBytes = 64 << 10;

int WriteToFd(void* opaque, AvioBytes data, int size) {
    const int fd = *static_cast<const int*>(opaque);
    for (int done = 0; done < size;) {
        const int64_t n = WriteSome(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return AVERROR(n < 0 ? errno : EIO);
        }
        done += static_cast<int>(n);
    }
    return size;
}

int64_t SeekFd(void* opaque, int64_t offset, int whence) {
    const int fd = *static_cast<const int*>(opaque);
    if (whence == AVSEEK_SIZE) {
        const int64_t size = SizeOf(fd);
        return size < 0 ? AVERROR(errno) : size;
    }
    const int64_t at = SeekTo(fd, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

// Flushes and frees the AVIOContext over the caller's descriptor; returns
// the first write error it met, or 0.
int CloseAvio(AVIOContext** pb) {
    if (*pb == nullptr) {
        return 0;
    }
    avio_flush(*pb);
    const int error = (*pb)->error;
    av_freep(&(*pb)->buffer);
    avio_context_free(pb);
    return error;
}

void FreeMux(quarvel_mux* m) {
    if (m == nullptr) {
        return;
    }
    if (m->oc != nullptr) {
        CloseAvio(&m->oc->pb);
        avformat_free_context(m->oc);
    }
    av_packet_free(&m->pkt);
    av_vorbis_parse_free(&m->vorbis);
    delete m;
}

// Hands one packet to the muxer; pts in m->tb.
int Emit(quarvel_mux* m, const uint8_t* data, size_t size, int64_t pts, int64_t duration,
         bool keyframe, char* err, size_t errSize) {
    if (size > static_cast<size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE)) {
        SetError(err, errSize, "frame %lld of '%s' is too large (%zu bytes)",
                 static_cast<long long>(m->frames), m->path.c_str(), size);
        return -1;
    }
    AVPacket* pkt = m->pkt;
    av_packet_unref(pkt);
    int rc = av_new_packet(pkt, static_cast<int>(size));
    if (rc < 0) {
        SetError(err, errSize, "out of memory writing '%s'", m->path.c_str());
        return -1;
    }
    if (size > 0) {
        std::memcpy(pkt->data, data, size);
    }
    // Timestamps must not go back, and most muxers want them to rise
    // strictly; one that breaks this (rounding, or damage in the source) is
    // nudged one tick on rather than refused.
    const bool strict = (m->oc->oformat->flags & AVFMT_TS_NONSTRICT) == 0;
    if (m->lastPts != INT64_MIN && (pts < m->lastPts || (strict && pts == m->lastPts))) {
        pts = m->lastPts + 1;
    }
    m->lastPts = pts;
    pkt->pts = av_rescale_q(pts, m->tb, m->st->time_base);
    pkt->dts = pkt->pts;
    pkt->duration = duration > 0 ? av_rescale_q(duration, m->tb, m->st->time_base) : 0;
    pkt->stream_index = 0;
    pkt->flags = keyframe ? AV_PKT_FLAG_KEY : 0;
    // av_write_frame, not the interleaving variant: there is one stream, and
    // the packet goes out at once instead of piling up in memory.
    rc = av_write_frame(m->oc, pkt);
    av_packet_unref(pkt);
    if (rc < 0) {
        SetError(err, errSize, "cannot write frame %lld to '%s': %s",
                 static_cast<long long>(m->frames), m->path.c_str(), AvError(rc).c_str());
        return -1;
    }
    return 0;
}

// pts of a frame counted from the first frame, in m->tb.
int64_t RelativePts(quarvel_mux* m, int64_t ptsNs) {
    if (m->firstNs == INT64_MIN) {
        m->firstNs = ptsNs;
    }
    return av_rescale_q_rnd(ptsNs - m->firstNs, AVRational{1, 1000000000}, m->tb,
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

// FFmpeg's CAF muxer counts every packet as a full frame, so a shorter last
// frame would make the file claim up to one frame too much. The packet table
// ('pakt', written where the trailer began) gets the true count: valid
// frames, and the rest of the last packet as remainder frames. Returns false
// only when the file could not be rewritten.
bool PatchCafLength(const quarvel_mux* m, int64_t paktAt) {
    const int64_t full = m->frames * m->plan.frameSize;
    const int64_t valid = m->nextPts;
    if (paktAt <= 0 || valid <= 0 || valid >= full || full - valid > UINT32_MAX) {
        return true;
    }
    char tag[4] = {};
    if (ReadAt(m->fd, tag, 4, paktAt) == 4 && std::memcmp(tag, "pakt", 4) == 0) {
        uint8_t fields[16];
        for (int i = 0; i < 8; ++i) {
            fields[i] = static_cast<uint8_t>(static_cast<uint64_t>(valid) >> (56 - 8 * i));
        }
        const uint32_t remainder = static_cast<uint32_t>(full - valid);
        for (int i = 0; i < 4; ++i) {
            fields[8 + i] = 0;  // priming frames
            fields[12 + i] = static_cast<uint8_t>(remainder >> (24 - 8 * i));
        }
        return WriteAt(m->fd, fields, sizeof fields, paktAt + 20) ==
               static_cast<int64_t>(sizeof fields);
    }
    return true;
}

int WriteHeader(quarvel_mux* m, char* err, size_t errSize) {
    const int rc = avformat_write_header(m->oc, nullptr);
    if (rc < 0) {
        SetError(err, errSize, "FFmpeg's '%s' muxer refused the %s track: %s", m->plan.format,
                 m->plan.codecIdText.c_str(), AvError(rc).c_str());
        return -1;
    }
    m->headerWritten = true;
    return 0;
}

// Sets the AVI frame rate from the gap between the first two frames (25 per
// second when there is only one frame or no usable gap), then writes the
// header and the frames held so far.
int StartWithLearntRate(quarvel_mux* m, char* err, size_t errSize) {
    AVRational tb{1, 25};
    if (m->pending.size() >= 2) {
        const int64_t gap = m->pending[1].ptsNs - m->pending[0].ptsNs;
        if (gap > 0) {
            av_reduce(&tb.num, &tb.den, gap, 1000000000, INT32_MAX);
        }
    }
    m->tb = tb;
    m->st->time_base = tb;
    m->st->avg_frame_rate = av_inv_q(tb);
    m->st->r_frame_rate = m->st->avg_frame_rate;
    if (WriteHeader(m, err, errSize) != 0) {
        return -1;
    }
    std::vector<quarvel_mux::Pending> pending;
    pending.swap(m->pending);
    for (const auto& f : pending) {
        if (Emit(m, f.data.data(), f.data.size(), RelativePts(m, f.ptsNs), 1, f.keyframe, err,
                 errSize) != 0) {
            return -1;
        }
    }
    return 0;
}

}  // namespace

QUARVEL_MUX_EXPORT int quarvel_mux_version(void) {
    return QUARVEL_MUX_API_VERSION;
}

namespace {

// TTA goes through our own streaming writer: FFmpeg's TTA muxer holds the
// whole stream in memory until the end.
bool OpenTta(quarvel_mux* m, char* err, size_t errSize) {
    const Plan& p = m->plan;
    quarvel::mux::TtaFormat format;
    format.format = p.ttaFormat;
    format.channels = static_cast<uint16_t>(p.channels);
    format.bits = static_cast<uint16_t>(p.bitsPerRawSample);
    format.sampleRate = static_cast<uint32_t>(p.sampleRate);
    format.totalSamples = p.ttaTotalSamples;
    format.durationSamples = p.ttaDurationSamples;
    m->tta = std::make_unique<quarvel::mux::TtaFile>();
    std::string why;
    if (!m->tta->Open(m->fd, m->path, format, why)) {
        SetError(err, errSize, "%s", why.c_str());
        return false;
    }
    return true;
}

// The muxer of the plan's format with its one stream, and a packet to hand it.
bool NewMuxer(quarvel_mux* m, char* err, size_t errSize) {
    const Plan& p = m->plan;
    const int rc = avformat_alloc_output_context2(&m->oc, nullptr, p.format, m->path.c_str());
    if (rc < 0 || m->oc == nullptr) {
        SetError(err, errSize, "FFmpeg has no '%s' muxer: %s", p.format, AvError(rc).c_str());
        return false;
    }
    // Same input, same bytes: no library version strings or dates in the output.
    m->oc->flags |= AVFMT_FLAG_BITEXACT;
    m->st = avformat_new_stream(m->oc, nullptr);
    m->pkt = av_packet_alloc();
    if (m->st == nullptr || m->pkt == nullptr) {
        SetError(err, errSize, "out of memory opening '%s'", m->path.c_str());
        return false;
    }
    return true;
}

// The stream's codec parameters and time base, as the plan gives them.
bool DescribeStream(quarvel_mux* m, char* err, size_t errSize) {
    const Plan& p = m->plan;
    AVCodecParameters* par = m->st->codecpar;
    par->codec_type = p.mediaType;
    par->codec_id = p.codecId;
    par->codec_tag = p.codecTag;
    if (!p.extradata.empty()) {
        par->extradata =
            static_cast<uint8_t*>(av_mallocz(p.extradata.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (par->extradata == nullptr) {
            SetError(err, errSize, "out of memory opening '%s'", m->path.c_str());
            return false;
        }
        std::memcpy(par->extradata, p.extradata.data(), p.extradata.size());
        par->extradata_size = static_cast<int>(p.extradata.size());
    }
    if (p.mediaType == AVMEDIA_TYPE_VIDEO) {
        par->width = p.width;
        par->height = p.height;
        par->bits_per_coded_sample = p.bitsPerCodedSample;
    } else {
        par->sample_rate = p.sampleRate;
        av_channel_layout_default(&par->ch_layout, p.channels);
        par->bits_per_coded_sample = p.bitsPerCodedSample;
        par->bits_per_raw_sample = p.bitsPerRawSample;
        par->frame_size = p.frameSize;
        par->block_align = p.blockAlign;
        par->bit_rate = p.bitRate;
    }
    m->tb = p.timeBase;
    m->st->time_base = p.timeBase;
    m->st->avg_frame_rate = p.frameRate;
    m->st->r_frame_rate = p.frameRate;
    return true;
}

// Vorbis packets do not say how many samples they hold; the parser of the
// stream's own headers works it out.
bool OpenVorbisParser(quarvel_mux* m, char* err, size_t errSize) {
    const Plan& p = m->plan;
    m->vorbis = av_vorbis_parse_init(p.extradata.data(), static_cast<int>(p.extradata.size()));
    if (m->vorbis == nullptr) {
        SetError(err, errSize, "the Vorbis headers in CodecPrivate are damaged");
        return false;
    }
    return true;
}

// The muxer's output: the caller's descriptor, through our own AVIOContext.
bool AttachOutput(quarvel_mux* m, char* err, size_t errSize) {
    auto* buffer = static_cast<uint8_t*>(av_malloc(kAvioBufferBytes));
    m->oc->pb = buffer == nullptr ? nullptr
                                  : avio_alloc_context(buffer, kAvioBufferBytes, 1, &m->fd, nullptr,
                                                       WriteToFd, SeekFd);
    if (m->oc->pb == nullptr) {
        av_free(buffer);
        SetError(err, errSize, "out of memory opening '%s'", m->path.c_str());
        return false;
    }
    m->oc->flags |= AVFMT_FLAG_CUSTOM_IO;
    return true;
}

quarvel_mux* Open(int fd, const char* path, const quarvel_mux_track* track, char* err,
                  size_t errSize) {
    if (fd < 0 || path == nullptr || track == nullptr || track->codec_id == nullptr) {
        SetError(err, errSize, "no output file or track given");
        return nullptr;
    }
    std::string planError;
    Plan plan;
    if (!quarvel::mux::MakePlan(*track, plan, planError)) {
        SetError(err, errSize, "%s", planError.c_str());
        return nullptr;
    }
    // `owner` alone frees the handle on every early return.
    std::unique_ptr<quarvel_mux, void (*)(quarvel_mux*)> owner(new quarvel_mux, FreeMux);
    quarvel_mux* m = owner.get();
    m->plan = std::move(plan);
    m->fd = fd;
    m->path = path;
    if (m->plan.container == Output::kTta) {
        return OpenTta(m, err, errSize) ? owner.release() : nullptr;
    }
    if (!NewMuxer(m, err, errSize) || !DescribeStream(m, err, errSize) ||
        (m->plan.codecId == AV_CODEC_ID_VORBIS && !OpenVorbisParser(m, err, errSize)) ||
        !AttachOutput(m, err, errSize)) {
        return nullptr;
    }
    // AVI without a frame duration writes its header once two frames tell the rate.
    if (!m->plan.rateFromFrames && WriteHeader(m, err, errSize) != 0) {
        return nullptr;
    }
    return owner.release();
}

// Theora: an empty packet is a repeated frame; a header packet among the
// frames is a stray copy of what CodecPrivate already gave.
int WriteTheora(quarvel_mux* m, const uint8_t* data, size_t size, int64_t ptsNs, char* err,
                size_t errSize) {
    if (size == 0) {
        return Emit(m, data, 0, RelativePts(m, ptsNs), 1, false, err, errSize);
    }
    if ((data[0] & 0x80) != 0) {
        return 0;
    }
    const bool intra = (data[0] & 0x40) == 0;
    return Emit(m, data, size, RelativePts(m, ptsNs), 1, intra, err, errSize);
}

// Samples in one Vorbis or Opus packet; -1 (error set) when it is not one,
// 0 for a header packet repeated among the frames (*skip set).
int64_t OggAudioSamples(quarvel_mux* m, const uint8_t* data, size_t size, int64_t index, bool& skip,
                        char* err, size_t errSize) {
    skip = false;
    if (m->plan.codecId != AV_CODEC_ID_VORBIS) {
        const int64_t samples = quarvel::mux::OpusPacketSamples(data, size);
        if (samples < 0) {
            SetError(err, errSize, "frame %lld is not an Opus packet",
                     static_cast<long long>(index));
        }
        return samples;
    }
    int flags = 0;
    const int64_t samples =
        av_vorbis_parse_frame_flags(m->vorbis, data, static_cast<int>(size), &flags);
    if (samples < 0) {
        SetError(err, errSize, "frame %lld is not a Vorbis audio packet",
                 static_cast<long long>(index));
        return -1;
    }
    if (size > 0 && (data[0] & 1) != 0) {
        skip = true;  // a header packet repeated in the blocks
        return 0;
    }
    // The first audio packet only primes the decoder's overlap and gives no
    // samples (Vorbis I, section 4.3.8), so it adds nothing to the granule
    // position.
    return m->nextPts == 0 && m->lastPts == INT64_MIN ? 0 : samples;
}

int WriteOgg(quarvel_mux* m, const uint8_t* data, size_t size, int64_t ptsNs, int64_t index,
             char* err, size_t errSize) {
    if (m->plan.codecId == AV_CODEC_ID_THEORA) {
        return WriteTheora(m, data, size, ptsNs, err, errSize);
    }
    bool skip = false;
    const int64_t samples = OggAudioSamples(m, data, size, index, skip, err, errSize);
    if (samples < 0) {
        return -1;
    }
    if (skip) {
        return 0;
    }
    // Granule positions are running sample counts taken from the packets
    // themselves, so the file plays for exactly as long as its audio lasts,
    // whatever rounding the source's timestamps carry.
    const int64_t pts = m->nextPts;
    m->nextPts += samples;
    return Emit(m, data, size, pts, samples, true, err, errSize);
}

int WriteAvi(quarvel_mux* m, const uint8_t* data, size_t size, int64_t ptsNs, bool keyframe,
             char* err, size_t errSize) {
    if (!m->headerWritten) {
        m->pending.push_back({std::vector<uint8_t>(data, data + size), ptsNs, keyframe});
        return m->pending.size() < 2 ? 0 : StartWithLearntRate(m, err, errSize);
    }
    // AVI has no timestamps, only a frame rate: each frame lands in the slot
    // its timestamp names, and a gap becomes empty frames.
    return Emit(m, data, size, RelativePts(m, ptsNs), 1, keyframe, err, errSize);
}

int WriteWavPack(quarvel_mux* m, const uint8_t* data, size_t size, int64_t index, char* err,
                 size_t errSize) {
    std::string why;
    if (!quarvel::mux::RebuildWavPackBlocks(data, size, m->plan.wavpackVersion, m->nextPts,
                                            m->scratch, why)) {
        SetError(err, errSize, "frame %lld of the WavPack track: %s", static_cast<long long>(index),
                 why.c_str());
        return -1;
    }
    const int64_t samples = quarvel::ReadLE32(data);
    const int64_t pts = m->nextPts;
    m->nextPts += samples;
    return Emit(m, m->scratch.data(), m->scratch.size(), pts, samples, true, err, errSize);
}

int WriteTta(quarvel_mux* m, const uint8_t* data, size_t size, int64_t durationNs, char* err,
             size_t errSize) {
    const int64_t samples =
        durationNs > 0 ? av_rescale(durationNs, m->plan.sampleRate, 1000000000) : 0;
    std::string why;
    if (!m->tta->Write(data, size, samples, why)) {
        SetError(err, errSize, "%s", why.c_str());
        return -1;
    }
    return 0;
}

int WriteCaf(quarvel_mux* m, const uint8_t* data, size_t size, int64_t ptsNs, char* err,
             size_t errSize) {
    // ALAC frames say how many samples they hold; the counts add up to the
    // length the CAF packet table must give.
    const int64_t samples = quarvel::mux::AlacFrameSamples(data, size, m->plan.frameSize);
    m->nextPts += samples;
    return Emit(m, data, size, RelativePts(m, ptsNs), samples, true, err, errSize);
}

int WriteRealMedia(quarvel_mux* m, const uint8_t* data, size_t size, int64_t ptsNs,
                   int64_t durationNs, char* err, size_t errSize) {
    int64_t duration = m->plan.frameSize;
    if (durationNs > 0) {
        duration = av_rescale_q(durationNs, AVRational{1, 1000000000}, m->tb);
    }
    return Emit(m, data, size, RelativePts(m, ptsNs), duration, true, err, errSize);
}

int Write(quarvel_mux* m, const uint8_t* data, size_t size, int64_t ptsNs, int64_t durationNs,
          int keyframe, char* err, size_t errSize) {
    if (m == nullptr || (data == nullptr && size > 0)) {
        SetError(err, errSize, "no mux or no data");
        return -1;
    }
    if (size > static_cast<size_t>(INT32_MAX / 2)) {
        SetError(err, errSize, "frame %lld of '%s' is too large (%zu octets)",
                 static_cast<long long>(m->frames), m->path.c_str(), size);
        return -1;
    }
    const int64_t index = m->frames++;
    switch (m->plan.container) {
        case Output::kOgg:
            return WriteOgg(m, data, size, ptsNs, index, err, errSize);
        case Output::kAvi:
            return WriteAvi(m, data, size, ptsNs, keyframe != 0, err, errSize);
        case Output::kWavPack:
            return WriteWavPack(m, data, size, index, err, errSize);
        case Output::kTta:
            return WriteTta(m, data, size, durationNs, err, errSize);
        case Output::kCaf:
            return WriteCaf(m, data, size, ptsNs, err, errSize);
        case Output::kRealMedia:
            return WriteRealMedia(m, data, size, ptsNs, durationNs, err, errSize);
        default:
            break;  // a container of quarvel's own writers: never planned here
    }
    SetError(err, errSize, "internal error: no container");
    return -1;
}

int Close(quarvel_mux* m, char* err, size_t errSize) {
    if (m == nullptr) {
        SetError(err, errSize, "no mux");
        return -1;
    }
    SetError(err, errSize, "%s", "");
    if (m->tta) {
        std::string why, warning;
        const bool ok = m->tta->Close(why, warning);
        SetError(err, errSize, "%s", ok ? warning.c_str() : why.c_str());
        FreeMux(m);
        return ok ? 0 : -1;
    }
    int result = 0;
    int64_t trailerAt = -1;
    if (!m->headerWritten && StartWithLearntRate(m, err, errSize) != 0) {
        result = -1;
    }
    if (result == 0 && m->headerWritten) {
        trailerAt = avio_tell(m->oc->pb);
        const int rc = av_write_trailer(m->oc);
        if (rc < 0) {
            SetError(err, errSize, "cannot finish '%s': %s", m->path.c_str(), AvError(rc).c_str());
            result = -1;
        }
    }
    const int werr = CloseAvio(&m->oc->pb);
    if (result == 0 && werr < 0) {
        SetError(err, errSize, "cannot write '%s': %s", m->path.c_str(), AvError(werr).c_str());
        result = -1;
    }
    if (result == 0 && m->plan.container == Output::kCaf && !PatchCafLength(m, trailerAt)) {
        SetError(err, errSize, "cannot write the length into '%s'", m->path.c_str());
        result = -1;
    }
    FreeMux(m);
    return result;
}

}  // namespace

// The entry points: no C++ exception may cross into the caller.

QUARVEL_MUX_EXPORT quarvel_mux* quarvel_mux_open(int fd, const char* path,
                                                 const quarvel_mux_track* track, char* err,
                                                 size_t errSize) {
    try {
        return Open(fd, path, track, err, errSize);
    } catch (const std::exception& e) {
        SetError(err, errSize, "cannot open '%s': %s", path != nullptr ? path : "", e.what());
        return nullptr;
    }
}

QUARVEL_MUX_EXPORT int quarvel_mux_write(quarvel_mux* m, const uint8_t* data, size_t size,
                                         int64_t ptsNs, int64_t durationNs, int keyframe, char* err,
                                         size_t errSize) {
    try {
        return Write(m, data, size, ptsNs, durationNs, keyframe, err, errSize);
    } catch (const std::exception& e) {
        SetError(err, errSize, "cannot write a frame: %s", e.what());
        return -1;
    }
}

QUARVEL_MUX_EXPORT int quarvel_mux_close(quarvel_mux* m, char* err, size_t errSize) {
    try {
        return Close(m, err, errSize);
    } catch (const std::exception& e) {
        FreeMux(m);
        SetError(err, errSize, "cannot finish the file: %s", e.what());
        return -1;
    }
}

QUARVEL_MUX_EXPORT void quarvel_mux_abort(quarvel_mux* m) {
    FreeMux(m);
}
