#include "tools/common/CancelSignals.h"

#include <windows.h>

#include <atomic>
#include <csignal>

namespace tools {

namespace {

std::atomic<void (*)()> g_cancel{nullptr};
int g_watches = 0;

// Runs on a thread of the system's. Ctrl+C and Ctrl+Break only raise the
// flag; for the console closing (or the session ending) the system ends the
// process as soon as this returns, so it waits out the time the system
// allows, in which the run stops and removes its temporary files, its own end
// ending this wait.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    void (*cancel)() = g_cancel.load();
    if (cancel == nullptr) {
        return FALSE;
    }
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            cancel();
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            cancel();
            Sleep(5000);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

// Windows knows neither SIGHUP nor SIGPIPE.
std::span<const int> CancellingSignals() {
    static constexpr int kSignals[] = {SIGINT, SIGTERM};
    return kSignals;
}

std::span<const int> IgnoredSignals() {
    return {};
}

// Watches nest (a CancelOnSignal may live inside another): the handler goes
// with the last.
void WatchConsoleEvents(void (*cancel)()) {
    g_cancel = cancel;
    if (g_watches++ == 0) {
        SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    }
}

void UnwatchConsoleEvents() {
    if (--g_watches == 0) {
        SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
        g_cancel = nullptr;
    }
}

}  // namespace tools
