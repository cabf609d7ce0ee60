#pragma once

#include <sys/types.h>

#include "process/CommandSplit.h"

// POSIX only, internal to process/: how the captured run and the console run
// start their child. Both give it default signal handling, nothing blocked and
// none of this program's other descriptors; they differ in where the standard
// handles lead and in the process group.

namespace torvane {

// Makes a pipe whose two ends close on exec and stand above the standard
// handles: should this program have started with one of those closed, dup2
// onto an end that already is the target would keep its close-on-exec flag
// and the child would lose that handle. False with errno set when it fails;
// nothing is left open then.
bool MakeSpawnPipe(int& readEnd, int& writeEnd);

// Where one standard handle of the child leads: a descriptor of this program
// (duplicated onto the handle), or /dev/null when kNullDevice.
constexpr int kNullDevice = -1;

struct SpawnSetup {
    int stdinFrom = kNullDevice;
    int stdoutTo = kNullDevice;
    int stderrTo = kNullDevice;
    // The child leads a process group of its own.
    bool ownProcessGroup = false;
};

struct SpawnResult {
    enum class Failure {
        None,
        FileActions,  // the standard handles or the closing of the rest could not be set up
        Attributes,   // the signal handling or the process group could not be set up
        Start,        // posix_spawn failed; error is its error number
    };
    Failure failure = Failure::None;
    int error = 0;
    pid_t pid = -1;  // the child, when failure is None
};

// Starts command with the environment of this program. The standard handles
// are set up before the attributes, so a failure of both reports FileActions.
SpawnResult SpawnChild(const ResolvedCommand& command, const SpawnSetup& setup);

}  // namespace torvane
