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
#include <thread>
#include <vector>

#include "CommandSplit.h"
#include "Spawn_posix.h"
#include "Stdout.h"

namespace torvane {
namespace {

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

}  // namespace

struct TChildProc::Impl {
    Fd stdoutRd;  // the program's end of the output pipe
    Fd stdinWr;   // the program's end of the input pipe; nothing is written
    pid_t pid = -1;
};

TChildProc::TChildProc(const std::string& ExeName, const std::string& CommadLine)
    : impl_(std::make_unique<Impl>()) {
    Fd stdoutWr;
    Fd stdinRd;
    if (!MakePipe(impl_->stdoutRd, stdoutWr) || !MakePipe(stdinRd, impl_->stdinWr)) {
        throw ECreatePipeErr();
    }

    const auto command = ResolveCommand(ExeName + " " + CommadLine);
    if (!command) {
        throw ECreateChildProcessErr();
    }

    SpawnSetup setup;
    setup.stdinFrom = stdinRd.get();
    setup.stdoutTo = stdoutWr.get();
    setup.stderrTo = kNullDevice;
    const SpawnResult started = SpawnChild(*command, setup);
    if (started.failure == SpawnResult::Failure::FileActions) {
        throw EDuplicateHandleErr();
    }
    if (started.failure != SpawnResult::Failure::None) {
        throw ECreateChildProcessErr();
    }
    impl_->pid = started.pid;
    // stdoutWr and stdinRd close here: with the child holding the only write
    // end, the pipe reports end of data as soon as the child exits.
}

TChildProc::~TChildProc() {
    impl_->stdoutRd.Close();
    impl_->stdinWr.Close();
    const pid_t pid = impl_->pid;
    if (pid <= 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kReapGrace;
    AwaitExit(pid, deadline);
    for (;;) {
        int status = 0;
        const pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got == pid || (got < 0 && errno != EINTR)) {
            return;  // reaped, or reaped by someone else (SIGCHLD ignored)
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(kReapStep);
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

long TChildProc::ChildId() const {
    return static_cast<long>(impl_->pid);
}

void TChildProc::ReadChildOutput(int Timeout, std::string& Output) {
    try {
        using Clock = std::chrono::steady_clock;
        const long interval = Timeout > 0 ? std::lround(Timeout / static_cast<double>(kPolls)) : 0;
        const auto silence = std::chrono::milliseconds(interval * kPolls);
        const int fd = impl_->stdoutRd.get();

        std::vector<char> buffer(1);
        std::size_t capacity = 0;
        auto deadline = Clock::now() + silence;
        for (;;) {
            int available = 0;
            if (::ioctl(fd, FIONREAD, &available) == 0 && available > 0) {
                if (static_cast<std::size_t>(available) > capacity) {
                    capacity = static_cast<std::size_t>(available);
                    buffer.assign(capacity, '\0');
                }
                ssize_t got;
                do {
                    got = ::read(fd, buffer.data(), capacity);
                } while (got < 0 && errno == EINTR);
                if (got <= 0) {
                    break;  // a failed read ends the reading with what came
                }
                const auto n = static_cast<std::size_t>(got);
                const void* zero = std::memchr(buffer.data(), '\0', n);
                const std::size_t keep =
                    zero != nullptr
                        ? static_cast<std::size_t>(static_cast<const char*>(zero) - buffer.data())
                        : n;
                Output.append(buffer.data(), keep);
                deadline = Clock::now() + silence;
                continue;
            }

            // Nothing waiting: wait for data, for the end of data, or for a
            // poll interval to pass. Data or the end wake the wait at once.
            const auto now = Clock::now();
            if (now >= deadline) {
                break;  // Timeout of silence
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            pollfd p{fd, POLLIN, 0};
            const int ready =
                ::poll(&p, 1, static_cast<int>(std::min<long long>(left, interval) + 1));
            if (ready < 0 && errno != EINTR) {
                std::this_thread::sleep_for(std::chrono::milliseconds(interval));
                continue;  // a failed poll counts as an empty one
            }
            if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                int left_bytes = 0;
                if (::ioctl(fd, FIONREAD, &left_bytes) != 0 || left_bytes == 0) {
                    break;  // every writer has closed and all was read: end of data
                }
            }
        }
    } catch (...) {
        Output = kReadErr;
    }
}

}  // namespace torvane
