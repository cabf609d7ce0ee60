// Windows: the tool gets a console window of its own (new console, normal
// priority, shown), as the platform starts console programs; its output goes
// there, not to this program.
#include <windows.h>

#include <vector>

#include "process/ConsoleRun.h"

namespace torvane {

std::string SignalDescription(int) {
    return {};
}

namespace {

std::string SystemText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) {
        LocalFree(text);
    }
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    return result.empty() ? "error " + std::to_string(error) : result;
}

}  // namespace

struct ConsoleRun::Impl {
    HANDLE process = nullptr;
    DWORD pid = 0;
    bool reaped = false;
    bool cancelled = false;
    ConsoleOutcome outcome;

    void Start(std::string_view commandLine);
    bool TryReap(DWORD timeout);
};

void ConsoleRun::Impl::Start(std::string_view commandLine) {
    const std::size_t first = commandLine.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        outcome.startFailure = ConsoleOutcome::StartFailure::EmptyCommand;
        return;
    }
    // CreateProcessA may write into the command line; a buffer of the line's
    // own length plus its terminator, so no line is too long to run.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    // No application name: the platform takes the first word as the program
    // and looks in this program's folder first, then the search path.
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &info)) {
        outcome.startFailure = ConsoleOutcome::StartFailure::CannotRun;
        outcome.reason = SystemText(GetLastError());
        const std::string_view rest = commandLine.substr(first);
        outcome.program = std::string(rest.substr(0, rest.find_first_of(" \t")));
        return;
    }
    CloseHandle(info.hThread);
    process = info.hProcess;
    pid = info.dwProcessId;
}

bool ConsoleRun::Impl::TryReap(DWORD timeout) {
    if (process == nullptr || reaped) {
        return reaped;
    }
    if (WaitForSingleObject(process, timeout) != WAIT_OBJECT_0) {
        return false;
    }
    DWORD code = 0;
    const bool known = GetExitCodeProcess(process, &code) != 0;
    CloseHandle(process);
    process = nullptr;
    reaped = true;
    if (cancelled) {
        outcome.kind = ConsoleOutcome::Kind::Cancelled;
        outcome.code = 0;
    } else {
        outcome.kind = ConsoleOutcome::Kind::Exited;
        outcome.code = known ? static_cast<int>(code) : -1;
    }
    return true;
}

ConsoleRun::ConsoleRun(std::string_view commandLine, const std::string&, std::string_view)
    : impl_(std::make_unique<Impl>()) {
    impl_->Start(commandLine);
}

ConsoleRun::ConsoleRun(std::string_view commandLine) : impl_(std::make_unique<Impl>()) {
    impl_->Start(commandLine);
}

ConsoleRun::~ConsoleRun() {
    if (impl_->process != nullptr && !impl_->reaped) {
        Cancel();
        impl_->TryReap(INFINITE);
    }
    if (impl_->process != nullptr) {
        CloseHandle(impl_->process);
    }
}

bool ConsoleRun::Started() const {
    return impl_->pid != 0;
}

int ConsoleRun::OutputHandle() const {
    return -1;
}

long ConsoleRun::ProcessId() const {
    return impl_->pid != 0 ? static_cast<long>(impl_->pid) : -1;
}

bool ConsoleRun::ReadAvailable(std::string&) {
    return false;
}

std::optional<ConsoleOutcome> ConsoleRun::Poll() {
    if (impl_->pid == 0) {
        return impl_->outcome;
    }
    if (impl_->TryReap(0)) {
        return impl_->outcome;
    }
    return std::nullopt;
}

ConsoleOutcome ConsoleRun::Wait(std::string*) {
    if (impl_->pid == 0) {
        return impl_->outcome;
    }
    impl_->TryReap(INFINITE);
    return impl_->outcome;
}

void ConsoleRun::Cancel(std::chrono::milliseconds) {
    if (impl_->process == nullptr || impl_->cancelled || impl_->TryReap(0)) {
        return;
    }
    // A console of its own cannot be sent a break from here: the tool is
    // ended outright.
    impl_->cancelled = true;
    TerminateProcess(impl_->process, 1);
}

}  // namespace torvane
