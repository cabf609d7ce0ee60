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
// In memory, every byte read is a copy and every read a system call: a jump
// reads 4 KiB from the header on, enough for it and a run of small blocks
// after it. Measured on a 1 GB file in memory with one subtitle track wanted
// (20,000 jumps): 8 KiB from the page before took twice the time of 4 KiB
// from the header, which read 103 MB; 3 KiB read 77 MB in about the same time.
constexpr size_t kMemoryWindow = 4 << 10;

// Reading on in sequence doubles the piece from kWindow up to the size
// ReadCosts chooses, never more than a buffer.
constexpr mkv::WindowSizes kPassWindow{PassSource::kMaxViewBytes, kWindow, kAlign,
                                       ReadCosts::kMaxPieceBytes};
static_assert(ReadCosts::kMaxPieceBytes <= PassSource::kMaxViewBytes);

// Once this much has been read in one sequence, the kernel is told so and
// reads ahead (16 MiB here, twice its default).
constexpr uint64_t kLongRun = 2 << 20;

}  // namespace

PassSource::PassSource(std::unique_ptr<mkv::RawFile> file)
    : PassSource(new MeasuredFile(std::move(file))) {}

// The kernel reads only what is asked until a sequence is long: where it
// reads ahead of the first pieces read through, every jump that lands in
// what it read ahead starts it reading further, even once told that the
// reads jump, and a pass jumping over gaps shorter than that (the frames of
// a film, read through while their jumps are measured) has it read the whole
// file.
PassSource::PassSource(MeasuredFile* file)
    : BufferedFile(std::unique_ptr<mkv::RawFile>(file), kPassWindow), measured_(*file) {
    Expect(false);
}

void PassSource::Check(const mkv::ClusterCrc& crc) {
    if (crc.from < Start() || crc.to < crc.from) {
        return;  // its first bytes are no longer held: not read in one sequence
    }
    checks_.Expect(crc);
    checks_.Feed(Start(), Data(), static_cast<size_t>(End() - Start()));
}

bool PassSource::ReadsThrough(uint64_t gap) {
    ReadCosts& costs = measured_.Costs();
    const bool readingAhead = measured_.HoldsAhead(End() + gap);
    if (costs.ReadsThrough(gap, readingAhead)) {
        return true;
    }
    // Bytes read ahead already cost nothing more to read through. Where
    // jumps that long are not measured yet, the reading ahead stops instead
    // of a jump into it, so that the next such gap lands past it, and
    // measures them.
    if (!readingAhead || costs.Measured(gap)) {
        return false;
    }
    measured_.StopReadingAhead();
    return true;
}

size_t PassSource::PieceBytes() const {
    return measured_.Costs().PieceBytes();
}

mkv::BufferedFile::Landing PassSource::JumpWindow() const {
    return measured_.Costs().InMemory() ? Landing{1, kMemoryWindow} : Landing{kAlign, kWindow};
}

void PassSource::OnJump() {
    checks_.GiveUp();
    run_ = 0;
    // The kernel reads only what is asked from now on, so that a jump after a
    // sequence does not leave a read-ahead of megabytes behind it.
    Expect(false);
}

void PassSource::OnRead(uint64_t at, const uint8_t* data, size_t n, bool intoWindow) {
    checks_.Feed(at, data, n);
    if (!intoWindow) {
        checks_.HandOver();
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
    checks_.HandOver();
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
