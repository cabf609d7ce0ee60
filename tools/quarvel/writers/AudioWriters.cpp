// ADTS for AAC and RIFF WAVE for PCM and ACM audio.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tools/quarvel/writers/FileWriter.h"
#include "tools/quarvel/writers/OwnWriters.h"

namespace quarvel {

namespace {

const int kAacRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                           22050, 16000, 12000, 11025, 8000,  7350};

int NearestRateIndex(double rate) {
    int best = 0;
    for (int i = 1; i < 13; ++i) {
        if (std::fabs(kAacRates[i] - rate) < std::fabs(kAacRates[best] - rate)) {
            best = i;
        }
    }
    return best;
}

class BitReader {
  public:
    BitReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    // Returns false once the bits run out (the value is then 0).
    bool Read(int n, uint32_t& v) {
        v = 0;
        for (int i = 0; i < n; ++i) {
            if (pos_ >= bytes_.size() * 8) {
                return false;
            }
            v = (v << 1) | ((bytes_[pos_ / 8] >> (7 - pos_ % 8)) & 1);
            ++pos_;
        }
        return true;
    }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t pos_ = 0;
};

}  // namespace

// The part of an AudioSpecificConfig that ADTS can say: the core object type,
// the core sampling index and the channel configuration.
struct AacCore {
    int objectType = 2;
    int rateIndex = 4;
    int channelConfig = 2;
};

bool ParseAudioSpecificConfig(const std::vector<uint8_t>& asc, AacCore& core) {
    BitReader br(asc);
    auto objectType = [&br](uint32_t& aot) {
        if (!br.Read(5, aot)) {
            return false;
        }
        uint32_t ext = 0;
        if (aot == 31) {
            if (!br.Read(6, ext)) {
                return false;
            }
            aot = 32 + ext;
        }
        return true;
    };
    auto rateIndex = [&br](uint32_t& index) {
        if (!br.Read(4, index)) {
            return false;
        }
        uint32_t rate = 0;
        if (index == 15) {
            if (!br.Read(24, rate)) {
                return false;
            }
            index = static_cast<uint32_t>(NearestRateIndex(rate));
        }
        return index < 13;
    };
    uint32_t aot = 0, index = 0, channels = 0, extIndex = 0;
    if (!objectType(aot) || !rateIndex(index) || !br.Read(4, channels)) {
        return false;
    }
    if (aot == 5 || aot == 29) {  // SBR / PS: the core type follows
        if (!rateIndex(extIndex) || !objectType(aot)) {
            return false;
        }
    }
    core.objectType = static_cast<int>(aot);
    core.rateIndex = static_cast<int>(index);
    core.channelConfig = static_cast<int>(channels);
    return true;
}

namespace {

class AdtsWriter : public FileWriter {
  protected:
    bool Start() override {
        const std::string& id = track_.codecId;
        if (!track_.codecPrivate.empty()) {
            if (!ParseAudioSpecificConfig(track_.codecPrivate, core_)) {
                return Fail("the AAC configuration (CodecPrivate) is damaged");
            }
        } else {
            // Older files name the profile in the CodecID and give no
            // configuration: build it from the ID and the Audio elements.
            core_.objectType = 2;
            if (id.find("/MAIN") != std::string::npos) {
                core_.objectType = 1;
            } else if (id.find("/SSR") != std::string::npos) {
                core_.objectType = 3;
            } else if (id.find("/LTP") != std::string::npos) {
                core_.objectType = 4;
            }
            core_.rateIndex = NearestRateIndex(track_.samplingFrequency);
            core_.channelConfig = track_.channels == 8 ? 7 : static_cast<int>(track_.channels);
            if (!track_.hasAudio) {
                Warn(
                    "the ADTS headers say 8000 Hz, 1 channel, the format's defaults: the track "
                    "has no Audio element");
            }
        }
        if (core_.objectType < 1 || core_.objectType > 4) {
            return Fail("AAC object type " + std::to_string(core_.objectType) +
                        " cannot be written as ADTS");
        }
        if (core_.channelConfig < 0 || core_.channelConfig > 7) {
            return Fail("AAC with " + std::to_string(track_.channels) +
                        " channels cannot be written as ADTS");
        }
        return true;
    }

  public:
    bool Write(const Frame& f) override {
        if (f.size == 0) {
            return true;
        }
        const size_t len = f.size + 7;
        if (len > 8191) {
            Warn("an AAC frame too large for ADTS was dropped");
            return true;
        }
        const uint8_t h[7] = {
            0xFF,
            0xF1,
            static_cast<uint8_t>(((core_.objectType - 1) << 6) | (core_.rateIndex << 2) |
                                 ((core_.channelConfig >> 2) & 1)),
            static_cast<uint8_t>(((core_.channelConfig & 3) << 6) | (len >> 11)),
            static_cast<uint8_t>((len >> 3) & 0xFF),
            static_cast<uint8_t>(((len & 7) << 5) | 0x1F),
            0xFC,
        };
        return Put(h, 7) && PutFrame(f);
    }

  private:
    AacCore core_;
};

// RIFF WAVE. Sizes are patched at the end; past 4 GiB they are left at their
// maximum, which readers take as "to the end of the file".
class WavWriter : public FileWriter {
  protected:
    bool Start() override {
        const bool ok = track_.codecId == "A_MS/ACM" ? TakeAcmFormat() : BuildPcmFormat();
        return ok && Put(Header(0));
    }
    bool End() override {
        if (!carry_.empty()) {
            Warn("the last PCM frame ended inside a sample; its tail was dropped");
        }
        if (data_ & 1) {
            const uint8_t pad = 0;
            if (!Put(&pad, 1)) {
                return false;
            }
        }
        const std::vector<uint8_t> h = Header(data_);
        return out_.RewriteHead(h.data(), h.size()) || Fail(out_.Error());
    }

