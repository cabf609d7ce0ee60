#include "tools/common/Cancel.h"

#include <csignal>

namespace tools {

namespace {

volatile std::sig_atomic_t g_cancelled = 0;

void OnCancel(int) {
    g_cancelled = 1;
}

}  // namespace

CancelOnSignal::CancelOnSignal() {
    g_cancelled = 0;
    oldInt_ = std::signal(SIGINT, OnCancel);
    oldTerm_ = std::signal(SIGTERM, OnCancel);
#ifdef SIGHUP
    oldHup_ = std::signal(SIGHUP, OnCancel);
#endif
#ifdef SIGPIPE
    oldPipe_ = std::signal(SIGPIPE, SIG_IGN);
#endif
}

CancelOnSignal::~CancelOnSignal() {
    std::signal(SIGINT, oldInt_);
    std::signal(SIGTERM, oldTerm_);
#ifdef SIGHUP
    std::signal(SIGHUP, oldHup_);
#endif
#ifdef SIGPIPE
    std::signal(SIGPIPE, oldPipe_);
#endif
}

bool CancelOnSignal::Cancelled() {
    return g_cancelled != 0;
}

}  // namespace tools
