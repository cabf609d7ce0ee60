#include "tools/common/CancelSignals.h"

#include <csignal>

namespace tools {

// Windows knows neither SIGHUP nor SIGPIPE.
std::span<const int> CancellingSignals() {
    static constexpr int kSignals[] = {SIGINT, SIGTERM};
    return kSignals;
}

std::span<const int> IgnoredSignals() {
    return {};
}

}  // namespace tools
