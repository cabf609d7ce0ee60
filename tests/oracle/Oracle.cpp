#include "tests/oracle/Oracle.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <memory>

namespace torvane::oracle {
namespace {

std::string AvError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

int64_t ToNs(int64_t value, AVRational timeBase) {
    if (value == AV_NOPTS_VALUE) {
        return kNoTimestamp;
    }
    return av_rescale_q(value, timeBase, AVRational{1, 1000000000});
}

// FFmpeg's free functions take the pointer's address, to null it.
template <auto Free>
struct Freer {
    template <typename T>
    void operator()(T* p) const {
        Free(&p);
    }
};

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

using InputPtr = std::unique_ptr<AVFormatContext, Freer<avformat_close_input>>;
using PacketPtr = std::unique_ptr<AVPacket, Freer<av_packet_free>>;

// Opens `path` (as `format` when not null) and reads its stream parameters;
// null, with *error set, when FFmpeg cannot.
InputPtr OpenInput(const std::string& path, const AVInputFormat* format, std::string* error) {
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path.c_str(), format, nullptr);
    if (rc < 0) {
        SetError(error, "cannot open '" + path + "': " + AvError(rc));
        return nullptr;
    }
    InputPtr ctx(raw);
    rc = avformat_find_stream_info(ctx.get(), nullptr);
    if (rc < 0) {
        SetError(error, "cannot read the streams of '" + path + "': " + AvError(rc));
        return nullptr;
    }
    return ctx;
}

// Hands every packet of `ctx` to `use` (which returns an FFmpeg error code, 0
// when fine); false, with *error set, on a read or `use` failure.
template <typename Use>
bool ForEachPacket(AVFormatContext* ctx, const std::string& path, std::string* error, Use use) {
    PacketPtr pkt(av_packet_alloc());
    for (int rc; (rc = av_read_frame(ctx, pkt.get())) != AVERROR_EOF; av_packet_unref(pkt.get())) {
        if (rc >= 0) {
            rc = use(*pkt);
        }
        if (rc < 0) {
            SetError(error, "cannot read '" + path + "': " + AvError(rc));
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<Media> Read(const std::string& path, const ReadOptions& options, std::string* error) {
    // The oracle's own chatter would only clutter test logs; real failures come
    // back as return values.
    av_log_set_level(AV_LOG_ERROR);

    const AVInputFormat* format = nullptr;
    if (!options.format.empty()) {
        format = av_find_input_format(options.format.c_str());
        if (format == nullptr) {
            SetError(error, "FFmpeg has no input format '" + options.format + "'");
            return std::nullopt;
        }
    }

    InputPtr ctx = OpenInput(path, format, error);
    if (!ctx) {
        return std::nullopt;
    }

    Media media;
    media.formatName = ctx->iformat->name;
    media.durationNs = ToNs(ctx->duration, AVRational{1, AV_TIME_BASE});
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        const AVCodecParameters* par = st->codecpar;
        Stream s;
        s.index = static_cast<int>(i);
        const char* type = av_get_media_type_string(par->codec_type);
        s.mediaType = type != nullptr ? type : "unknown";
        s.codecName = avcodec_get_name(par->codec_id);
        s.codecTag = par->codec_tag;
        if (par->extradata != nullptr && par->extradata_size > 0) {
            s.extradata.assign(par->extradata, par->extradata + par->extradata_size);
        }
        s.sampleRate = par->sample_rate;
        s.channels = par->ch_layout.nb_channels;
        s.bitsPerRawSample = par->bits_per_raw_sample;
        s.width = par->width;
        s.height = par->height;
        s.timeBaseNum = st->time_base.num;
        s.timeBaseDen = st->time_base.den;
        s.durationNs = ToNs(st->duration, st->time_base);
        const AVDictionaryEntry* entry = nullptr;
        while ((entry = av_dict_get(st->metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
            s.metadata[entry->key] = entry->value;
        }
        media.streams.push_back(std::move(s));
    }

    const bool read = ForEachPacket(ctx.get(), path, error, [&](const AVPacket& pkt) {
        const auto idx = static_cast<unsigned>(pkt.stream_index);
        if (idx < media.streams.size()) {
            const AVRational tb = ctx->streams[idx]->time_base;
            Packet& p = media.streams[idx].packets.emplace_back();
            if (pkt.data != nullptr && pkt.size > 0) {
                p.data.assign(pkt.data, pkt.data + pkt.size);
            }
            p.ptsNs = ToNs(pkt.pts, tb);
            p.durationNs = ToNs(pkt.duration, tb);
            p.keyframe = (pkt.flags & AV_PKT_FLAG_KEY) != 0;
        }
        return 0;
    });
    return read ? std::optional<Media>(std::move(media)) : std::nullopt;
}

std::optional<DecodedAudio> DecodeAudio(const std::string& path, int streamIndex,
                                        std::string* error) {
    av_log_set_level(AV_LOG_ERROR);
    InputPtr ctx = OpenInput(path, nullptr, error);
    if (!ctx) {
        return std::nullopt;
    }
    if (streamIndex < 0) {
        streamIndex = av_find_best_stream(ctx.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    }
    if (streamIndex < 0 || static_cast<unsigned>(streamIndex) >= ctx->nb_streams) {
        SetError(error, "'" + path + "' has no such audio stream");
        return std::nullopt;
    }
    const AVCodecParameters* par = ctx->streams[streamIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (codec == nullptr) {
        SetError(error, std::string("no decoder for ") + avcodec_get_name(par->codec_id));
        return std::nullopt;
    }
    std::unique_ptr<AVCodecContext, Freer<avcodec_free_context>> dec(avcodec_alloc_context3(codec));
    if (!dec || avcodec_parameters_to_context(dec.get(), par) < 0) {
        SetError(error, "cannot set up the decoder");
        return std::nullopt;
    }
    dec->flags |= AV_CODEC_FLAG_BITEXACT;
    dec->err_recognition |= AV_EF_EXPLODE;
    int rc = avcodec_open2(dec.get(), codec, nullptr);
    if (rc < 0) {
        SetError(error, "cannot open the decoder: " + AvError(rc));
        return std::nullopt;
    }
    DecodedAudio out;
    std::unique_ptr<AVFrame, Freer<av_frame_free>> frame(av_frame_alloc());
    auto drain = [&]() -> int {
        for (;;) {
            const int r = avcodec_receive_frame(dec.get(), frame.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) {
                return 0;
            }
            if (r < 0) {
                return r;
            }
            const auto fmt = static_cast<AVSampleFormat>(frame->format);
            out.samples += frame->nb_samples;
            const int channels = frame->ch_layout.nb_channels;
            const size_t bps = static_cast<size_t>(av_get_bytes_per_sample(fmt));
            const size_t n = static_cast<size_t>(frame->nb_samples);
            if (av_sample_fmt_is_planar(fmt) != 0) {
                // Interleaved, so that the bytes do not depend on where the
                // decoder happened to cut its frames.
                for (size_t i = 0; i < n; ++i) {
                    for (int c = 0; c < channels; ++c) {
                        const uint8_t* at = frame->extended_data[c] + i * bps;
                        out.pcm.insert(out.pcm.end(), at, at + bps);
                    }
                }
            } else {
                out.pcm.insert(out.pcm.end(), frame->extended_data[0],
                               frame->extended_data[0] + n * bps * channels);
            }
            av_frame_unref(frame.get());
        }
    };
    const bool decoded = ForEachPacket(ctx.get(), path, error, [&](const AVPacket& pkt) {
        if (pkt.stream_index != streamIndex) {
            return 0;
        }
        const int sent = avcodec_send_packet(dec.get(), &pkt);
        return sent < 0 ? sent : drain();
    });
    if (!decoded) {
        return std::nullopt;
    }
    avcodec_send_packet(dec.get(), nullptr);
    if ((rc = drain()) < 0) {
        SetError(error, "cannot decode '" + path + "': " + AvError(rc));
        return std::nullopt;
    }
    return out;
}

std::vector<uint8_t> Concat(const Stream& stream) {
    std::vector<uint8_t> out;
    for (const Packet& p : stream.packets) {
        out.insert(out.end(), p.data.begin(), p.data.end());
    }
    return out;
}

int64_t EndNs(const Stream& stream) {
    int64_t end = kNoTimestamp;
    for (const Packet& p : stream.packets) {
        if (p.ptsNs == kNoTimestamp) {
            continue;
        }
        const int64_t e = p.ptsNs + p.durationNs;
        if (end == kNoTimestamp || e > end) {
            end = e;
        }
    }
    return end;
}

}  // namespace torvane::oracle
