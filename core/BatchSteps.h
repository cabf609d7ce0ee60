// How a batch extraction carries out one file's plan, step by step, and how
// the ends of its steps sum up into the file's line of the summary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/BatchPlan.h"
#include "core/StepResult.h"

namespace torvane {

enum class BatchStep {
    Folder,       // the file's output folder made, with its parents
    Tracks,       // one pass of the extraction tool over the source for all its tracks
    Attachments,  // one run for all its attachments
    Chapters,     // the tool's printed chapters saved, plus CR LF
    Tags,         // the tool's printed tags saved, plus CR LF
};

// The steps of a file with outputs, in the order they run: the folder, then
// each of the others that has an output of its kind.
std::vector<BatchStep> StepsOf(const FilePlan& file);

// The command line of a Tracks or Attachments step: the extraction tool's
// bare name, its mode, the source's short form, then "id:FOLDER NAME" for
// every output of that kind, FOLDER being the short form of the file's
// folder with its separator; both as CommandWord gives them.
std::string StepCommandLine(const FilePlan& file, BatchStep step, const std::string& shortSource,
                            const std::string& shortFolder);

// The output a Chapters or Tags step writes; nullptr for another step.
const PlannedOutput* SavedOutput(const FilePlan& file, BatchStep step);

// A tool's message names a file or folder by the short form it was given;
// the user knows it by its own path: every occurrence of shortForm in the
// text becomes path. An empty short form changes nothing.
std::string WithUserPath(std::string text, const std::string& shortForm, const std::string& path);

// How far a batch run has come, for its overall bar: the bytes of the files
// done, and of the current one as far as its tracks pass has read it.
struct BatchProgress {
    std::size_t filesRun = 0;
    std::size_t filesToRun = 0;
    std::uint64_t bytesRun = 0;
    std::uint64_t bytesToRun = 0;
    std::uint64_t currentBytes = 0;  // the size of the file at work; 0 between files
    int currentPercent = 0;

    // A file's end: one that ran through, done or failed, counts with its
    // bytes; a cancelled one adds nothing to what was done.
    void FileEnded(std::uint64_t bytes, bool cancelled);

    std::uint64_t BytesDone() const;
    // Out of 1000: by bytes, or by files when the files hold no byte.
    int Permille() const;
    // The file at work, counted from 1, never past the last.
    std::size_t FileShown() const;
};

// A file's line in the summary.
enum class FileStatus {
    Done,
    DoneWithWarnings,
    Failed,
    Cancelled,
    Skipped,  // nothing run: unreadable, nothing to extract, or after a Cancel
};

// The status of a file whose steps ran, from their ends in order: Cancelled
// when one was cancelled, else Failed when one failed, else with warnings
// when one warned or the rule's tracks had to be left out (unnamed), else
// Done.
FileStatus StatusOfSteps(const std::vector<StepResult>& results, bool tracksLeftOut);

}  // namespace torvane
