// Cancellation of a tool run by SIGINT or SIGTERM (what the window's Cancel
// sends), or SIGHUP (its terminal closed): while a CancelOnSignal lives, the
// signals only raise a flag, so the run can stop at its next step and remove
// its temporary files instead of dying with them on disk. SIGPIPE is ignored
// meanwhile: a reader that stops reading the progress must not end the run,
// which goes on writing its files. On Windows the console's Ctrl+C and
// Ctrl+Break events (what the window's Cancel sends there) and its closing
// cancel alike.
#pragma once

#include <vector>

namespace tools {

class CancelOnSignal {
  public:
    CancelOnSignal();
    ~CancelOnSignal();
    CancelOnSignal(const CancelOnSignal&) = delete;
    CancelOnSignal& operator=(const CancelOnSignal&) = delete;

    // Whether SIGINT, SIGTERM, SIGHUP or a console event came since
    // construction.
    static bool Cancelled();

  private:
    // Each signal handled, and the handler it had before.
    struct Previous {
        int signal;
        void (*handler)(int);
    };
    std::vector<Previous> previous_;
};

}  // namespace tools
