#include "process/CapturedRun.h"

#include <optional>

// The messages are fixed texts: headline, two CR bytes and the failed call.
// They stay word for word, typos included: people quote them when they
// report a problem.

namespace torvane {

ECreatePipeErr::ECreatePipeErr()
    : Exception(
          "Error when creating - Pipe.\r\rCreatePipe(FChildStdoutRd, FChildStdoutWr, "
          "saAttr, 0)") {}

EDuplicateHandleErr::EDuplicateHandleErr()
    : Exception(
          "Error when duplicate Handle Msg.\r\rDuplicateHandle(GetCurrentProcess(), "
          "FChildStdoutRd, GetCurrentProcess(), @FChildStdoutRdDup, 0, False, "
          "DUPLICATE_SAME_ACCESS)") {}

ECreateChildProcessErr::ECreateChildProcessErr()
    : Exception(
          "Error creating Chilg Process.\r\rCreateChildProcess(ExeName, CommadLine, "
          "FChildStdoutWr)") {}

CapturedOutput RunCaptured(const std::string& command, int silenceMs) {
    CapturedOutput captured;
    std::optional<TChildProc> started;
    try {
        started.emplace(command, std::string());
    } catch (const Exception& failure) {
        captured.end = RunOutcome::NotStartedBecause(failure.what());
        return captured;
    }
    TChildProc& child = *started;
    child.ReadChildOutput(silenceMs, captured.output);
    captured.end = child.Finish();
    captured.errors = child.ErrorOutput();
    return captured;
}

}  // namespace torvane
