#include "tools/quarvel/writers/TimestampsWriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <queue>
#include <vector>

#include "tools/common/OutputFiles.h"
#include "tools/quarvel/writers/FileWriter.h"

namespace quarvel {

namespace {

static_assert((limits::kMaxTimestampFrames - 1) * sizeof(int64_t) <= 0x7FFFFFFF,
              "every offset in the temporary file fits the long fseek takes");

// The text goes to the output in pieces of about this size.
constexpr size_t kTextPieceBytes = 64u << 10;

// `ns` in milliseconds and a line break: "41", "41.708333", "-0.5".
void AppendMilliseconds(int64_t ns, std::string& out) {
    const uint64_t magnitude = ns < 0 ? 0 - static_cast<uint64_t>(ns) : static_cast<uint64_t>(ns);
    if (ns < 0) {
        out += '-';
    }
    char digits[24];
    const auto whole = std::to_chars(digits, digits + sizeof digits, magnitude / 1000000);
    out.append(digits, whole.ptr);
    if (const uint64_t fraction = magnitude % 1000000; fraction != 0) {
        char six[7];
        std::to_chars(six, six + 7, fraction + 1000000);  // "1" and six digits
        size_t length = 6;
        while (six[length] == '0') {
            --length;
        }
        out += '.';
        out.append(six + 1, length);
    }
    out += '\n';
}

// The times of a track's frames, kept in a temporary file beside its output
// in the order they come, and handed back in ascending order: sorted at once
// when they fit one sort, else sorted run by run in place and the runs merged.
class TimeFile {
  public:
    explicit TimeFile(const TimestampLimits& limits) : limits_(limits) {}

    bool Create(const std::string& target, std::string& error) {
        return file_.Create(target, error);
    }
    uint64_t Count() const { return count_; }
    bool Add(int64_t ns) {
        pending_[waiting_++] = ns;
        ++count_;
        return waiting_ < pending_.size() || Flush() || Failed();
    }
    // Calls `take` with every time in ascending order, stopping at its first
    // false. False when the file fails (see Error).
    bool InOrder(const std::function<bool(int64_t)>& take);
    void Discard() { file_.Discard(); }
    // Why the last call failed.
    std::string Error() const {
        return "cannot keep the timestamps beside '" + file_.Target() +
               "': " + (errno_ != 0 ? std::strerror(errno_) : "the temporary file came back short");
    }

  private:
    struct Run {
        uint64_t next = 0;  // index of the next time still in the file
        uint64_t end = 0;
        std::vector<int64_t> buffer;
        size_t at = 0;
    };
    bool Flush() {
        const size_t n = waiting_;
        waiting_ = 0;
        return std::fwrite(pending_.data(), sizeof(int64_t), n, file_.Stream()) == n;
    }
    bool Read(uint64_t index, std::vector<int64_t>& times);
    bool WriteAt(uint64_t index, const std::vector<int64_t>& times);
    bool SortRuns(size_t runs);
    bool Refill(Run& run);
    bool Merge(size_t runs, const std::function<bool(int64_t)>& take);
    bool Failed() {
        errno_ = errno;
        return false;
    }

