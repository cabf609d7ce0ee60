// The requests to stop that reach a batch run from the command line: Ctrl+C
// (SIGINT), SIGTERM and SIGHUP (its terminal closed); on Windows the
// console's Ctrl+C, Ctrl+Break and closing. While a watch lives they only
// raise a flag, which the run reads to cancel its running tool, so that the
// tool removes its unfinished file and nothing after it starts. SIGPIPE is
// ignored meanwhile, so that a summary nobody reads any more is a failed
// write, not a sudden end. One implementation per platform
// (Interruption_posix.cpp, Interruption_win32.cpp).
#pragma once

namespace torvane {

class InterruptionWatch {
  public:
    InterruptionWatch();
    // Puts back what the signals did before.
    ~InterruptionWatch();
    InterruptionWatch(const InterruptionWatch&) = delete;
    InterruptionWatch& operator=(const InterruptionWatch&) = delete;

    // Whether a request to stop came since the watch began.
    static bool Interrupted();
};

}  // namespace torvane
