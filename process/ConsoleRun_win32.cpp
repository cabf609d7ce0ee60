// Windows: the tool gets a console window of its own (new console, new
// process group, normal priority, shown), as the platform starts console
// programs; both its outputs go there, not to this program.
#include <windows.h>

#include <optional>
#include <vector>

#include "core/AnsiText_win32.h"
#include "process/ConsoleRun.h"

namespace torvane {

std::string SignalDescription(int) {
    return {};
}

namespace {

using Clock = std::chrono::steady_clock;

// A break reaches only the processes attached to the sender's console, and a
// window program has none: this program attaches to the tool's console for
// the moment of sending. The break goes to the tool's process group (its id
// is the tool's), so it reaches the tool and whatever it started, and
// nothing else. Where the system cannot send a break (Wine, for one), a
// Ctrl+C goes instead: the tools heed both. This program ignores Ctrl+C
// itself from then on, lest the event reach it too; the tools it starts lead
// groups of their own, which ignore Ctrl+C unless they ask for it anyway.
// A program that had a console gets a new one afterwards, so that the tools
// it runs hidden keep sharing one.
bool SendBreak(DWORD pid) {
    DWORD attached = 0;
    const bool hadConsole = GetConsoleProcessList(&attached, 1) != 0;
    FreeConsole();
    bool sent = false;
    if (AttachConsole(pid)) {
        sent =
            GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, pid) ||
            (SetConsoleCtrlHandler(nullptr, TRUE) && GenerateConsoleCtrlEvent(CTRL_C_EVENT, pid));
    }
    FreeConsole();
    if (hadConsole) {
        AllocConsole();
    }
    return sent;
}

std::string FirstWord(std::string_view line) {
    line.remove_prefix(line.find_first_not_of(" \t"));
    return std::string(line.substr(0, line.find_first_of(" \t")));
}

}  // namespace

struct ConsoleRun::Impl {
    HANDLE process = nullptr;
    DWORD pid = 0;
    bool ended = false;
    bool cancelled = false;
    Clock::time_point killAt;
    RunOutcome outcome;

    void Start(std::string_view commandLine);
    void RefuseToStart(std::string_view commandLine, std::string reason);
    bool TryReap(DWORD timeout);
    void Lose(DWORD error);
    DWORD MsUntilKill() const;
    void Kill();
    void KillWhenGraceIsOver();
};

void ConsoleRun::Impl::RefuseToStart(std::string_view commandLine, std::string reason) {
    outcome.startFailure = RunOutcome::StartFailure::CannotRun;
    outcome.program = FirstWord(commandLine);
    outcome.reason = std::move(reason);
}

void ConsoleRun::Impl::Start(std::string_view commandLine) {
    if (commandLine.find_first_not_of(" \t") == std::string_view::npos) {
        outcome.startFailure = RunOutcome::StartFailure::EmptyCommand;
        return;
    }
    const std::optional<AnsiText> ansi = ToAnsiCall(commandLine);
    if (!ansi) {
        RefuseToStart(commandLine,
                      "the command line holds a character that the system's "
                      "code page cannot pass on");
        return;
    }
    if (ansi->characters > kMaxWindowsCommandLine) {
        RefuseToStart(commandLine, "the command line holds " + std::to_string(ansi->characters) +
                                       " characters, more than the " +
                                       std::to_string(kMaxWindowsCommandLine) +
                                       " that Windows takes");
        return;
    }
    // CreateProcessA may write into the command line.
    std::vector<char> buffer(ansi->text.begin(), ansi->text.end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    // No application name: the platform takes the first word as the program
    // and looks in this program's folder first, then the search path.
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &info)) {
        RefuseToStart(commandLine, SystemMessage(GetLastError()));
        return;
    }
    CloseHandle(info.hThread);
    process = info.hProcess;
    pid = info.dwProcessId;
}

// The tool may still run, but nothing more can be learnt of it.
void ConsoleRun::Impl::Lose(DWORD error) {
    ended = true;
    outcome.kind = RunOutcome::Kind::Lost;
    outcome.code = 0;
    outcome.reason = SystemMessage(error);
}

// True once the outcome is known.
bool ConsoleRun::Impl::TryReap(DWORD timeout) {
    if (ended || process == nullptr) {
        return ended;
    }
    const DWORD waited = WaitForSingleObject(process, timeout);
    if (waited == WAIT_TIMEOUT) {
        return false;
    }
    if (waited != WAIT_OBJECT_0) {
        Lose(GetLastError());
        return true;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process, &code)) {
        Lose(GetLastError());
        return true;
    }
    CloseHandle(process);
    process = nullptr;
    ended = true;
    outcome.kind = cancelled ? RunOutcome::Kind::Cancelled : RunOutcome::Kind::Exited;
    outcome.code = cancelled ? 0 : static_cast<int>(code);
    return true;
}

DWORD ConsoleRun::Impl::MsUntilKill() const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(killAt - Clock::now());
    return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

void ConsoleRun::Impl::Kill() {
    if (!ended && process != nullptr) {
        TerminateProcess(process, 1);
    }
}

void ConsoleRun::Impl::KillWhenGraceIsOver() {
    if (cancelled && Clock::now() >= killAt) {
        Kill();
    }
}

ConsoleRun::ConsoleRun(std::string_view commandLine, const std::string&, std::string_view)
    : impl_(std::make_unique<Impl>()) {
    impl_->Start(commandLine);
}

ConsoleRun::ConsoleRun(std::string_view commandLine) : impl_(std::make_unique<Impl>()) {
    impl_->Start(commandLine);
}

ConsoleRun::~ConsoleRun() {
    if (impl_->process != nullptr && !impl_->ended) {
        Cancel();
        Wait();
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

std::optional<RunOutcome> ConsoleRun::Poll() {
    if (impl_->pid == 0 || impl_->TryReap(0)) {
        return impl_->outcome;
    }
    impl_->KillWhenGraceIsOver();
    return std::nullopt;
}

RunOutcome ConsoleRun::Wait(std::string*) {
    if (impl_->pid == 0) {
        return impl_->outcome;
    }
    // The grace has been waited out when the timed wait gives up.
    if (impl_->cancelled && !impl_->TryReap(impl_->MsUntilKill())) {
        impl_->Kill();
    }
    impl_->TryReap(INFINITE);
    return impl_->outcome;
}

void ConsoleRun::Cancel(std::chrono::milliseconds grace) {
    if (impl_->process == nullptr || impl_->cancelled || impl_->TryReap(0)) {
        return;
    }
    impl_->cancelled = true;
    impl_->killAt = Clock::now() + grace;
    if (!SendBreak(impl_->pid)) {
        // The request cannot reach it: there is nothing to wait for.
        impl_->Kill();
    }
}

}  // namespace torvane
