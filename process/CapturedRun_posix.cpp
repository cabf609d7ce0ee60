#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "process/CapturedRun.h"
#include "process/CommandSplit.h"
#include "process/Spawn_posix.h"

namespace torvane {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kReadErr[] = "Read Err";

// Silence of Timeout is measured as this many polls, Timeout / kPolls apart.
constexpr int kPolls = 10;

// After the read, a child that has not ended within this time is killed, so
// that the destructor never waits on a tool that hangs.
constexpr auto kReapGrace = std::chrono::milliseconds(500);
constexpr auto kReapStep = std::chrono::milliseconds(2);

class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
};

// Both ends close on exec: only the duplicates made for the child's standard
// handles reach it.
bool MakePipe(Fd& readEnd, Fd& writeEnd) {
    int rd = -1;
    int wr = -1;
    if (!MakeSpawnPipe(rd, wr)) {
        return false;
    }
    readEnd = Fd(rd);
    writeEnd = Fd(wr);
    return true;
}

// Waits until the child has ended or the deadline has passed, woken by the
// end itself rather than by a timer. Returns at once where the system cannot
// wait that way; the caller's own waitpid loop then does the waiting.
void AwaitExit(pid_t pid, std::chrono::steady_clock::time_point deadline) {
#ifdef SYS_pidfd_open
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        return;  // an older kernel, or the child was reaped elsewhere
    }
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            break;
        }
        pollfd p{pidfd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready > 0 || (ready < 0 && errno != EINTR)) {
            break;  // ended; or the wait failed and the loop takes over
        }
    }
    ::close(pidfd);
#else
    (void)pid;
    (void)deadline;
#endif
}

// Takes whatever waits on a non-blocking descriptor, keeping at most `limit`
// bytes in `kept`. False once the writers have all closed it (or it fails).
bool DrainInto(int fd, std::string& kept, std::size_t limit, bool& gotBytes) {
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            gotBytes = true;
            const std::size_t room = limit - std::min(limit, kept.size());
            kept.append(chunk, std::min(room, static_cast<std::size_t>(got)));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

}  // namespace

struct TChildProc::Impl {
    Fd stdoutRd;  // the program's end of the output pipe
    Fd stderrRd;  // the program's end of the error pipe, non-blocking
    Fd stdinWr;   // the program's end of the input pipe; nothing is written
    pid_t pid = -1;
    std::string errors;
    bool timedOut = false;
    int lostBy = 0;  // the errno of a wait that found the child gone
    std::optional<RunOutcome> end;
    std::vector<char> buffer;  // as large as the most output that ever waited

    // Takes what waits on the output pipe, without blocking: Some bytes (a
    // chunk is cut at its first zero byte), Nothing waiting, or a Failed read.
    enum class Take { Nothing, Some, Failed };
    Take TakeOutput(std::string& output) {
        const int fd = stdoutRd.get();
        int available = 0;
        if (::ioctl(fd, FIONREAD, &available) != 0 || available <= 0) {
            return Take::Nothing;
        }
        if (static_cast<std::size_t>(available) > buffer.size()) {
            buffer.assign(static_cast<std::size_t>(available), '\0');
        }
        ssize_t got;
        do {
            got = ::read(fd, buffer.data(), buffer.size());
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            return Take::Failed;
        }
        const auto n = static_cast<std::size_t>(got);
        const void* zero = std::memchr(buffer.data(), '\0', n);
        const std::size_t keep =
            zero != nullptr
                ? static_cast<std::size_t>(static_cast<const char*>(zero) - buffer.data())
                : n;
        output.append(buffer.data(), keep);
        return Take::Some;
    }

