// The texts the program shows beyond the 39 rows of the language table: its
// own boxes, the console window, the reports of a run. Each exists in both
// interface languages and is shown in the language in force.
#pragma once

#include <QString>
#include <span>

#include "core/Settings.h"
#include "ui/Languages.h"

// One key per text. A text with %1, %2 ... is completed with QString::arg
// (all its arguments in one call, so that an argument holding "%2" stays as
// it is).
enum class TMessage {
    // An exception that carries no message.
    UnknownError,

    // The report of an extraction with a failed step: a headline, then one
    // line per failed step with its name (%1) and what happened (%2).
    ExtractionFailed,
    FailedStep,
    StepTracks,
    StepAttachments,

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
    StepWarnings,

    // The output folder cannot be made: %1 the folder as typed, %2 the reason.
    OutputFolderFailed,

    // Reading a source file: the identification tool failed (%1 what
    // happened to it; its messages follow) or warned (its messages follow);
    // a tool went silent (%1 the tool and its mode, %2 the seconds waited).
    ListingFailed,
    ListingWarnings,
    CaptureTimedOut,

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
    // A source that was read, but is gone (or cannot be named to the tools)
    // when its extraction starts (%1 its path).
    SourceGone,
    SourceNotNamed,

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
    StepChapters,
    StepTags,
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

struct TMessageRow {
    TMessage key;
    const char16_t* spanish;
    const char16_t* english;
};

// Every row, one per key.
std::span<const TMessageRow> MessageRows();

// The language in force: the one last applied to the windows (the language
// table's ApplyLanguageTexts sets it), and Spanish, the language of the
// design texts, until one is. Qt's own texts (standard buttons, the file and
// folder choosers) follow it.
TLanguage LanguageInForce();
void SetLanguageInForce(TLanguage language);

// The text of a key in the language in force, or in the one given. The
// texts the window shares with the window-free reports (core/UserTexts.h)
// come from there. A key without a text is a programming error and throws
// torvane::Exception.
QString Message(TMessage key);
QString Message(TMessage key, TLanguage language);

// The language in force as the window-free code names it.
torvane::Language CoreLanguage();
