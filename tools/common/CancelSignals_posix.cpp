#include "tools/common/CancelSignals.h"

#include <csignal>

namespace tools {

std::span<const int> CancellingSignals() {
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    return kSignals;
}

std::span<const int> IgnoredSignals() {
    static constexpr int kSignals[] = {SIGPIPE};
    return kSignals;
}

void WatchConsoleEvents(void (*)()) {}

void UnwatchConsoleEvents() {}

}  // namespace tools
