// Which signals cancel a tool run and which are ignored while it runs: what
// CancelOnSignal handles, one list per platform (CancelSignals_posix.cpp,
// CancelSignals_win32.cpp).
#pragma once

#include <span>

namespace tools {

// SIGINT and SIGTERM everywhere; SIGHUP (the terminal closed) where it exists.
std::span<const int> CancellingSignals();

// SIGPIPE where it exists: a reader that stops reading the progress must not
// end the run.
std::span<const int> IgnoredSignals();

}  // namespace tools
