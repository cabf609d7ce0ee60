#include <windows.h>

#include <atomic>
#include <csignal>

#include "process/Interruption.h"

namespace torvane {
namespace {

std::atomic<bool> g_interrupted{false};
void (*g_previousInt)(int) = SIG_DFL;
void (*g_previousTerm)(int) = SIG_DFL;

void OnStop(int) {
    g_interrupted = true;
}

// Runs on a thread of the system's. For the console closing the system ends
// the process as soon as this returns: the run is given the time the
// system allows to cancel its tool, which removes its unfinished file.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            g_interrupted = true;
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            g_interrupted = true;
            Sleep(5000);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

InterruptionWatch::InterruptionWatch() {
    g_interrupted = false;
    g_previousInt = std::signal(SIGINT, OnStop);
    g_previousTerm = std::signal(SIGTERM, OnStop);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptionWatch::~InterruptionWatch() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    std::signal(SIGINT, g_previousInt);
    std::signal(SIGTERM, g_previousTerm);
}

bool InterruptionWatch::Interrupted() {
    return g_interrupted;
}

}  // namespace torvane
