#include "process/BatchSummary.h"

#include <algorithm>
#include <map>

#include "core/CodecTable.h"
#include "core/UserTexts.h"

namespace torvane {
namespace {

using Problem = BatchStepEnd::Problem;

constexpr std::string_view kIndent = "    ";
// A tool's message lines shown at most; the rest is in its own output.
constexpr std::size_t kShownToolLines = 20;

// Milliseconds as seconds, as few decimals as they need: "30", "0.5".
std::string Seconds(int milliseconds) {
    std::string text = std::to_string(milliseconds / 1000);
    const int rest = milliseconds % 1000;
    if (rest != 0) {
        std::string decimals = std::to_string(1000 + rest).substr(1);
        decimals.erase(decimals.find_last_not_of('0') + 1);
        text += "." + decimals;
    }
    return text;
}

// Runs of white space made one blank, none at either end: a system's reason
// may span lines.
std::string Simplified(std::string_view text) {
    std::string simple;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || (c >= '\t' && c <= '\r')) {
            blank = !simple.empty();
        } else {
            if (blank) {
                simple += ' ';
                blank = false;
            }
            simple += c;
        }
    }
    return simple;
}

std::string StartFailureText(const RunOutcome& outcome, Language language) {
    using Failure = RunOutcome::StartFailure;
    switch (outcome.startFailure) {
        case Failure::EmptyCommand:
            return TextOf(UserText::StartEmptyCommand, language);
        case Failure::NoProgram:
            return TextOf(UserText::StartNoProgram, language, {outcome.program});
        case Failure::NoPipe:
            return TextOf(UserText::StartNoPipe, language, {outcome.reason});
        case Failure::CannotRun:
            return TextOf(UserText::StartCannotRun, language, {outcome.program, outcome.reason});
        case Failure::CannotPrepare:
            return TextOf(UserText::StartCannotPrepare, language, {outcome.program});
        case Failure::AsReasonSays:
            return Simplified(outcome.reason);
    }
    return {};
}

// The tool and its mode as a step runs it.
std::string ToolOfStep(BatchStep step) {
    return step == BatchStep::Chapters ? "quarvel chapters" : "quarvel tags";
}

std::string ListingProblem(const SourceProbe& probe, int silenceMs, Language language) {
    if (probe.listingEnd.kind == RunOutcome::Kind::TimedOut) {
        return TextOf(UserText::CaptureTimedOut, language, {"ostrem -i", Seconds(silenceMs)});
    }
    return TextOf(UserText::ListingFailed, language,
                  {DescribeOutcome(probe.listingEnd, language)}) +
           ToolMessagesText(probe.source.messages);
}

std::string StepProblem(const FilePlan& file, const BatchStepEnd& end, int silenceMs,
                        Language language) {
    switch (end.problem) {
        case Problem::SourceGone:
            return TextOf(UserText::SourceGone, language, {file.source});
        case Problem::SourceNotNamed:
            return TextOf(UserText::SourceNotNamed, language, {file.source});
        case Problem::FolderNotMade:
            return TextOf(UserText::BatchFolderNotMade, language, {file.folder, end.detail});
        case Problem::FolderNotNamed:
            return TextOf(UserText::BatchFolderNotNamed, language, {file.folder});
        case Problem::NothingPrinted:
            return TextOf(UserText::BatchNothingPrinted, language, {ToolOfStep(end.step)});
        case Problem::FileNotWritten:
        case Problem::Unexpected:
            return end.detail;
        case Problem::None:
            break;
    }
    if (end.outcome.kind == RunOutcome::Kind::TimedOut) {
        return TextOf(UserText::CaptureTimedOut, language,
                      {ToolOfStep(end.step), Seconds(silenceMs)});
    }
    return TextOf(UserText::FailedStep, language,
                  {StepName(end.step, language), DescribeOutcome(end.outcome, language)}) +
           ToolMessagesText(end.messages);
}

