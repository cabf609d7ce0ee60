#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/AnsiText_win32.h"
#include "process/CapturedRun.h"

namespace torvane {
namespace {

constexpr char kReadErr[] = "Read Err";
constexpr int kPolls = 10;
// How often a read looks at the pipe, in milliseconds.
constexpr long long kLookMs = 10;
constexpr DWORD kReapGraceMs = 500;

class Handle {
  public:
    Handle() = default;
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE* put() {
        Close();
        return &h_;
    }
    HANDLE get() const { return h_; }
    void reset(HANDLE h) {
        Close();
        h_ = h;
    }
    void Close() {
        if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
        h_ = nullptr;
    }

  private:
    HANDLE h_ = nullptr;
};

// Replaces an inheritable handle by a non-inheritable duplicate.
bool MakePrivate(Handle& handle) {
    HANDLE dup = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle.get(), GetCurrentProcess(), &dup, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    handle.reset(dup);
    return true;
}

// Takes whatever waits on a pipe without blocking, keeping at most `limit`
// bytes. False once the writers have all closed it (or it fails).
bool DrainInto(HANDLE pipe, std::string& kept, std::size_t limit, bool& gotBytes) {
    char chunk[4096];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            return false;
        }
        if (available == 0) {
            return true;
        }
        DWORD got = 0;
        if (!ReadFile(pipe, chunk, std::min<DWORD>(available, sizeof chunk), &got, nullptr)) {
            return false;
        }
        gotBytes = gotBytes || got > 0;
        const std::size_t room = limit - std::min(limit, kept.size());
        kept.append(chunk, std::min<std::size_t>(room, got));
    }
}

}  // namespace

struct TChildProc::Impl {
    Handle stdoutRd;
    Handle stderrRd;
    Handle stdinWr;
    Handle process;
    DWORD processId = 0;
    std::string errors;
    bool timedOut = false;
    std::optional<DWORD> lostBy;  // the error of a wait or query that failed
    std::optional<RunOutcome> end;

    bool ReadErrors() {
        if (stderrRd.get() == nullptr) {
            return false;
        }
        bool gotBytes = false;
        if (!DrainInto(stderrRd.get(), errors, kMaxErrorOutput, gotBytes)) {
            stderrRd.Close();
        }
        return gotBytes;
    }

    // Awaits the process for up to graceMs, terminating it when it is still
    // running then.
    void Reap(DWORD graceMs) {
        if (process.get() == nullptr || lostBy) {
            return;
        }
        DWORD waited = WaitForSingleObject(process.get(), graceMs);
        if (waited == WAIT_TIMEOUT) {
            TerminateProcess(process.get(), 1);
            waited = WaitForSingleObject(process.get(), INFINITE);
            timedOut = true;
        }
        if (waited != WAIT_OBJECT_0) {
            lostBy = GetLastError();
        }
    }

    RunOutcome End() {
        RunOutcome told;
        DWORD code = 0;
        if (!lostBy && !timedOut && !GetExitCodeProcess(process.get(), &code)) {
            lostBy = GetLastError();
        }
        if (lostBy) {
            told.kind = RunOutcome::Kind::Lost;
            told.reason = SystemMessage(*lostBy);
        } else if (timedOut) {
            told.kind = RunOutcome::Kind::TimedOut;
        } else {
            told.kind = RunOutcome::Kind::Exited;
            told.code = static_cast<int>(code);
        }
        return told;
    }
};