    // With nothing waiting: waits for data on either output, for the end of
    // data, or for waitMs to pass (data or the end wake it at once). True once
    // every writer has closed the output and all of it was read.
    bool OutputEnded(int waitMs, long interval) {
        const int fd = stdoutRd.get();
        pollfd p[2] = {{fd, POLLIN, 0}, {stderrRd.get(), POLLIN, 0}};
        const int ready = ::poll(p, 2, waitMs);
        if (ready < 0 && errno != EINTR) {
            std::this_thread::sleep_for(std::chrono::milliseconds(interval));
            return false;  // a failed poll counts as an empty one
        }
        if (ready > 0 && (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            int waiting = 0;
            return ::ioctl(fd, FIONREAD, &waiting) != 0 || waiting == 0;
        }
        return false;
    }

    // Reads what waits on the error pipe, closing it at its end. True when
    // any byte came.
    bool ReadErrors() {
        if (stderrRd.get() < 0) {
            return false;
        }
        bool gotBytes = false;
        if (!DrainInto(stderrRd.get(), errors, kMaxErrorOutput, gotBytes)) {
            stderrRd.Close();
        }
        return gotBytes;
    }

    // Awaits the child until the deadline, kills it if it is still running
    // then, and reaps it. The wait status, or nullopt when someone else
    // reaped it.
    std::optional<int> Reap(std::chrono::steady_clock::time_point deadline) {
        AwaitExit(pid, deadline);
        for (;;) {
            int status = 0;
            const pid_t got = ::waitpid(pid, &status, WNOHANG);
            if (got == pid) {
                return status;
            }
            if (got < 0 && errno != EINTR) {
                lostBy = errno;  // reaped by someone else (SIGCHLD ignored)
                return std::nullopt;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                break;
            }
            std::this_thread::sleep_for(kReapStep);
        }
        ::kill(pid, SIGKILL);
        timedOut = true;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return std::nullopt;
    }
};

TChildProc::TChildProc(const std::string& program, const std::string& commandLine)
    : impl_(std::make_unique<Impl>()) {
    Fd stdoutWr;
    Fd stderrWr;
    Fd stdinRd;
    if (!MakePipe(impl_->stdoutRd, stdoutWr) || !MakePipe(impl_->stderrRd, stderrWr) ||
        !MakePipe(stdinRd, impl_->stdinWr)) {
        throw ECreatePipeErr();
    }
    ::fcntl(impl_->stderrRd.get(), F_SETFL, ::fcntl(impl_->stderrRd.get(), F_GETFL) | O_NONBLOCK);

    const auto command = ResolveCommand(program + " " + commandLine);
    if (!command) {
        throw ECreateChildProcessErr();
    }

    SpawnSetup setup;
    setup.stdinFrom = stdinRd.get();
    setup.stdoutTo = stdoutWr.get();
    setup.stderrTo = stderrWr.get();
    // A Ctrl+C in the terminal that started the program (the batch run from
    // the command line) is the program's to answer: a short run it started
    // is let finish, and the program decides what becomes of its output.
    setup.ownProcessGroup = true;
    const SpawnResult started = SpawnChild(*command, setup);
    if (started.failure == SpawnResult::Failure::FileActions) {
        throw EDuplicateHandleErr();
    }
    if (started.failure != SpawnResult::Failure::None) {
        throw ECreateChildProcessErr();
    }
    impl_->pid = started.pid;
    // The write ends close here: with the child holding the only ones, the
    // pipes report end of data as soon as the child exits.
}

TChildProc::~TChildProc() {
    impl_->stdoutRd.Close();
    impl_->stderrRd.Close();
    impl_->stdinWr.Close();
    if (impl_->pid > 0 && !impl_->end) {
        impl_->Reap(std::chrono::steady_clock::now() + kReapGrace);
    }
}

long TChildProc::ChildId() const {
    return static_cast<long>(impl_->pid);
}

const std::string& TChildProc::ErrorOutput() const {
    return impl_->errors;
}

RunOutcome TChildProc::Finish() {
    if (impl_->end) {
        return *impl_->end;
    }
    // A child that went silent is not waited for again.
    const auto grace = impl_->timedOut ? std::chrono::milliseconds(0) : kReapGrace;
    const std::optional<int> status = impl_->Reap(std::chrono::steady_clock::now() + grace);
    // The child has ended: what it wrote to its error output is all there
    // (a grandchild may still hold the pipe; nothing is waited for).
    impl_->ReadErrors();
    RunOutcome end;
    if (impl_->timedOut) {
        end.kind = RunOutcome::Kind::TimedOut;
    } else if (status && WIFSIGNALED(*status)) {
        end.kind = RunOutcome::Kind::Signalled;
        end.code = WTERMSIG(*status);
    } else if (status && WIFEXITED(*status)) {
        end.kind = RunOutcome::Kind::Exited;
        end.code = WEXITSTATUS(*status);
    } else {
        // The status is gone: the run cannot count as a success.
        end.kind = RunOutcome::Kind::Lost;
        end.reason = std::strerror(impl_->lostBy);
    }
    impl_->end = end;
    return end;
}

void TChildProc::ReadChildOutput(int Timeout, std::string& Output) {
    try {
        const long interval = Timeout > 0 ? std::lround(Timeout / static_cast<double>(kPolls)) : 0;
        const auto silence = std::chrono::milliseconds(interval * kPolls);
        auto deadline = Clock::now() + silence;
        for (;;) {
            // Error output counts as a sign of life, like standard output.
            if (impl_->ReadErrors()) {
                deadline = Clock::now() + silence;
            }
            const Impl::Take took = impl_->TakeOutput(Output);
            if (took == Impl::Take::Failed) {
                break;  // a failed read ends the reading with what came
            }
            if (took == Impl::Take::Some) {
                deadline = Clock::now() + silence;
                continue;
            }
            const auto now = Clock::now();
            if (now >= deadline) {
                impl_->timedOut = true;
                break;  // Timeout of silence
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            if (impl_->OutputEnded(static_cast<int>(std::min<long long>(left, interval) + 1),
                                   interval)) {
                break;
            }
        }
    } catch (...) {
        Output = kReadErr;
    }
}

}  // namespace torvane
