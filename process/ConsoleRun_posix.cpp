#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/ProgramFolder.h"
#include "process/CommandSplit.h"
#include "process/ConsoleRun.h"
#include "process/Spawn_posix.h"

namespace torvane {

std::string SignalDescription(int signal) {
    const char* text = ::strsignal(signal);
    return text != nullptr ? text : std::string();
}

namespace {

using Clock = std::chrono::steady_clock;

// At most this much is taken per ReadAvailable call, so that a tool writing
// without pause cannot keep the caller's event loop from turning.
constexpr std::size_t kReadChunk = std::size_t{64} * 1024;
constexpr std::size_t kReadBudget = std::size_t{1024} * 1024;

// How often Wait looks at the tool while its output stays open.
constexpr int kWaitStepMs = 20;

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// A pipe whose read end, this program's, does not block.
bool MakePipe(int& readEnd, int& writeEnd, std::string& reason) {
    if (!MakeSpawnPipe(readEnd, writeEnd) || ::fcntl(readEnd, F_SETFL, O_NONBLOCK) != 0) {
        reason = std::strerror(errno);
        CloseFd(readEnd);
        CloseFd(writeEnd);
        return false;
    }
    return true;
}

}  // namespace

struct ConsoleRun::Impl {
    int out = -1;  // read end of the output pipe
    pid_t pid = -1;
    bool outputEnded = false;
    bool reaped = false;
    bool cancelled = false;
    bool killed = false;
    Clock::time_point killAt;
    RunOutcome outcome;

    void Start(std::string_view commandLine, const std::string& programFolder,
               std::string_view pathList);
    void Signal(int signal) const;
    bool TryReap(int options);
    void Settle(int status);
};

void ConsoleRun::Impl::Start(std::string_view commandLine, const std::string& programFolder,
                             std::string_view pathList) {
    using Failure = RunOutcome::StartFailure;
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) {
        outcome.startFailure = Failure::EmptyCommand;
        return;
    }
    const auto command = ResolveCommand(commandLine, programFolder, pathList);
    if (!command) {
        outcome.startFailure = Failure::NoProgram;
        outcome.program = words.front();
        return;
    }

    int writeEnd = -1;
    if (!MakePipe(out, writeEnd, outcome.reason)) {
        outcome.startFailure = Failure::NoPipe;
        return;
    }

    // The tool starts with default signal handling, nothing blocked, as the
    // leader of its own process group.
    SpawnSetup setup;
    setup.stdinFrom = kNullDevice;
    setup.stdoutTo = writeEnd;
    setup.stderrTo = writeEnd;
    setup.ownProcessGroup = true;
    const SpawnResult started = SpawnChild(*command, setup);
    // With the tool holding the only write end, the output ends when it ends.
    CloseFd(writeEnd);
    if (started.failure != SpawnResult::Failure::None) {
        outcome.program = command->program;
        if (started.failure == SpawnResult::Failure::Start) {
            outcome.startFailure = Failure::CannotRun;
            outcome.reason = std::strerror(started.error);
        } else {
            outcome.startFailure = Failure::CannotPrepare;
        }
        CloseFd(out);
        return;
    }
    pid = started.pid;
}

void ConsoleRun::Impl::Signal(int signal) const {
    // The whole group, so that helpers the tool started end with it; the
    // tool alone should its group be gone already.
    if (::kill(-pid, signal) != 0) {
        ::kill(pid, signal);
    }
}

void ConsoleRun::Impl::Settle(int status) {
    reaped = true;
    if (cancelled) {
        outcome.kind = RunOutcome::Kind::Cancelled;
        outcome.code = 0;
    } else if (WIFEXITED(status)) {
        outcome.kind = RunOutcome::Kind::Exited;
        outcome.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.kind = RunOutcome::Kind::Signalled;
        outcome.code = WTERMSIG(status);
    }
}

bool ConsoleRun::Impl::TryReap(int options) {
    if (pid <= 0 || reaped) {
        return reaped;
    }
    for (;;) {
        int status = 0;
        const pid_t got = ::waitpid(pid, &status, options);
        if (got == pid) {
            Settle(status);
            return true;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            // Reaped elsewhere (SIGCHLD ignored by the program): the status
            // is lost, so the run cannot count as a success.
            reaped = true;
            outcome.kind = cancelled ? RunOutcome::Kind::Cancelled : RunOutcome::Kind::Lost;
            outcome.code = 0;
            outcome.reason = cancelled ? std::string() : std::strerror(errno);
            return true;
        }
        return false;
    }
}

ConsoleRun::ConsoleRun(std::string_view commandLine, const std::string& programFolder,
                       std::string_view pathList)
    : impl_(std::make_unique<Impl>()) {
    impl_->Start(commandLine, programFolder, pathList);
}

ConsoleRun::ConsoleRun(std::string_view commandLine) : impl_(std::make_unique<Impl>()) {
    impl_->Start(commandLine, ProgramFolder(), SearchPath());
}

ConsoleRun::~ConsoleRun() {
    if (impl_->pid > 0 && !impl_->reaped) {
        Cancel();
        // Wait drains the output, so a tool blocked on a full pipe can see
        // the request and end cleanly.
        Wait(nullptr);
    }
    CloseFd(impl_->out);
}

bool ConsoleRun::Started() const {
    return impl_->pid > 0;
}

int ConsoleRun::OutputHandle() const {
    return impl_->out;
}

long ConsoleRun::ProcessId() const {
    return static_cast<long>(impl_->pid);
}

bool ConsoleRun::ReadAvailable(std::string& output) {
    if (impl_->out < 0 || impl_->outputEnded) {
        return false;
    }
    char buffer[kReadChunk];
    std::size_t taken = 0;
    while (taken < kReadBudget) {
        const ssize_t got = ::read(impl_->out, buffer, sizeof buffer);
        if (got > 0) {
            output.append(buffer, static_cast<std::size_t>(got));
            taken += static_cast<std::size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        impl_->outputEnded = true;  // end of data, or a read that failed
        return false;
    }
    return true;
}

std::optional<RunOutcome> ConsoleRun::Poll() {
    Impl& d = *impl_;
    if (d.pid <= 0) {
        return d.outcome;
    }
    if (!d.reaped && d.cancelled && !d.killed && Clock::now() >= d.killAt) {
        d.Signal(SIGKILL);
        d.killed = true;
    }
    if (d.TryReap(WNOHANG)) {
        return d.outcome;
    }
    return std::nullopt;
}

RunOutcome ConsoleRun::Wait(std::string* output) {
    std::string discarded;
    std::string& sink = output != nullptr ? *output : discarded;
    for (;;) {
        if (const auto outcome = Poll()) {
            ReadAvailable(sink);  // what the tool wrote last
            return *outcome;
        }
        if (impl_->out >= 0 && !impl_->outputEnded) {
            pollfd p{impl_->out, POLLIN, 0};
            ::poll(&p, 1, kWaitStepMs);
            ReadAvailable(sink);
            if (output == nullptr) {
                discarded.clear();
            }
        } else if (!impl_->cancelled || impl_->killed) {
            impl_->TryReap(0);  // nothing more to read or to escalate: block
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMs));
        }
    }
}

void ConsoleRun::Cancel(std::chrono::milliseconds grace) {
    Impl& d = *impl_;
    if (d.pid <= 0 || d.cancelled || d.TryReap(WNOHANG)) {
        return;
    }
    d.cancelled = true;
    d.killAt = Clock::now() + grace;
    d.Signal(SIGTERM);
    d.Signal(SIGCONT);
}

}  // namespace torvane
