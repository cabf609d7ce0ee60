#include "tools/quarvel/pass/PassSource.h"

#include <algorithm>
#include <cstring>

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
constexpr size_t kPiece = PassSource::kPieceBytes;

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

PassSource::PassSource(std::unique_ptr<RawFile> file) : file_(std::move(file)), fill_(kWindow) {
    buffers_[0].resize(kMaxViewBytes);
    buffers_[1].resize(kMaxViewBytes);
}

size_t PassSource::ReadAt(uint64_t offset, void* dst, size_t n) {
    const uint64_t size = Size();
    if (offset >= size) {
        return 0;
    }
    n = static_cast<size_t>(std::min<uint64_t>(n, size - offset));
    const bool fits = n <= kMaxViewBytes;
    Load(offset, fits ? n : 0);
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    if (offset >= start_ && offset < End()) {
        done = static_cast<size_t>(std::min<uint64_t>(n, End() - offset));
        std::memcpy(out, Data() + (offset - start_), done);
    }
    if (!fits && done < n && offset + done == End()) {
        // The rest goes straight to the caller; the buffers start again after it.
        BeforeChange();
        const size_t got = Fetch(End(), out + done, n - done);
        checks_.WaitFor(checks_.Mark());  // the bytes are the caller's from now on
        done += got;
        start_ = offset + done;
        len_ = 0;
    }
    return done;
}

const uint8_t* PassSource::View(uint64_t offset, size_t size) {
    if (size == 0 || size > kMaxViewBytes || offset > Size() || size > Size() - offset) {
        return nullptr;
    }
    return Load(offset, size) ? Data() + (offset - start_) : nullptr;
}

void PassSource::Check(const mkv::ClusterCrc& crc) {
    if (crc.from < start_ || crc.to < crc.from) {
        return;  // its first bytes are no longer held: not read in one sequence
    }
    checks_.Expect(crc);
    checks_.Feed(start_, Data(), len_);
}

// Makes the buffer hold [at, at + n), n at most its size. False when the file
// ends first.
bool PassSource::Load(uint64_t at, size_t n) {
    if (at >= start_ && at + n <= End()) {
        return true;
    }
    const uint64_t longestGap = run_ >= kLongRun ? kLongRunGap : kReadThrough;
    if (at < start_ || at > End() + longestGap) {
        Skip(at);
    }
    while (End() < at + n) {
        size_t want = static_cast<size_t>(std::max<uint64_t>(fill_, at + n - End()));
        if (len_ + want > kMaxViewBytes) {
            Switch(std::min(at, End()));
            want = std::min(want, kMaxViewBytes - len_);
        }
        const size_t got = Fetch(End(), Data() + len_, want);
        len_ += got;
        run_ += got;
        if (run_ >= kLongRun) {
            Expect(true);
        }
        fill_ = std::min(fill_ * 2, kPiece);
        if (got < want) {
            break;
        }
    }
    return at >= start_ && at + n <= End();
}

void PassSource::Skip(uint64_t at) {
    Switch(End());
    start_ = at / kAlign * kAlign;
    len_ = 0;
    fill_ = kWindow;
    run_ = 0;
    // The kernel reads only what is asked from now on, so that a jump after a
    // sequence does not leave a read-ahead of megabytes behind it.
    Expect(false);
}

// Goes on in the other buffer, with the bytes from keepFrom on.
void PassSource::Switch(uint64_t keepFrom) {
    BeforeChange();
    checks_.WaitFor(otherMark_);
    const auto keep = static_cast<size_t>(End() - keepFrom);
    std::memcpy(buffers_[current_ ^ 1].data(), Data() + (keepFrom - start_), keep);
    otherMark_ = checks_.Mark();
    current_ ^= 1;
    start_ = keepFrom;
    len_ = keep;
}

void PassSource::BeforeChange() {
    if (onChange_) {
        onChange_();
    }
}

size_t PassSource::Fetch(uint64_t at, uint8_t* dst, size_t n) {
    size_t got = 0;
    while (got < n) {
        const size_t want = std::min(n - got, kPiece);
        const size_t r = file_->ReadAt(at + got, dst + got, want);
        got += r;
        if (r < want) {
            break;
        }
    }
    bytesRead_ += got;
    checks_.Feed(at, dst, got);
    return got;
}

void PassSource::Expect(bool sequential) {
    if (sequential_ != static_cast<int>(sequential)) {
        sequential_ = sequential;
        file_->Expect(sequential);
    }
}

}  // namespace quarvel
