#pragma once

#include <string>

#include "core/StepResult.h"

namespace torvane {

// How a run of a tool ended, captured (CapturedRun.h) or in a console of its
// own (ConsoleRun.h). Each case is told apart so that the user can be told
// what happened; a caller that switches on kind names every case.
struct RunOutcome {
    enum class Kind {
        NotStarted,  // the tool could not be started; startFailure says why
        Exited,      // the tool ended by itself; code is its exit status
        Signalled,   // the tool was killed by a signal it did not ask for; code is the signal
        TimedOut,    // a captured tool went silent for the whole limit, or had not ended
                     // shortly after closing its output; it was killed
        Cancelled,   // the run was ended on request before the tool had ended by itself
        Lost,        // the system could not tell how (or whether) the tool ended; reason says why
    };
    // Why a tool was not started.
    enum class StartFailure {
        EmptyCommand,   // the command line holds no word
        NoProgram,      // no program of that name in the program folder or on the search path
        NoPipe,         // the output pipe could not be made; reason is the system's text
        CannotRun,      // the system refused to start program; reason is its text
        CannotPrepare,  // the start of program could not be set up
        AsReasonSays,   // a captured run's start failed; reason is its fixed message
    };
    Kind kind = Kind::NotStarted;
    int code = 0;
    StartFailure startFailure = StartFailure::EmptyCommand;
    std::string program;
    std::string reason;  // why, in UTF-8 (the system's own text where it gave one)

    // A captured run that could not be started: reason is the message its
    // start threw.
    static RunOutcome NotStartedBecause(std::string reason);

    // True only for a tool that ended by itself with status 0.
    bool Succeeded() const { return kind == Kind::Exited && code == 0; }

    // The tools end with status 1 when all asked for was done, with warnings
    // (damage found, something skipped) on their error output.
    bool CompletedWithWarnings() const { return kind == Kind::Exited && code == 1; }
};

// How a run of an extraction step ended: done (status 0), with warnings
// (status 1), cancelled, or failed (any other end).
StepResult StepResultOf(const RunOutcome& outcome);

// The system's name of a signal ("Segmentation fault"), or the empty text
// where the platform has none.
std::string SignalDescription(int signal);

}  // namespace torvane
