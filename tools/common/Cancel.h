// Cancellation of a tool run by SIGINT or SIGTERM (what the window's Cancel
// sends): while a CancelOnSignal lives, the signals only raise a flag, so the
// run can stop at its next step and remove its temporary files instead of
// dying with them on disk.
#pragma once

namespace tools {

class CancelOnSignal {
  public:
    CancelOnSignal();
    ~CancelOnSignal();
    CancelOnSignal(const CancelOnSignal&) = delete;
    CancelOnSignal& operator=(const CancelOnSignal&) = delete;

    // Whether SIGINT or SIGTERM came since construction.
    static bool Cancelled();

  private:
    void (*oldInt_)(int);
    void (*oldTerm_)(int);
};

}  // namespace tools
