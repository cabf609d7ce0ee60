#include "Stdout.h"

// The messages are fixed texts: headline, two CR bytes and the failed call.
// They keep the original wording, typos included, since users and support
// notes quote them.

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

}  // namespace torvane