    TimestampLimits limits_;
    tools::TemporaryFile file_;
    std::array<int64_t, 1024> pending_{};
    size_t waiting_ = 0;
    uint64_t count_ = 0;
    int errno_ = 0;
};

bool TimeFile::Read(uint64_t index, std::vector<int64_t>& times) {
    return std::fseek(file_.Stream(), static_cast<long>(index * sizeof(int64_t)), SEEK_SET) == 0 &&
           std::fread(times.data(), sizeof(int64_t), times.size(), file_.Stream()) == times.size();
}

bool TimeFile::WriteAt(uint64_t index, const std::vector<int64_t>& times) {
    return std::fseek(file_.Stream(), static_cast<long>(index * sizeof(int64_t)), SEEK_SET) == 0 &&
           std::fwrite(times.data(), sizeof(int64_t), times.size(), file_.Stream()) == times.size();
}

bool TimeFile::InOrder(const std::function<bool(int64_t)>& take) {
    errno = 0;
    if (!Flush() || std::fflush(file_.Stream()) != 0) {
        return Failed();
    }
    const size_t runs = static_cast<size_t>((count_ + limits_.sortFrames - 1) / limits_.sortFrames);
    if (runs > 1) {
        return (SortRuns(runs) && Merge(runs, take)) || Failed();
    }
    std::vector<int64_t> times(static_cast<size_t>(count_));
    if (!Read(0, times)) {
        return Failed();
    }
    std::sort(times.begin(), times.end());
    for (const int64_t ns : times) {
        if (!take(ns)) {
            break;
        }
    }
    return true;
}

bool TimeFile::SortRuns(size_t runs) {
    std::vector<int64_t> times;
    for (size_t r = 0; r < runs; ++r) {
        const uint64_t from = uint64_t{r} * limits_.sortFrames;
        times.resize(static_cast<size_t>(std::min<uint64_t>(limits_.sortFrames, count_ - from)));
        if (!Read(from, times)) {
            return false;
        }
        std::sort(times.begin(), times.end());
        if (!WriteAt(from, times)) {
            return false;
        }
    }
    return std::fflush(file_.Stream()) == 0;
}

bool TimeFile::Refill(Run& run) {
    run.buffer.resize(
        static_cast<size_t>(std::min<uint64_t>(limits_.mergeFrames, run.end - run.next)));
    run.at = 0;
    if (!Read(run.next, run.buffer)) {
        return false;
    }
    run.next += run.buffer.size();
    return true;
}

// The runs' smallest times one by one.
bool TimeFile::Merge(size_t runs, const std::function<bool(int64_t)>& take) {
    std::vector<Run> run(runs);
    using Head = std::pair<int64_t, size_t>;  // a run's next time, and the run
    std::priority_queue<Head, std::vector<Head>, std::greater<>> heads;
    for (size_t r = 0; r < runs; ++r) {
        run[r].next = uint64_t{r} * limits_.sortFrames;
        run[r].end = std::min<uint64_t>(run[r].next + limits_.sortFrames, count_);
        if (!Refill(run[r])) {
            return false;
        }
        heads.push({run[r].buffer[0], r});
    }
    while (!heads.empty()) {
        const auto [ns, r] = heads.top();
        heads.pop();
        if (!take(ns)) {
            return true;
        }
        Run& from = run[r];
        if (++from.at == from.buffer.size()) {
            if (from.next == from.end) {
                continue;
            }
            if (!Refill(from)) {
                return false;
            }
        }
        heads.push({from.buffer[from.at], r});
    }
    return true;
}

class TimestampsWriter final : public FileWriter {
  public:
    explicit TimestampsWriter(const TimestampLimits& limits) : limits_(limits), times_(limits) {}

    bool Write(const Frame& f) override {
        ++frames_;
        if (!f.timeKnown) {
            ++unknown_;
            return true;
        }
        if (times_.Count() == limits_.maxFrames) {
            return Fail("the track has more than " + std::to_string(limits_.maxFrames) +
                        " frames, more than quarvel puts in order: only a damaged file has "
                        "so many");
        }
        errno = 0;
        return times_.Add(f.timestampNs) || Fail(times_.Error());
    }
    void Abort() override {
        times_.Discard();
        FileWriter::Abort();
    }

  protected:
    bool Start() override {
        std::string error;
        if (!times_.Create(out_.Target(), error)) {
            return Fail(error);
        }
        return Put("# timestamp format v2\n");
    }
    bool End() override;

  private:
    TimestampLimits limits_;
    TimeFile times_;
    uint64_t frames_ = 0;
    uint64_t unknown_ = 0;
};

bool TimestampsWriter::End() {
    std::string text;
    bool written = true;
    const bool read = times_.InOrder([&](int64_t ns) {
        AppendMilliseconds(ns, text);
        if (text.size() >= kTextPieceBytes) {
            written = Put(text);
            text.clear();
        }
        return written;
    });
    if (!read) {
        Fail(times_.Error());
    }
    times_.Discard();
    if (!read) {
        return false;
    }
    if (!written || !Put(text)) {
        return false;
    }
    if (unknown_ > 0) {
        Warn(std::to_string(unknown_) + " of its " + std::to_string(frames_) +
             " frames have no time of their own (laced after the first frame of their block "
             "with neither a BlockDuration nor a DefaultDuration to space them, or in a "
             "Cluster without a Timestamp): they are left out, not guessed");
    }
    return true;
}

}  // namespace

std::unique_ptr<TrackWriter> MakeTimestampsWriter(const TimestampLimits& limits) {
    return std::make_unique<TimestampsWriter>(limits);
}

}  // namespace quarvel
