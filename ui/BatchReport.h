// The batch window's texts about its files, in the language in force: what a
// source holds or why it cannot be read, what an output holds, and the
// summary of a run.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "core/BatchPlan.h"
#include "core/BatchSteps.h"
#include "process/BatchRun.h"
#include "process/SourceProbe.h"

// A source's line in the list: its tracks by type with their languages, its
// attachments, chapters and tags; or why it cannot be read. silenceMs is how
// long the tools were let stay silent.
QString SourceContentsText(const torvane::SourceProbe& probe, int silenceMs);

// Everything said about a source: why it cannot be read, or the warnings it
// was read with, with the tool's words; empty when there is nothing to say.
QString SourceMessagesText(const torvane::SourceProbe& probe, int silenceMs);

// What an output holds: "audio · Spanish (spa) · AAC (A_AAC)", "attachment 2",
// "chapters".
QString OutputHoldsText(const torvane::PlannedOutput& output);

// How a step is called in the reports: "tracks", "chapters", ...
QString StepName(torvane::BatchStep step);

// One file's line of the summary.
struct TBatchFileReport {
    torvane::FileStatus status = torvane::FileStatus::Skipped;
    QStringList reasons;  // each may span lines
};

// How a file came out. run is its steps' ends when it ran (nullptr when it
// did not); cancelledBefore tells that the run was cancelled before its turn.
TBatchFileReport ReportFile(const torvane::FilePlan& file, const torvane::SourceProbe& probe,
                            const torvane::BatchFileEnd* run, bool cancelledBefore, int silenceMs);

// The totals, then a line per file with its name and status and, indented
// below it, the reasons.
QString SummaryText(const std::vector<QString>& names,
                    const std::vector<TBatchFileReport>& reports);