TChildProc::TChildProc(const std::string& program, const std::string& commandLine)
    : impl_(std::make_unique<Impl>()) {
    SECURITY_ATTRIBUTES saAttr{};
    saAttr.nLength = static_cast<DWORD>(sizeof saAttr);
    saAttr.lpSecurityDescriptor = nullptr;
    saAttr.bInheritHandle = TRUE;

    Handle stdoutWr;
    Handle stderrWr;
    Handle stdinRd;
    if (!CreatePipe(impl_->stdoutRd.put(), stdoutWr.put(), &saAttr, 0) ||
        !CreatePipe(impl_->stderrRd.put(), stderrWr.put(), &saAttr, 0) ||
        !CreatePipe(stdinRd.put(), impl_->stdinWr.put(), &saAttr, 0)) {
        throw ECreatePipeErr();
    }
    if (!MakePrivate(impl_->stdoutRd) || !MakePrivate(impl_->stderrRd) ||
        !MakePrivate(impl_->stdinWr)) {
        throw EDuplicateHandleErr();
    }

    STARTUPINFOA si{};
    si.cb = static_cast<DWORD>(sizeof si);
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = stdinRd.get();
    si.hStdOutput = stdoutWr.get();
    si.hStdError = stderrWr.get();

    // The system takes the line in the ANSI code page; one that cannot be
    // passed on whole is not started.
    const std::optional<AnsiText> command = ToAnsiCall(program + " " + commandLine);
    if (!command) {
        throw ECreateChildProcessErr();
    }
    std::vector<char> buffer(command->text.begin(), command->text.end());
    buffer.push_back('\0');
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
        throw ECreateChildProcessErr();
    }
    CloseHandle(pi.hThread);
    impl_->process.reset(pi.hProcess);
    impl_->processId = pi.dwProcessId;
    // The write ends close here: with the child holding the only ones, the
    // pipes report end of data as soon as the child exits.
}

TChildProc::~TChildProc() {
    impl_->stdoutRd.Close();
    impl_->stderrRd.Close();
    impl_->stdinWr.Close();
    if (!impl_->end) {
        impl_->Reap(kReapGraceMs);
    }
}

long TChildProc::ChildId() const {
    return static_cast<long>(impl_->processId);
}

const std::string& TChildProc::ErrorOutput() const {
    return impl_->errors;
}

RunOutcome TChildProc::Finish() {
    if (impl_->end) {
        return *impl_->end;
    }
    impl_->Reap(impl_->timedOut ? 0 : kReapGraceMs);
    impl_->ReadErrors();
    impl_->end = impl_->End();
    return *impl_->end;
}

void TChildProc::ReadChildOutput(int Timeout, std::string& Output) {
    try {
        // The read ends after ten polls' worth of silence, a tenth of Timeout
        // each. The pipe is looked at far more often than that, so output and
        // the end of output are taken as soon as they come: a run never waits
        // a whole tenth of a long Timeout for a child that has barely started.
        const DWORD interval =
            Timeout > 0 ? static_cast<DWORD>(std::lround(Timeout / static_cast<double>(kPolls)))
                        : 0;
        const auto silence = std::chrono::milliseconds(interval * kPolls);
        std::vector<char> buffer(1);
        DWORD capacity = 0;
        for (;;) {
            DWORD available = 0;
            bool ready = false;
            bool ended = false;
            auto lastSign = std::chrono::steady_clock::now();
            for (;;) {
                if (impl_->ReadErrors()) {
                    lastSign = std::chrono::steady_clock::now();  // a sign of life too
                }
                if (PeekNamedPipe(impl_->stdoutRd.get(), nullptr, 0, nullptr, &available,
                                  nullptr)) {
                    if (available > 0) {
                        ready = true;
                        break;
                    }
                } else if (GetLastError() == ERROR_BROKEN_PIPE) {
                    ended = true;  // the child closed its output: end of data
                    break;
                }
                const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - lastSign);
                if (quiet >= silence) {
                    break;
                }
                Sleep(static_cast<DWORD>(std::min<long long>(kLookMs, (silence - quiet).count())));
            }
            if (!ready && !ended) {
                impl_->timedOut = true;
            }
            if (!ready || ended) {
                break;
            }
            if (available > capacity) {
                capacity = available;
                buffer.assign(capacity, '\0');
            }
            DWORD got = 0;
            const BOOL ok = ReadFile(impl_->stdoutRd.get(), buffer.data(), capacity, &got, nullptr);
            const void* zero = std::memchr(buffer.data(), '\0', got);
            const std::size_t keep =
                zero != nullptr
                    ? static_cast<std::size_t>(static_cast<const char*>(zero) - buffer.data())
                    : got;
            Output.append(buffer.data(), keep);
            if (!ok) {
                break;
            }
        }
    } catch (...) {
        Output = kReadErr;
    }
}

}  // namespace torvane