// A reason spanning lines, each line under the file's.
std::string Indented(const std::string& reason) {
    std::string text(kIndent);
    for (const char c : reason) {
        text += c;
        if (c == '\n') {
            text += kIndent;
        }
    }
    return text;
}

std::string StatusText(FileStatus status, Language language) {
    switch (status) {
        case FileStatus::Done:
            return TextOf(UserText::BatchFileDone, language);
        case FileStatus::DoneWithWarnings:
            return TextOf(UserText::BatchFileWarnings, language);
        case FileStatus::Failed:
            return TextOf(UserText::BatchFileFailed, language);
        case FileStatus::Cancelled:
            return TextOf(UserText::BatchFileCancelled, language);
        case FileStatus::Skipped:
            break;
    }
    return TextOf(UserText::BatchFileSkipped, language);
}

std::vector<std::string> LeftOut(const FilePlan& file, Language language) {
    std::vector<std::string> reasons;
    for (const UnnamedTrack& track : file.unnamed) {
        reasons.push_back(TextOf(UserText::BatchTrackLeftOut, language,
                                 {std::to_string(track.number), CodecDisplayName(track.codec)}));
    }
    return reasons;
}

}  // namespace

std::string DescribeOutcome(const RunOutcome& outcome, Language language) {
    using Kind = RunOutcome::Kind;
    switch (outcome.kind) {
        case Kind::NotStarted:
            return TextOf(UserText::OutcomeNotStarted, language,
                          {StartFailureText(outcome, language)});
        case Kind::Exited:
            return TextOf(UserText::OutcomeExitStatus, language, {std::to_string(outcome.code)});
        case Kind::Signalled: {
            const std::string name = SignalDescription(outcome.code);
            if (name.empty()) {
                return TextOf(UserText::OutcomeSignal, language, {std::to_string(outcome.code)});
            }
            return TextOf(UserText::OutcomeSignalNamed, language,
                          {std::to_string(outcome.code), name});
        }
        case Kind::TimedOut:
            return TextOf(UserText::OutcomeTimedOut, language);
        case Kind::Cancelled:
            return TextOf(UserText::OutcomeCancelled, language);
        case Kind::Lost:
            return TextOf(UserText::OutcomeLost, language, {outcome.reason});
    }
    return TextOf(UserText::OutcomeUnknown, language);
}

std::string ToolMessagesText(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t k = 0; k < lines.size() && k < kShownToolLines; ++k) {
        text += "\n" + lines[k];
    }
    if (lines.size() > kShownToolLines) {
        text += "\n…";
    }
    return text;
}

std::string StepName(BatchStep step, Language language) {
    switch (step) {
        case BatchStep::Folder:
            return TextOf(UserText::StepFolder, language);
        case BatchStep::Tracks:
            return TextOf(UserText::StepTracks, language);
        case BatchStep::Attachments:
            return TextOf(UserText::StepAttachments, language);
        case BatchStep::Chapters:
            return TextOf(UserText::StepChapters, language);
        case BatchStep::Tags:
            break;
    }
    return TextOf(UserText::StepTags, language);
}

std::string SourceProblemText(const SourceProbe& probe, int silenceMs, Language language) {
    switch (probe.source.state) {
        case BatchSource::State::Unreadable:
            return ListingProblem(probe, silenceMs, language);
        case BatchSource::State::Readable:
            if (!probe.source.messages.empty()) {
                return TextOf(UserText::ListingWarnings, language) +
                       ToolMessagesText(probe.source.messages);
            }
            break;
        case BatchSource::State::Identifying:
            break;
    }
    return {};
}

