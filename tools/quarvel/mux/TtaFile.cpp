#include "tools/quarvel/mux/TtaFile.h"

#include "tools/quarvel/ByteOrder.h"
#include "tools/quarvel/mux/FileAt.h"
#include "tools/quarvel/mux/MuxCodecs.h"

extern "C" {
#include <libavutil/crc.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quarvel::mux {
namespace {

constexpr int64_t kHeaderSize = 22;
constexpr size_t kMoveChunk = 1 << 20;

// TTA's CRC: CRC-32 as in zlib, over the octets just written.
void PutCrc(std::vector<uint8_t>& out, size_t from) {
    const uint32_t crc = av_crc(av_crc_get_table(AV_CRC_32_IEEE_LE), UINT32_MAX, out.data() + from,
                                out.size() - from) ^
                         UINT32_MAX;
    PutLE32(out, crc);
}

std::string Errno() {
    return std::strerror(errno);
}

}  // namespace

bool TtaFile::Open(int fd, const std::string& path, const TtaFormat& format, std::string& error) {
    if (format.channels == 0 || format.sampleRate == 0 || format.sampleRate > 0x7FFFFF) {
        error = "the TTA track gives no usable channels or sample rate";
        return false;
    }
    format_ = format;
    frameSize_ = static_cast<int64_t>(format.sampleRate) * 256 / 245;
    const int64_t expected = format.totalSamples > 0 ? format.totalSamples : format.durationSamples;
    if (expected > 0) {
        reserved_ = (expected + frameSize_ - 1) / frameSize_;
    }
    path_ = path;
    // A descriptor of our own, so that closing the stream leaves the owner's
    // open; read back when the frames move.
    const int own = Duplicate(fd);
    file_ = own < 0 ? nullptr : fdopen(own, "w+b");
    if (file_ == nullptr) {
        error = "cannot write '" + path + "': " + Errno();
        if (own >= 0) {
            CloseDescriptor(own);
        }
        return false;
    }
    // Header and table are written for real at the end; room is kept now.
    const std::vector<uint8_t> room(static_cast<size_t>(kHeaderSize + reserved_ * 4 + 4), 0);
    if (std::fwrite(room.data(), 1, room.size(), file_) != room.size()) {
        error = "cannot write '" + path + "': " + Errno();
        return false;
    }
    return true;
}

bool TtaFile::Write(const uint8_t* data, size_t size, int64_t durationSamples, std::string& error) {
    if (file_ == nullptr) {
        error = "the TTA file is not open";
        return false;
    }
    if (size > UINT32_MAX) {
        error = "a TTA frame is too large";
        return false;
    }
    if (size > 0 && std::fwrite(data, 1, size, file_) != size) {
        error = "cannot write '" + path_ + "': " + Errno();
        return false;
    }
    sizes_.push_back(static_cast<uint32_t>(size));
    lastDuration_ = durationSamples;
    last_.assign(data, data + size);
    return true;
}

bool TtaFile::MoveFrames(int64_t from, int64_t to, int64_t length, std::string& error) {
    // Moves [from, from + length) to `to`, in chunks, from the end when moving
    // up so that nothing is overwritten before it is read.
    std::vector<uint8_t> buf(kMoveChunk);
    const int fd = fileno(file_);
    int64_t done = 0;
    while (done < length) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(kMoveChunk), length - done);
        const int64_t offset = to > from ? length - done - n : done;
        if (ReadAt(fd, buf.data(), static_cast<size_t>(n), from + offset) != n ||
            WriteAt(fd, buf.data(), static_cast<size_t>(n), to + offset) != n) {
            error = "cannot move the frames in '" + path_ + "': " + Errno();
            return false;
        }
        done += n;
    }
    return true;
}

bool TtaFile::Close(std::string& error, std::string& warning) {
    if (file_ == nullptr) {
        error = "the TTA file is not open";
        return false;
    }
    if (std::fflush(file_) != 0) {
        error = "cannot write '" + path_ + "': " + Errno();
        return false;
    }
    const int64_t total = TotalSamples(warning);
    if (total > UINT32_MAX) {
        error = "the TTA track is too long for a .tta file";
        return false;
    }
    return FitTable(error) && WriteHead(total, error);
}

int64_t TtaFile::TotalSamples(std::string& warning) const {
    const auto frames = static_cast<int64_t>(sizes_.size());
    if (frames == 0) {
        return 0;
    }
    // Every frame but the last is full. The last holds, in order of trust:
    // what the stream's header total leaves; what its block's duration says
    // when clearly short of a frame; what walking its code finds; what the
    // file's duration leaves (the file may run longer than this track); else,
    // said in a warning, a full frame.
    const int64_t before = (frames - 1) * frameSize_;
    auto fits = [&](int64_t t) { return t > before && t - before <= frameSize_; };
    if (fits(format_.totalSamples)) {
        return format_.totalSamples;
    }
    // One within rounding of a full frame says nothing: some writers give
    // every frame, the last too, the full frame's duration.
    if (lastDuration_ > 0 &&
        lastDuration_ < frameSize_ - std::max<int64_t>(1, format_.sampleRate / 500)) {
        return before + lastDuration_;
    }
    const int64_t walked =
        TtaLastFrameSamples(last_.data(), last_.size(), format_.channels, frameSize_);
    if (walked > 0) {
        return before + walked;
    }
    if (fits(format_.durationSamples)) {
        return format_.durationSamples;
    }
    warning =
        "the length of the last TTA frame is not known (no TTA header, and neither its "
        "code nor the file's duration says); it is taken as a full frame and may not "
        "decode";
    return frames * frameSize_;
}

bool TtaFile::FitTable(std::string& error) {
    const auto frames = static_cast<int64_t>(sizes_.size());
    if (frames == reserved_) {
        return true;
    }
    int64_t dataLength = 0;
    for (uint32_t s : sizes_) {
        dataLength += s;
    }
    const int64_t from = kHeaderSize + reserved_ * 4 + 4;
    const int64_t to = kHeaderSize + frames * 4 + 4;
    if (!MoveFrames(from, to, dataLength, error)) {
        return false;
    }
    if (to < from && !Truncate(fileno(file_), to + dataLength)) {
        error = "cannot write '" + path_ + "': " + Errno();
        return false;
    }
    return true;
}

bool TtaFile::WriteHead(int64_t totalSamples, std::string& error) {
    std::vector<uint8_t> head;
    head.insert(head.end(), {'T', 'T', 'A', '1'});
    PutLE16(head, format_.format);
    PutLE16(head, format_.channels);
    PutLE16(head, format_.bits);
    PutLE32(head, format_.sampleRate);
    PutLE32(head, static_cast<uint32_t>(totalSamples));
    PutCrc(head, 0);
    const size_t tableAt = head.size();
    for (uint32_t s : sizes_) {
        PutLE32(head, s);
    }
    PutCrc(head, tableAt);
    const bool ok =
        WriteAt(fileno(file_), head.data(), head.size(), 0) == static_cast<int64_t>(head.size());
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!ok || !closed) {
        error = "cannot write '" + path_ + "': " + Errno();
        return false;
    }
    return true;
}

void TtaFile::Abort() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace quarvel::mux
