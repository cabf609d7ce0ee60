#include "tools/common/Cancel.h"

#include <csignal>

#include "tools/common/CancelSignals.h"

namespace tools {

namespace {

volatile std::sig_atomic_t g_cancelled = 0;

void OnCancel(int) {
    g_cancelled = 1;
}

}  // namespace

CancelOnSignal::CancelOnSignal() {
    g_cancelled = 0;
    for (const int signal : CancellingSignals()) {
        previous_.push_back({signal, std::signal(signal, OnCancel)});
    }
    for (const int signal : IgnoredSignals()) {
        previous_.push_back({signal, std::signal(signal, SIG_IGN)});
    }
    WatchConsoleEvents([] { g_cancelled = 1; });
}

CancelOnSignal::~CancelOnSignal() {
    UnwatchConsoleEvents();
    for (const Previous& p : previous_) {
        std::signal(p.signal, p.handler);
    }
}

bool CancelOnSignal::Cancelled() {
    return g_cancelled != 0;
}

}  // namespace tools
