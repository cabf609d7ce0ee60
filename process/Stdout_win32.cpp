#include <windows.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "Stdout.h"

namespace torvane {
namespace {

constexpr char kReadErr[] = "Read Err";
constexpr int kPolls = 10;
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

}  // namespace

struct TChildProc::Impl {
    Handle stdoutRd;
    Handle stdinWr;
    Handle process;
    DWORD processId = 0;
};

TChildProc::TChildProc(const std::string& ExeName, const std::string& CommadLine)
    : impl_(std::make_unique<Impl>()) {
    SECURITY_ATTRIBUTES saAttr{};
    saAttr.nLength = static_cast<DWORD>(sizeof saAttr);
    saAttr.lpSecurityDescriptor = nullptr;
    saAttr.bInheritHandle = TRUE;

    Handle stdoutWr;
    Handle stdinRd;
    if (!CreatePipe(impl_->stdoutRd.put(), stdoutWr.put(), &saAttr, 0) ||
        !CreatePipe(stdinRd.put(), impl_->stdinWr.put(), &saAttr, 0)) {
        throw ECreatePipeErr();
    }
    if (!MakePrivate(impl_->stdoutRd) || !MakePrivate(impl_->stdinWr)) {
        throw EDuplicateHandleErr();
    }

    STARTUPINFOA si{};
    si.cb = static_cast<DWORD>(sizeof si);
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = stdinRd.get();
    si.hStdOutput = stdoutWr.get();
    si.hStdError = nullptr;

    std::string command = ExeName + " " + CommadLine;
    std::vector<char> buffer(command.begin(), command.end());
    buffer.push_back('\0');
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
        throw ECreateChildProcessErr();
    }
    CloseHandle(pi.hThread);
    impl_->process.reset(pi.hProcess);
    impl_->processId = pi.dwProcessId;
    // stdoutWr and stdinRd close here: with the child holding the only write
    // end, the pipe reports end of data as soon as the child exits.
}

TChildProc::~TChildProc() {
    impl_->stdoutRd.Close();
    impl_->stdinWr.Close();
    if (impl_->process.get() != nullptr &&
        WaitForSingleObject(impl_->process.get(), kReapGraceMs) == WAIT_TIMEOUT) {
        TerminateProcess(impl_->process.get(), 1);
    }
}

long TChildProc::ChildId() const {
    return static_cast<long>(impl_->processId);
}

void TChildProc::ReadChildOutput(int Timeout, std::string& Output) {
    try {
        const DWORD interval =
            Timeout > 0 ? static_cast<DWORD>(std::lround(Timeout / static_cast<double>(kPolls)))
                        : 0;
        std::vector<char> buffer(1);
        DWORD capacity = 0;
        for (;;) {
            DWORD available = 0;
            bool ready = false;
            bool ended = false;
            for (int poll = 0; poll < kPolls; ++poll) {
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
                Sleep(interval);
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
