// The track pass's file, measured: every read asks first for the bytes the
// system holds in memory, then reads the rest from storage, and tells
// ReadCosts how long each part took.
//
// Where reads in sequence from storage are slow (ReadCosts::ReadAheadPays)
// and the pass reads through, a thread of its own reads on ahead of it, so
// that the storage and the pass work at the same time: the pass then takes
// about as long as its reads alone. A jump stops it; what it read ahead is
// still handed out where the jump lands in it, and dropped where the pass
// reads elsewhere (at most kPieces pieces). Only one read of the file runs at
// a time, on either thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "matroska/RawFile.h"
#include "tools/quarvel/pass/ReadCosts.h"

namespace quarvel {

class MeasuredFile : public mkv::RawFile {
  public:
    explicit MeasuredFile(std::unique_ptr<mkv::RawFile> file) : file_(std::move(file)) {}
    ~MeasuredFile() override;
    MeasuredFile(const MeasuredFile&) = delete;
    MeasuredFile& operator=(const MeasuredFile&) = delete;

    uint64_t Size() const override { return file_->Size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override;
    void Expect(bool sequential) override;

    // Whether the bytes at `offset` have been read ahead already, or are
    // among the next pieces read ahead; and a stop to reading further ahead.
    bool HoldsAhead(uint64_t offset);
    void StopReadingAhead();

    ReadCosts& Costs() { return costs_; }
    const ReadCosts& Costs() const { return costs_; }

  private:
    // A piece read ahead: [offset, offset + got) of the file, of which the
    // first `used` bytes have been handed out.
    struct Piece {
        std::vector<uint8_t> bytes;
        uint64_t offset = 0;
        size_t got = 0;
        size_t used = 0;
        double seconds = 0;
    };
    static constexpr int kPieces = 3;

    size_t ReadNow(uint64_t offset, uint8_t* out, size_t n, uint64_t jumped);
    size_t TakeStream(uint64_t offset, uint8_t* out, size_t n);
    bool SkipTo(uint64_t offset, std::unique_lock<std::mutex>& lock);
    void StartStream(uint64_t from);
    void DropStream(std::unique_lock<std::mutex>& lock);
    void Run();

    std::unique_ptr<mkv::RawFile> file_;
    ReadCosts costs_;
    uint64_t next_ = UINT64_MAX;       // where the last read handed out ended
    uint64_t storageAt_ = UINT64_MAX;  // where the storage's last read ended, on either thread

    // The stream: the thread reads the pieces after consumeAt_ in file order,
    // up to kPieces ahead, so that storage never waits for the pass. A jump
    // forward into them takes its bytes from them, and stops the thread.
    Piece pieces_[kPieces];
    bool streamed_ = false;   // pieces may be held or in flight (the pass's thread only)
    uint64_t consumeAt_ = 0;  // the offset the pass reads next from the stream
    std::mutex mutex_;
    std::condition_variable work_, done_;
    // Under mutex_:
    bool readOn_ = false;    // the thread reads on
    uint64_t streamAt_ = 0;  // the offset the thread reads next
    int first_ = 0;          // the piece handed out next
    int filled_ = 0;         // pieces read and not used up, from first_ on
    bool ended_ = false;     // the thread met the end of the file
    bool reading_ = false;   // the thread is in a read
    bool stopping_ = false;  // the file is closed
    std::thread thread_;
};

}  // namespace quarvel
