// A streaming TTA file writer. A .tta file puts a table of every frame's size
// before the frames, so FFmpeg's muxer keeps the whole stream in memory until
// it ends; this writer keeps only the sizes (four octets a frame), reserving
// the table's room up front when the frame count is known and moving the
// frames once, in bounded steps, when it was not.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quarvel::mux {

struct TtaFormat {
    uint16_t format = 1;  // 1 PCM integer (from the source header when present)
    uint16_t channels = 0;
    uint16_t bits = 0;
    uint32_t sampleRate = 0;
    int64_t totalSamples = 0;     // the stream's own header's count, 0 when unknown
    int64_t durationSamples = 0;  // the file's duration in samples, 0 when unknown
};

class TtaFile {
  public:
    TtaFile() = default;
    TtaFile(const TtaFile&) = delete;
    TtaFile& operator=(const TtaFile&) = delete;
    ~TtaFile() { Abort(); }

    // Writes into `fd` (a new empty file, open for reading and writing, which
    // stays open for its owner); `path` names it in messages.
    bool Open(int fd, const std::string& path, const TtaFormat& format, std::string& error);
    // durationSamples is the frame's length in samples when known (> 0),
    // used only if it turns out to be the last frame.
    bool Write(const uint8_t* data, size_t size, int64_t durationSamples, std::string& error);
    // On success, `warning` says when the last frame's length had to be
    // guessed (no total and no duration for it), else it is left empty.
    bool Close(std::string& error, std::string& warning);
    void Abort();

    // Samples in every frame but the last, fixed by the sample rate.
    int64_t FrameSize() const { return frameSize_; }

  private:
    // The stream's length in samples: full frames, and the last as long as
    // the best evidence says (`warning` set when there is none).
    int64_t TotalSamples(std::string& warning) const;
    // Gives the table at the front room for every frame written, moving the
    // frames when the room reserved at Open was not what they need.
    bool FitTable(std::string& error);
    bool MoveFrames(int64_t from, int64_t to, int64_t length, std::string& error);
    // Writes the header and the table, then closes the file.
    bool WriteHead(int64_t totalSamples, std::string& error);

    FILE* file_ = nullptr;
    std::string path_;
    TtaFormat format_;
    int64_t frameSize_ = 0;
    int64_t reserved_ = 0;  // frames the table at the front has room for
    int64_t lastDuration_ = 0;
    std::vector<uint32_t> sizes_;
    std::vector<uint8_t> last_;  // the latest frame, whose length may need working out
};

}  // namespace quarvel::mux