FileReport ReportFile(const FilePlan& file, const SourceProbe& probe, const BatchFileEnd* run,
                      bool cancelledBefore, int silenceMs, Language language) {
    FileReport report;
    report.name = FileNameOf(file.source);
    if (file.state == FilePlan::State::Unreadable) {
        report.status = FileStatus::Failed;
        report.reasons.push_back(SourceProblemText(probe, silenceMs, language));
        return report;
    }
    if (run == nullptr) {
        report.status = FileStatus::Skipped;
        if (cancelledBefore && file.state == FilePlan::State::Outputs) {
            report.stoppedBefore = true;
            report.reasons.push_back(TextOf(UserText::BatchNotRunAfterCancel, language));
        } else {
            report.reasons = LeftOut(file, language);
            if (report.reasons.empty()) {
                report.reasons.push_back(TextOf(UserText::BatchNothingForRule, language));
            }
        }
        return report;
    }
    std::vector<StepResult> results;
    for (const BatchStepEnd& end : run->steps) {
        results.push_back(end.result);
        if (end.result == StepResult::Warnings) {
            report.reasons.push_back(
                TextOf(UserText::StepWarnings, language, {StepName(end.step, language)}) +
                ToolMessagesText(end.messages));
        } else if (end.result == StepResult::Failed) {
            report.reasons.push_back(StepProblem(file, end, silenceMs, language));
        }
    }
    for (std::string& reason : LeftOut(file, language)) {
        report.reasons.push_back(std::move(reason));
    }
    report.status = StatusOfSteps(results, !file.unnamed.empty());
    return report;
}

std::string SummaryText(const std::vector<FileReport>& reports, Language language) {
    std::map<FileStatus, int> counts;
    std::string lines;
    for (const FileReport& report : reports) {
        ++counts[report.status];
        lines += report.name + ": " + StatusText(report.status, language) + "\n";
        for (const std::string& reason : report.reasons) {
            lines += Indented(reason) + "\n";
        }
    }
    return TextOf(UserText::BatchTotals, language,
                  {std::to_string(counts[FileStatus::Done]),
                   std::to_string(counts[FileStatus::DoneWithWarnings]),
                   std::to_string(counts[FileStatus::Failed]),
                   std::to_string(counts[FileStatus::Cancelled]),
                   std::to_string(counts[FileStatus::Skipped])}) +
           "\n\n" + lines;
}

std::vector<FileReport> ReportFiles(const std::vector<FilePlan>& plan,
                                    const std::vector<SourceProbe>& probes,
                                    const std::vector<std::optional<BatchFileEnd>>& ends,
                                    bool cancelled, int silenceMs, Language language) {
    std::vector<FileReport> reports;
    for (std::size_t k = 0; k < plan.size() && k < probes.size(); ++k) {
        const BatchFileEnd* end = k < ends.size() && ends[k] ? &*ends[k] : nullptr;
        reports.push_back(ReportFile(plan[k], probes[k], end, cancelled, silenceMs, language));
    }
    return reports;
}

std::string BatchSummaryText(const std::vector<FilePlan>& plan,
                             const std::vector<SourceProbe>& probes,
                             const std::vector<std::optional<BatchFileEnd>>& ends, bool cancelled,
                             int silenceMs, Language language) {
    return SummaryText(ReportFiles(plan, probes, ends, cancelled, silenceMs, language), language);
}

BatchExitStatus ExitStatusOf(const std::vector<FilePlan>& plan,
                             const std::vector<FileReport>& reports) {
    auto any = [&reports](FileStatus status) {
        return std::any_of(reports.begin(), reports.end(),
                           [status](const FileReport& report) { return report.status == status; });
    };
    // A stop that lands between two files cancels no tool, yet leaves the
    // files after it undone.
    const bool stopped = std::any_of(reports.begin(), reports.end(),
                                     [](const FileReport& report) { return report.stoppedBefore; });
    if (any(FileStatus::Failed) || any(FileStatus::Cancelled) || stopped) {
        return kBatchExitFailed;
    }
    const bool leftOut = std::any_of(plan.begin(), plan.end(),
                                     [](const FilePlan& file) { return !file.unnamed.empty(); });
    return any(FileStatus::DoneWithWarnings) || leftOut ? kBatchExitWarnings : kBatchExitDone;
}

}  // namespace torvane
