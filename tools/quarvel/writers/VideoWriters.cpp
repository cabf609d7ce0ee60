// Elementary streams, FLAC, Annex B (AVC, HEVC) and IVF (VP8, VP9, AV1).
#include <cstring>

#include "tools/quarvel/writers/FileWriter.h"
#include "tools/quarvel/writers/OwnWriters.h"

namespace quarvel {

namespace {

// Frames concatenated, empty frames dropped: AC-3, E-AC-3, DTS, TrueHD, MPEG audio.
class RawWriter : public FileWriter {
  public:
    bool Write(const Frame& f) override { return f.size == 0 || PutFrame(f); }
};

// MPEG-1/2 and MPEG-4 part 2 video. Some writers keep the sequence (or VOS/VOL)
// headers only in CodecPrivate; a stream without them cannot be decoded, so
// they go in front unless the first frame carries its own.
class MpegVideoWriter : public FileWriter {
  public:
    bool Write(const Frame& f) override {
        if (f.size == 0) {
            return true;
        }
        if (first_) {
            first_ = false;
            if (!track_.codecPrivate.empty() && !StartsWithHeader(f) && !Put(track_.codecPrivate)) {
                return false;
            }
        }
        return PutFrame(f);
    }

  private:
    bool StartsWithHeader(const Frame& f) const {
        if (f.size < 4 || f.data[0] != 0 || f.data[1] != 0 || f.data[2] != 1) {
            return false;
        }
        const uint8_t code = f.data[3];
        if (track_.codecId.rfind("V_MPEG4/", 0) == 0) {
            return code == 0xB0 || code <= 0x2F;  // visual object sequence, object or layer
        }
        return code == 0xB3;  // sequence header
    }
    bool first_ = true;
};

class FlacWriter : public FileWriter {
  protected:
    bool Start() override {
        const std::vector<uint8_t>& cp = track_.codecPrivate;
        if (cp.empty()) {
            return Fail("the FLAC track has no stream header (CodecPrivate is missing)");
        }
        if (cp.size() < 4 || std::memcmp(cp.data(), "fLaC", 4) != 0) {
            if (!Put("fLaC", 4)) {
                return false;
            }
        }
        return Put(cp);
    }

  public:
    bool Write(const Frame& f) override { return f.size == 0 || PutFrame(f); }
};

// Length-prefixed NAL units to start codes, parameter sets from the decoder
// configuration record written first and again before any random-access
// frame that lacks its own, so that the stream can be cut and still decode.
class AnnexBWriter : public FileWriter {
  protected:
    bool Start() override {
        hevc_ = track_.codecId == "V_MPEGH/ISO/HEVC";
        const std::vector<uint8_t>& cp = track_.codecPrivate;
        const char* kind = hevc_ ? "HEVC" : "AVC";
        if (cp.empty()) {
            return Fail(std::string("the ") + kind +
                        " track has no decoder configuration (CodecPrivate is missing)");
        }
        if (!(hevc_ ? ParseHvcc(cp) : ParseAvcc(cp))) {
            return Fail(std::string("the ") + kind + " decoder configuration is damaged");
        }
        return true;
    }

  public:
    bool Write(const Frame& f) override {
        // First pass: check the lengths and see what the frame carries. `end`
        // stops before a NAL unit whose length runs past the frame.
        bool randomAccess = false, hasParams = false;
        size_t pos = 0, end = 0;
        while (f.size - pos >= lengthSize_ && pos < f.size) {
            const size_t len = ReadBE(f.data + pos, lengthSize_);
            if (len > f.size - pos - lengthSize_) {
                Warn("a frame with a NAL unit running past its end was cut short");
                break;
            }
            pos += lengthSize_;
            if (len > 0) {
                const int type = NalType(f.data[pos]);
                randomAccess = randomAccess || IsRandomAccess(type);
                hasParams = hasParams || IsSequenceParams(type);
            }
            pos += len;
            end = pos;
        }
        if ((first_ || randomAccess) && !hasParams) {
            for (const auto& ps : params_) {
                if (!PutNal(ps.data(), ps.size(), false)) {
                    return false;
                }
            }
        }
        first_ = false;
        pos = 0;
        while (pos < end && end - pos >= lengthSize_) {
            const size_t len = ReadBE(f.data + pos, lengthSize_);
            pos += lengthSize_;
            if (len > 0 && !PutNal(f.data + pos, len, f.inSource)) {
                return false;
            }
            pos += len;
        }
        return true;
    }

