// The main window's extraction, decided without a window: when the Extract
// button may be pressed, where the chapter and tag previews are saved and
// with what bytes, and what the box at the end of an extraction says.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/CommandLine.h"
#include "core/StepResult.h"

namespace torvane {

// Extract may be pressed while at least one item of the list is checked.
bool ExtractEnabled(const std::vector<bool>& checks);

// Whether a source can still be given to the tools, checked before anything
// runs for it: a source chosen or listed earlier may have been deleted, or
// its disk unplugged, since.
struct SourceCheck {
    enum class Result {
        Present,  // shortForm names it
        Gone,     // no file at its path any more
        Unnamed,  // the file is there, but has no short form for the command lines
    };
    Result result = Result::Gone;
    std::string shortForm;
};

SourceCheck CheckSource(const std::string& path);

// What the last build of the command lines selected (its four selection
// flags). An extraction that selects nothing does nothing and says nothing,
// least of all success.
struct ExtractionChoice {
    bool tracks = false;
    bool attachments = false;
    bool chapters = false;
    bool tags = false;

    bool Any() const { return tracks || attachments || chapters || tags; }
};

// Where a preview is saved: the short form of the typed output folder with a
// separator (OutputFolderPrefix), then the file name. An empty folder means
// the current folder, and the path is then made absolute, so that a message
// names the file in full.
std::string PreviewPath(const std::string& outputFolder, std::string_view fileName);

// Saves a preview as the tool printed it, plus the CR LF line break that the
// window's memo adds. An existing file stays until the new one is complete;
// a link in its place is replaced, never written through.
// Throws IoError("Cannot create file \"PATH\". REASON").
void SavePreview(const std::string& path, const std::string& preview);

// Saves the chosen previews in the output folder: the chapters as
// Chapters.xml or Chapters.txt by their format, then the tags as Tags.xml.
// The first that cannot be written stops it with its IoError.
void SaveChosenPreviews(const std::string& outputFolder, const ExtractionChoice& choice,
                        ChapterFormat format, const std::string& chaptersPreview,
                        const std::string& tagsPreview);

// What the box at the end of an extraction says, from how its runs of the
// extraction tool ended (in order) and whether a preview could not be saved.
struct ExtractionReport {
    enum class Headline {
        Success,    // every run done, every preview saved
        Warnings,   // done, with a run that warned
        Failed,     // a run failed, or a preview was not saved after a run that failed or warned
        Cancelled,  // a run was cancelled: what came after it was not carried out
        NotSaved,   // the runs done, a preview not saved: its error alone is the report
    };
    Headline headline = Headline::Success;
    // The runs the report names, by index, in order: each that warned (with
    // the tool's words) and each that failed (with what happened to it).
    std::vector<std::size_t> named;
    // The error of the preview that could not be saved ends the report.
    bool saveError = false;
    // Extract may be pressed again at once; after a preview could not be
    // saved it waits for the user to change the checks.
    bool extractEnabled = true;
};

ExtractionReport ReportExtraction(const std::vector<StepResult>& runs, bool previewNotSaved);

}  // namespace torvane
