#include <signal.h>

#include <array>
#include <csignal>

#include "process/Interruption.h"

namespace torvane {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};

// The handlers the signals had, in kStopSignals order, then SIGPIPE's.
std::array<struct sigaction, kStopSignals.size() + 1> g_previous;

void OnStop(int) {
    g_interrupted = 1;
}

}  // namespace

InterruptionWatch::InterruptionWatch() {
    g_interrupted = 0;
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    // The run's waits for its tools take an interrupted call up again.
    action.sa_flags = SA_RESTART;
    action.sa_handler = OnStop;
    for (std::size_t k = 0; k < kStopSignals.size(); ++k) {
        sigaction(kStopSignals[k], &action, &g_previous[k]);
    }
    action.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &action, &g_previous.back());
}

InterruptionWatch::~InterruptionWatch() {
    for (std::size_t k = 0; k < kStopSignals.size(); ++k) {
        sigaction(kStopSignals[k], &g_previous[k], nullptr);
    }
    sigaction(SIGPIPE, &g_previous.back(), nullptr);
}

bool InterruptionWatch::Interrupted() {
    return g_interrupted != 0;
}

}  // namespace torvane