  private:
    int NalType(uint8_t b) const { return hevc_ ? (b >> 1) & 0x3F : b & 0x1F; }
    bool IsRandomAccess(int type) const { return hevc_ ? (type >= 16 && type <= 23) : type == 5; }
    bool IsSequenceParams(int type) const { return hevc_ ? type == 33 : type == 7; }
    bool PutNal(const uint8_t* p, size_t n, bool inSource) {
        static const uint8_t kStart[4] = {0, 0, 0, 1};
        return Put(kStart, 4) && Put(p, n, inSource);
    }
    // Reads `count` NAL units, each with a 16-bit length, into params_.
    bool ReadNals(const std::vector<uint8_t>& cp, size_t& pos, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (cp.size() - pos < 2) {
                return false;
            }
            const size_t len = ReadBE(&cp[pos], 2);
            pos += 2;
            if (len > cp.size() - pos) {
                return false;
            }
            params_.emplace_back(cp.begin() + pos, cp.begin() + pos + len);
            pos += len;
        }
        return true;
    }
    bool SetLengthSize(uint8_t bits) {
        lengthSize_ = (bits & 3) + 1;
        return lengthSize_ != 3;
    }
    bool ParseAvcc(const std::vector<uint8_t>& cp) {
        if (cp.size() < 7 || cp[0] != 1 || !SetLengthSize(cp[4])) {
            return false;
        }
        size_t pos = 6;
        if (!ReadNals(cp, pos, cp[5] & 0x1F) || pos >= cp.size()) {
            return false;
        }
        const size_t pps = cp[pos++];
        return ReadNals(cp, pos, pps);
    }
    bool ParseHvcc(const std::vector<uint8_t>& cp) {
        if (cp.size() < 23 || !SetLengthSize(cp[21])) {
            return false;
        }
        size_t pos = 23;
        for (size_t a = 0; a < cp[22]; ++a) {
            if (cp.size() - pos < 3) {
                return false;
            }
            const size_t count = ReadBE(&cp[pos + 1], 2);
            pos += 3;
            if (!ReadNals(cp, pos, count)) {
                return false;
            }
        }
        return true;
    }

    bool hevc_ = false;
    bool first_ = true;
    size_t lengthSize_ = 4;
    std::vector<std::vector<uint8_t>> params_;
};

// IVF: a 32-octet header, then each frame with its size and a timestamp in ms.
class IvfWriter : public FileWriter {
  protected:
    bool Start() override { return Put(Header()); }
    bool End() override {
        const std::vector<uint8_t> h = Header();
        return out_.RewriteHead(h.data(), h.size()) || Fail(out_.Error());
    }

  public:
    bool Write(const Frame& f) override {
        // An AV1 temporal unit in a stream begins with a temporal delimiter OBU,
        // which Matroska leaves out.
        const bool av1 = track_.codecId == "V_AV1";
        const bool addTd = av1 && !(f.size > 0 && ((f.data[0] >> 3) & 0x0F) == 2);
        std::vector<uint8_t> h;
        PutLE32(h, static_cast<uint32_t>(f.size + (addTd ? 2 : 0)));
        const int64_t ms = f.timestampNs < 0 ? 0 : (f.timestampNs + 500000) / 1000000;
        PutLE64(h, static_cast<uint64_t>(ms));
        static const uint8_t kTd[2] = {0x12, 0x00};
        ++frames_;
        return Put(h) && (!addTd || Put(kTd, 2)) && PutFrame(f);
    }

  private:
    std::vector<uint8_t> Header() const {
        std::vector<uint8_t> h;
        PutText(h, "DKIF");
        PutLE16(h, 0);
        PutLE16(h, 32);
        const std::string& id = track_.codecId;
        PutText(h, id == "V_VP8" ? "VP80" : id == "V_VP9" ? "VP90" : "AV01");
        PutLE16(h, static_cast<uint32_t>(std::min<uint64_t>(track_.pixelWidth, 0xFFFF)));
        PutLE16(h, static_cast<uint32_t>(std::min<uint64_t>(track_.pixelHeight, 0xFFFF)));
        PutLE32(h, 1000);
        PutLE32(h, 1);
        PutLE32(h, frames_);
        PutLE32(h, 0);
        return h;
    }
    uint32_t frames_ = 0;
};

}  // namespace

std::unique_ptr<TrackWriter> MakeRawWriter() {
    return std::make_unique<RawWriter>();
}
std::unique_ptr<TrackWriter> MakeMpegVideoWriter() {
    return std::make_unique<MpegVideoWriter>();
}
std::unique_ptr<TrackWriter> MakeFlacWriter() {
    return std::make_unique<FlacWriter>();
}
std::unique_ptr<TrackWriter> MakeAnnexBWriter() {
    return std::make_unique<AnnexBWriter>();
}
std::unique_ptr<TrackWriter> MakeIvfWriter() {
    return std::make_unique<IvfWriter>();
}

}  // namespace quarvel
