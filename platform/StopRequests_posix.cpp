#include <signal.h>

#include <array>
#include <atomic>

#include "platform/StopRequests.h"

namespace torvane {
namespace {

// Lock-free, so the handler may set it and any thread read it.
std::atomic<bool> g_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Watches are made and ended on one thread at a time.
int g_watches = 0;

constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};

// The handlers the signals had, in kStopSignals order, then SIGPIPE's.
std::array<struct sigaction, kStopSignals.size() + 1> g_previous;

void OnStop(int) {
    g_requested = true;
}

}  // namespace

StopRequestWatch::StopRequestWatch() {
    if (g_watches++ > 0) {
        return;
    }
    g_requested = false;
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    // A wait or a read the signal interrupts is taken up again; the run
    // looks at the flag at its next step.
    action.sa_flags = SA_RESTART;
    action.sa_handler = OnStop;
    for (std::size_t k = 0; k < kStopSignals.size(); ++k) {
        sigaction(kStopSignals[k], &action, &g_previous[k]);
    }
    action.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &action, &g_previous.back());
}

StopRequestWatch::~StopRequestWatch() {
    if (--g_watches > 0) {
        return;
    }
    for (std::size_t k = 0; k < kStopSignals.size(); ++k) {
        sigaction(kStopSignals[k], &g_previous[k], nullptr);
    }
    sigaction(SIGPIPE, &g_previous.back(), nullptr);
}

bool StopRequestWatch::Requested() {
    return g_requested;
}

}  // namespace torvane
