// The requests to stop a run that come from outside it: SIGINT (Ctrl+C, and
// what the window's Cancel sends a tool), SIGTERM and SIGHUP (its terminal
// closed); on Windows SIGINT, SIGTERM and the console's Ctrl+C, Ctrl+Break
// (what the window's Cancel sends there) and closing. While a watch lives
// they only raise a flag, which the run reads at its next step to stop and
// remove what it left unfinished, instead of dying with it on disk. SIGPIPE
// is ignored meanwhile: a reader that stops reading the progress or the
// summary makes a failed write, not a sudden end. One implementation per
// platform (StopRequests_posix.cpp, StopRequests_win32.cpp).
#pragma once

namespace torvane {

class StopRequestWatch {
  public:
    // The first watch clears the flag and takes the signals; one made while
    // another lives only counts, so that a request already made stays.
    StopRequestWatch();
    // The last watch to go puts back what the signals did before.
    ~StopRequestWatch();
    StopRequestWatch(const StopRequestWatch&) = delete;
    StopRequestWatch& operator=(const StopRequestWatch&) = delete;

    // Whether a request to stop came since the first watch began. Any thread.
    static bool Requested();
};

}  // namespace torvane
