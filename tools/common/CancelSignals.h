// Which signals cancel a tool run and which are ignored while it runs, and
// the other ways the system tells of a cancel: what CancelOnSignal handles,
// one implementation per platform (CancelSignals_posix.cpp,
// CancelSignals_win32.cpp).
#pragma once

#include <span>

namespace tools {

// SIGINT and SIGTERM everywhere; SIGHUP (the terminal closed) where it exists.
std::span<const int> CancellingSignals();

// SIGPIPE where it exists: a reader that stops reading the progress must not
// end the run.
std::span<const int> IgnoredSignals();

// From WatchConsoleEvents until UnwatchConsoleEvents, the console's control
// events call `cancel`, as SIGTERM does: on Windows CTRL_C_EVENT,
// CTRL_BREAK_EVENT (what the window's Cancel sends to the tool's process
// group) and the console closing. Elsewhere the signals say it all.
void WatchConsoleEvents(void (*cancel)());
void UnwatchConsoleEvents();

}  // namespace tools
