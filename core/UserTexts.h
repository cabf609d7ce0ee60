// Every text the program gives a person, in both interface languages, but
// the captions of the main window's controls (the language table,
// ui/Languages.h) and the about windows: what happened to a tool run, the
// summary of a batch, what is wrong with a rule file, and the windows' own
// boxes, labels and reports. The window shows them as the command line
// does, so that both say the same. UTF-8.
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
    OutcomeTimedOut,
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

    // A rule file that cannot be read as one (%1 its path throughout; %2 the
    // line's number where there is one).
    RuleNotFound,
    RuleNotAFile,
    RuleTooLarge,      // %2 the largest size, in KiB
    RuleUnreadable,    // %2 the system's reason
    RuleNotARule,      // %2 the first line a rule file has
    RuleNewerVersion,  // %2 the file's version, %3 the version read here
    RuleNotText,       // %2 the line
    RuleControlChar,   // %2 the line
    RuleNoEquals,      // %2 the line
    RuleUnknownKey,    // %2 the line, %3 the key
    RuleBadValue,      // %2 the line, %3 the value, %4 the key, %5 what it may be
    RuleTwice,         // %2 the line, %3 the key, %4 the line it was first on
    RuleMixedList,     // %2 the line, %3 the key, %4 the word that stands alone
    // A choice of the window that a rule file cannot hold (%1 the code).
    RuleCodeNotSavable,

    // The batch run from the command line.
    CommandUsage,          // %1 what is wrong
    CommandNoRule,         // the rule file is missing
    CommandNoSources,      // no file or folder was given
    CommandOutputTwice,    // --output was given twice
    CommandOutputMissing,  // --output without a folder after it
    CommandUnknownOption,  // %1 the option
    CommandNoSuchPath,     // %1 the path
    CommandFormatsUnread,  // %1 the system's words
    CommandInterrupted,
    CommandSummaryUnwritten,  // %1 the system's reason

    // The windows' own texts.
    // An exception that carries no message.
    UnknownError,

    // The report of an extraction with a failed step: a headline, then one
    // line per failed step with its name (%1) and what happened (%2).
    ExtractionFailed,

    // The console window of an extraction run.
    ConsoleRunning,
    ConsoleCancelling,
    ConsoleCancel,
    ConsoleClose,
    ConsoleOwnConsole,

    // The end of an extraction other than success or failure: cancelled, or
    // with a step that ended with warnings (%1 the step; its lines follow).
    ExtractionCancelled,
    ExtractionWarnings,

    // The output folder cannot be made: %1 the folder as typed, %2 the reason.
    OutputFolderFailed,

    // An answer the new-format dialog refuses, and why.
    ExtensionTooLong,
    ExtensionBlank,
    ExtensionBracket,
    ExtensionReserved,
    // Closing the window: the new rows of the format table could be written
    // neither beside the program nor in the per-user folder (%1 the reason).
    FormatsNotSaved,
    // A file named on the command line that does not exist (%1 its path).
    SourceNotFound,
    // The tools are not beside the program (title and text); leaving the
    // program (title and question).
    ToolsMissingTitle,
    ToolsMissing,
    ExitTitle,
    ExitQuestion,

    // The batch window: its menu item and title, the source list, the rule,
    // the output folder, the preview, the run and its summary.
    BatchMenuItem,
    BatchTitle,
    BatchSources,
    BatchAddFiles,
    BatchAddFolder,
    BatchRemove,
    BatchSourcesHint,
    BatchColumnFile,
    BatchColumnContents,
    BatchIdentifying,
    BatchUnreadable,  // %1 why
    BatchReadWithWarnings,
    BatchVideo,
    BatchAudio,
    BatchSubtitles,
    BatchOneAttachment,
    BatchAttachmentCount,  // %1 how many, more than one
    BatchChaptersPresent,
    BatchTagsPresent,
    BatchNoContents,
    BatchRule,
    BatchLanguages,
    BatchCodecs,
    BatchAnyLanguage,
    BatchAnyCodec,
    BatchChapters,
    BatchChaptersNone,
    BatchChaptersXml,
    BatchChaptersSimple,
    BatchTags,
    BatchOutput,
    BatchBrowse,
    BatchOutputBeside,
    BatchChooseOutput,
    BatchChooseSourceFolder,
    BatchFolderPerSource,
    BatchPrefixedNames,
    BatchPreview,
    BatchSummary,
    BatchColumnOutput,
    BatchColumnHolds,
    BatchGivesOne,
    BatchGivesMany,  // %1 how many
    BatchGivesNothing,
    BatchAttachmentOutput,  // %1 its id, %2 its kind (BatchKind...)
    BatchKindFont,
    BatchKindImage,
    BatchKindOther,
    BatchUnnamedTrack,  // %1 the codec
    BatchStart,
    BatchCopySummary,
    BatchOverall,      // %1 file, %2 files, %3 bytes done, %4 bytes in all
    BatchCurrentFile,  // %1 the file, %2 the step
    BatchWaiting,
    // The rule's attachments by kind, and the rule saved to a file and
    // loaded from one.
    BatchAttachments,
    BatchFonts,
    BatchImages,
    BatchOtherAttachments,
    BatchSaveRule,
    BatchLoadRule,
    BatchSaveRuleTitle,
    BatchRuleFilter,  // as the file dialogs take it: "Description|pattern|..."
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
