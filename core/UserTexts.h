// The texts the window-free code gives a person: what happened to a tool
// run and the summary of a batch, in both interface languages, kept once
// for the window and everything else that reports. UTF-8.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "core/Settings.h"

namespace torvane {

// One key per text. A text with %1, %2 ... is completed by Filled.
enum class UserText {
    // A step of an extraction, and how it ended: its name (%1) and what
    // happened (%2); or done with warnings (%1 the step; its lines follow).
    FailedStep,
    StepWarnings,
    StepFolder,
    StepTracks,
    StepAttachments,
    StepChapters,
    StepTags,

    // What happened to a run of a tool.
    OutcomeNotStarted,   // %1 the reason
    OutcomeExitStatus,   // %1 the status
    OutcomeSignal,       // %1 the signal's number
    OutcomeSignalNamed,  // %1 the number, %2 the system's name of the signal
    OutcomeCancelled,
    OutcomeLost,  // %1 the system's reason
    OutcomeUnknown,

    // Why a tool could not be started (after OutcomeNotStarted).
    StartEmptyCommand,
    StartNoProgram,      // %1 the program's name
    StartNoPipe,         // %1 the system's reason
    StartCannotRun,      // %1 the program, %2 the system's reason
    StartCannotPrepare,  // %1 the program

    // Reading a source file: the identification tool failed (%1 what
    // happened to it; its messages follow) or warned (its messages follow);
    // a tool went silent (%1 the tool and its mode, %2 the seconds waited).
    ListingFailed,
    ListingWarnings,
    CaptureTimedOut,
    // A source that was read, but is gone (or cannot be named to the tools)
    // when its extraction starts (%1 its path).
    SourceGone,
    SourceNotNamed,

    // The summary of a batch: the totals, a file's status, and the reasons.
    BatchTotals,  // %1 done, %2 with warnings, %3 failed, %4 cancelled, %5 skipped
    BatchFileDone,
    BatchFileWarnings,
    BatchFileFailed,
    BatchFileCancelled,
    BatchFileSkipped,
    BatchFolderNotMade,   // %1 the folder, %2 the reason
    BatchFolderNotNamed,  // %1 the folder
    BatchNothingPrinted,  // %1 the tool and its mode
    BatchNothingForRule,
    BatchNotRunAfterCancel,
    BatchTrackLeftOut,  // %1 the track's number, %2 the codec
};

// The text of a key in a language; Unrecognised counts as English. A key
// without a text is a programming error and throws torvane::Exception.
std::string TextOf(UserText key, Language language);

// The pattern with %1 ... %9 replaced by the arguments in one pass, so that
// an argument holding "%2" stays as it is. A number without an argument
// stays as it is.
std::string Filled(std::string_view pattern, std::initializer_list<std::string_view> arguments);

// TextOf, then Filled.
std::string TextOf(UserText key, Language language,
                   std::initializer_list<std::string_view> arguments);

struct UserTextRow {
    UserText key;
    std::string_view spanish;
    std::string_view english;
};

// Every row, one per key.
std::span<const UserTextRow> UserTextRows();

}  // namespace torvane
