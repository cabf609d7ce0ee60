// How a batch extraction ended, in words: the summary the batch window shows
// and `torvane --batch` prints, made here once so that both say the same,
// and the exit status the command line ends with. UTF-8, in the language
// given.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/BatchPlan.h"
#include "core/BatchSteps.h"
#include "core/Settings.h"
#include "process/BatchRun.h"
#include "process/ConsoleRun.h"
#include "process/SourceProbe.h"

namespace torvane {

// The exit statuses of `torvane --batch`, as the tools' own.
enum BatchExitStatus : int {
    kBatchExitDone = 0,      // every file done, or given nothing by the rule
    kBatchExitWarnings = 1,  // done, but a file warned or tracks were left out
    kBatchExitFailed = 2,    // a file failed, the run was cancelled, or nothing could start
};

// What happened to a tool's run: "ended with exit status 2", "could not
// start: no program 'quarvel' in the program folder or on the search path".
std::string DescribeOutcome(const RunOutcome& outcome, Language language);

// A tool's message lines, each after a line break; past the first 20, "…".
std::string ToolMessagesText(const std::vector<std::string>& lines);

// How a step is called in the reports: "tracks", "chapters", ...
std::string StepName(BatchStep step, Language language);

// Everything to say about a source: why it cannot be read, or the warnings
// it was read with, with the tool's words; empty when there is nothing to
// say. silenceMs is how long the tools were let stay silent.
std::string SourceProblemText(const SourceProbe& probe, int silenceMs, Language language);

// One file's line of the summary.
struct FileReport {
    std::string name;  // the source's file name
    FileStatus status = FileStatus::Skipped;
    std::vector<std::string> reasons;  // each may span lines
    // Not run because the run was stopped before its turn: skipped in the
    // summary, but what the rule asked of it was not done.
    bool stoppedBefore = false;
};

// How a file came out. run is its steps' ends when it ran (nullptr when it
// did not); cancelledBefore tells that the run was cancelled before its turn.
FileReport ReportFile(const FilePlan& file, const SourceProbe& probe, const BatchFileEnd* run,
                      bool cancelledBefore, int silenceMs, Language language);

// The totals, an empty line, then a line per file with its name and status
// and, indented below it, the reasons; every line ends in LF.
std::string SummaryText(const std::vector<FileReport>& reports, Language language);

// The reports of a run's files: the plan it ran, each file's probe and end
// (by the plan's index; std::nullopt for a file that did not run), and
// whether it was cancelled.
std::vector<FileReport> ReportFiles(const std::vector<FilePlan>& plan,
                                    const std::vector<SourceProbe>& probes,
                                    const std::vector<std::optional<BatchFileEnd>>& ends,
                                    bool cancelled, int silenceMs, Language language);

// SummaryText of ReportFiles: what the window and the command line show.
std::string BatchSummaryText(const std::vector<FilePlan>& plan,
                             const std::vector<SourceProbe>& probes,
                             const std::vector<std::optional<BatchFileEnd>>& ends, bool cancelled,
                             int silenceMs, Language language);

// The exit status of a run from its files' reports: failed when a file
// failed, was cancelled or was not run because the run was stopped before
// its turn, with warnings when one warned or had tracks left out, else done.
BatchExitStatus ExitStatusOf(const std::vector<FilePlan>& plan,
                             const std::vector<FileReport>& reports);

}  // namespace torvane
