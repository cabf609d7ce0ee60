#include "tools/quarvel/pass/PassSource.h"

namespace quarvel {

namespace {

// A jump reads this much where it lands: the header and its neighbours (a run
// of small audio blocks) in one request, yet little enough that skipping a
// large payload reads almost nothing of it. Measured on a 1.2 GB file with one
// subtitle track wanted: 4 KiB needs twice the requests, 16 KiB and more read
// more for no gain.
constexpr size_t kWindow = 8 << 10;
constexpr size_t kAlign = 4096;

// Reading on in sequence doubles the piece from kWindow up to kPieceBytes, the
// size of every read after that: on Linux, reads and writes of 256 KiB through
// the page cache measured faster per byte than 1 MiB ones (the copies stay in
// the processor's cache), and 4 MiB ones three times slower.
constexpr mkv::WindowSizes kPassWindow{PassSource::kMaxViewBytes, kWindow, kAlign,
                                       PassSource::kPieceBytes};

// Gaps up to this are read through, longer ones skipped. Measured on a virtual
// disk with the page cache dropped, over a 1 GB file read whole in 0.52 s at
// best: reading 8 KiB every 64 KiB took 1.2-1.7 s, every 128 KiB 0.63-1.0 s,
// every 160 KiB 0.44-0.67 s, every 256 KiB 0.35-0.46 s, every 512 KiB 0.13-0.31
// s. A jump costs 65-150 µs, in which a sequential read gets through about as
// many bytes as this.
constexpr uint64_t kReadThrough = 160 << 10;

// Once this much has been read in one sequence, the kernel is told so and
// reads ahead (16 MiB here), and gaps up to kLongRunGap are read through too:
// their bytes are mostly on their way already, and a jump would stop the
// read-ahead and start the sequence again from small reads. A film's key
// frames, a few times larger than the frames between them, are not skipped.
constexpr uint64_t kLongRun = 2 << 20;
constexpr uint64_t kLongRunGap = 2 << 20;

}  // namespace

PassSource::PassSource(std::unique_ptr<mkv::RawFile> file)
    : BufferedFile(std::move(file), kPassWindow) {}

void PassSource::Check(const mkv::ClusterCrc& crc) {
    if (crc.from < Start() || crc.to < crc.from) {
        return;  // its first bytes are no longer held: not read in one sequence
    }
    checks_.Expect(crc);
    checks_.Feed(Start(), Data(), static_cast<size_t>(End() - Start()));
}

uint64_t PassSource::ReadThroughGap() const {
    return run_ >= kLongRun ? kLongRunGap : kReadThrough;
}

void PassSource::OnJump() {
    run_ = 0;
    // The kernel reads only what is asked from now on, so that a jump after a
    // sequence does not leave a read-ahead of megabytes behind it.
    Expect(false);
}

void PassSource::OnRead(uint64_t at, const uint8_t* data, size_t n, bool intoWindow) {
    checks_.Feed(at, data, n);
    if (!intoWindow) {
        checks_.WaitFor(checks_.Mark());  // the bytes are the caller's from now on
        return;
    }
    run_ += n;
    if (run_ >= kLongRun) {
        Expect(true);
    }
}

void PassSource::BeforeChange() {
    if (onChange_) {
        onChange_();
    }
    // The other buffer is written next: its bytes must all be summed.
    checks_.WaitFor(otherMark_);
    otherMark_ = checks_.Mark();
}

void PassSource::Expect(bool sequential) {
    if (sequential_ != static_cast<int>(sequential)) {
        sequential_ = sequential;
        File().Expect(sequential);
    }
}

std::unique_ptr<PassSource> OpenPassSource(const std::string& path, std::string* error) {
    auto file = mkv::OpenRawFile(path, mkv::Accept::kRegularFiles, error);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<PassSource>(std::move(file));
}

}  // namespace quarvel
