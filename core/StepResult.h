#pragma once

namespace torvane {

// How one step of an extraction ended: a run of the extraction tool, or a
// file the program writes itself. The main window's extraction and the
// batch's tell their steps' ends alike.
enum class StepResult {
    Done,
    Warnings,   // done; the tool said something went wrong on the way (status 1)
    Failed,     // not done, or not all of it
    Cancelled,  // stopped on the user's request
};

}  // namespace torvane