  public:
    bool Write(const Frame& f) override {
        if (!swap_) {
            data_ += f.size;
            return PutFrame(f);
        }
        // Big-endian samples, byte-swapped; a sample split across frames is
        // carried over to the next one.
        const uint8_t* p = f.data;
        size_t n = f.size;
        std::vector<uint8_t>& buf = scratch_;
        buf.clear();
        buf.insert(buf.end(), carry_.begin(), carry_.end());
        buf.insert(buf.end(), p, p + n);
        carry_.clear();
        const size_t whole = buf.size() / sampleBytes_ * sampleBytes_;
        carry_.assign(buf.begin() + whole, buf.end());
        buf.resize(whole);
        for (size_t i = 0; i < whole; i += sampleBytes_) {
            std::reverse(buf.begin() + i, buf.begin() + i + sampleBytes_);
        }
        data_ += whole;
        return Put(buf);
    }

  private:
    // ACM audio: the WAVEFORMATEX in CodecPrivate is the fmt chunk.
    bool TakeAcmFormat() {
        fmt_ = track_.codecPrivate;
        if (fmt_.size() < 16) {
            return Fail("the ACM track has no valid WAVEFORMATEX (CodecPrivate)");
        }
        if (fmt_.size() > 0xFFFF) {
            return Fail("the ACM track's WAVEFORMATEX is too large");
        }
        return true;
    }
    // PCM: the fmt chunk built from the Audio elements.
    bool BuildPcmFormat() {
        const bool isFloat = track_.codecId == "A_PCM/FLOAT/IEEE";
        uint64_t bits = track_.bitDepth ? track_.bitDepth : (isFloat ? 32 : 16);
        if (bits > 64 || track_.channels == 0 || track_.channels > 64) {
            return Fail("PCM with " + std::to_string(bits) + " bits and " +
                        std::to_string(track_.channels) + " channels cannot be written");
        }
        const uint32_t channels = static_cast<uint32_t>(track_.channels);
        sampleBytes_ = static_cast<size_t>((bits + 7) / 8);
        swap_ = track_.codecId == "A_PCM/INT/BIG" && sampleBytes_ > 1;
        const uint32_t align = channels * static_cast<uint32_t>(sampleBytes_);
        // A rate the header cannot hold (NaN, infinite, zero, negative, or
        // past what its byte rate field counts) would give a file that plays
        // at a wrong speed or not at all.
        const double hz = track_.samplingFrequency;
        if (!(hz >= 1.0 && hz * align <= UINT32_MAX)) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", hz);
            return Fail(std::string("PCM at a SamplingFrequency of ") + text +
                        " Hz cannot be written");
        }
        const auto rate = static_cast<uint32_t>(std::llround(hz));
        if (!track_.hasAudio || !track_.bitDepth) {
            Warn("the WAV header says " + std::to_string(rate) + " Hz, " +
                 std::to_string(channels) + (channels == 1 ? " channel, " : " channels, ") +
                 std::to_string(bits) + " bits, the format's defaults: the track gives no " +
                 (track_.hasAudio ? "BitDepth" : "Audio element"));
        }
        PutPcmFormat(channels, rate, align, static_cast<uint32_t>(bits), isFloat);
        return true;
    }
    void PutPcmFormat(uint32_t channels, uint32_t rate, uint32_t align, uint32_t bits,
                      bool isFloat) {
        // Beyond two channels or 16 bits the extensible form is the one that
        // says the layout and the valid bits.
        const bool extensible = channels > 2 || bits > 16;
        PutLE16(fmt_, extensible ? 0xFFFE : (isFloat ? 3 : 1));
        PutLE16(fmt_, channels);
        PutLE32(fmt_, rate);
        PutLE32(fmt_, rate * align);
        PutLE16(fmt_, align);
        PutLE16(fmt_, static_cast<uint32_t>(sampleBytes_ * 8));
        if (extensible) {
            static const uint32_t kMasks[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x13F, 0x63F};
            PutLE16(fmt_, 22);
            PutLE16(fmt_, bits);
            PutLE32(fmt_, channels <= 8 ? kMasks[channels] : 0);
            static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
            PutLE16(fmt_, isFloat ? 3 : 1);
            fmt_.insert(fmt_.end(), kGuidTail, kGuidTail + 14);
        }
    }
    std::vector<uint8_t> Header(uint64_t dataBytes) const {
        const size_t fmtPadded = fmt_.size() + (fmt_.size() & 1);
        const uint64_t riff = 4 + 8 + fmtPadded + 8 + dataBytes + (dataBytes & 1);
        std::vector<uint8_t> h;
        PutText(h, "RIFF");
        PutLE32(h, static_cast<uint32_t>(std::min<uint64_t>(riff, 0xFFFFFFFF)));
        PutText(h, "WAVE");
        PutText(h, "fmt ");
        PutLE32(h, static_cast<uint32_t>(fmt_.size()));
        h.insert(h.end(), fmt_.begin(), fmt_.end());
        if (fmt_.size() & 1) {
            h.push_back(0);
        }
        PutText(h, "data");
        PutLE32(h, static_cast<uint32_t>(std::min<uint64_t>(dataBytes, 0xFFFFFFFF)));
        return h;
    }

    std::vector<uint8_t> fmt_;
    size_t sampleBytes_ = 2;
    bool swap_ = false;
    uint64_t data_ = 0;
    std::vector<uint8_t> carry_, scratch_;
};

}  // namespace

std::unique_ptr<TrackWriter> MakeAdtsWriter() {
    return std::make_unique<AdtsWriter>();
}
std::unique_ptr<TrackWriter> MakeWavWriter() {
    return std::make_unique<WavWriter>();
}

}  // namespace quarvel
