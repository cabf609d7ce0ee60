#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/StopRequests.h"

namespace torvane {
namespace {

std::atomic<bool> g_requested{false};

// Watches are made and ended on one thread at a time.
int g_watches = 0;

void (*g_previousInt)(int) = SIG_DFL;
void (*g_previousTerm)(int) = SIG_DFL;

// The C runtime gives a signal back to its default as it calls the handler:
// taken again at once, so that a second request is one too, not an end.
void OnStop(int signal) {
    std::signal(signal, OnStop);
    g_requested = true;
}

// Runs on a thread of the system's. Ctrl+C and Ctrl+Break only raise the
// flag; for the console closing (or the session ending) the system ends the
// process as soon as this returns, so it waits out the time the system
// allows, in which the run stops and removes its unfinished files, its own
// end ending this wait.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            g_requested = true;
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            g_requested = true;
            Sleep(5000);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

// Windows knows neither SIGHUP nor SIGPIPE.
StopRequestWatch::StopRequestWatch() {
    if (g_watches++ > 0) {
        return;
    }
    g_requested = false;
    g_previousInt = std::signal(SIGINT, OnStop);
    g_previousTerm = std::signal(SIGTERM, OnStop);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopRequestWatch::~StopRequestWatch() {
    if (--g_watches > 0) {
        return;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    std::signal(SIGINT, g_previousInt);
    std::signal(SIGTERM, g_previousTerm);
}

bool StopRequestWatch::Requested() {
    return g_requested;
}

}  // namespace torvane
