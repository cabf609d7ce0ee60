// The exit statuses of both tools.
#pragma once

namespace tools {

enum ExitStatus : int {
    kExitOk = 0,        // everything done
    kExitWarnings = 1,  // done, but something was damaged or skipped (told on standard error)
    kExitFailed = 2,    // nothing, or not all that was asked, could be done
};

}  // namespace tools
