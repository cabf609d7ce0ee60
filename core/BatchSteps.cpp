#include "core/BatchSteps.h"

#include <algorithm>

#include "core/ShortPath.h"
#include "platform/ProgramFolder.h"

namespace torvane {
namespace {

using Kind = PlannedOutput::Kind;

bool Has(const FilePlan& file, Kind kind) {
    return std::any_of(file.outputs.begin(), file.outputs.end(),
                       [kind](const PlannedOutput& output) { return output.kind == kind; });
}

}  // namespace

std::vector<BatchStep> StepsOf(const FilePlan& file) {
    std::vector<BatchStep> steps;
    if (file.state != FilePlan::State::Outputs) {
        return steps;
    }
    steps.push_back(BatchStep::Folder);
    const std::pair<BatchStep, Kind> kinds[] = {{BatchStep::Tracks, Kind::Track},
                                                {BatchStep::Attachments, Kind::Attachment},
                                                {BatchStep::Chapters, Kind::Chapters},
                                                {BatchStep::Tags, Kind::Tags}};
    for (const auto& [step, kind] : kinds) {
        if (Has(file, kind)) {
            steps.push_back(step);
        }
    }
    return steps;
}

std::string StepCommandLine(const FilePlan& file, BatchStep step, const std::string& shortSource,
                            const std::string& shortFolder) {
    const Kind kind = step == BatchStep::Tracks ? Kind::Track : Kind::Attachment;
    std::string line = std::string(kExtractToolName) +
                       (step == BatchStep::Tracks ? " tracks " : " attachments ") +
                       CommandWord(shortSource);
    for (const PlannedOutput& output : file.outputs) {
        if (output.kind == kind) {
            line += " " + output.id + ":" + CommandWord(shortFolder) + output.name;
        }
    }
    return line;
}

const PlannedOutput* SavedOutput(const FilePlan& file, BatchStep step) {
    if (step != BatchStep::Chapters && step != BatchStep::Tags) {
        return nullptr;
    }
    const Kind kind = step == BatchStep::Chapters ? Kind::Chapters : Kind::Tags;
    for (const PlannedOutput& output : file.outputs) {
        if (output.kind == kind) {
            return &output;
        }
    }
    return nullptr;
}

std::string WithUserPath(std::string text, const std::string& shortForm, const std::string& path) {
    if (shortForm.empty() || shortForm == path) {
        return text;
    }
    for (std::size_t at = text.find(shortForm); at != std::string::npos;
         at = text.find(shortForm, at + path.size())) {
        text.replace(at, shortForm.size(), path);
    }
    return text;
}

void BatchProgress::FileEnded(std::uint64_t bytes, bool cancelled) {
    currentBytes = 0;
    currentPercent = 0;
    if (!cancelled) {
        ++filesRun;
        bytesRun += bytes;
    }
}

std::uint64_t BatchProgress::BytesDone() const {
    return bytesRun + currentBytes * static_cast<std::uint64_t>(currentPercent) / 100;
}

int BatchProgress::Permille() const {
    if (filesToRun == 0) {
        return 0;
    }
    return bytesToRun == 0 ? static_cast<int>(1000 * filesRun / filesToRun)
                           : static_cast<int>(1000 * BytesDone() / bytesToRun);
}

std::size_t BatchProgress::FileShown() const {
    return std::min(filesRun + 1, filesToRun);
}

FileStatus StatusOfSteps(const std::vector<StepResult>& results, bool tracksLeftOut) {
    auto any = [&results](StepResult result) {
        return std::find(results.begin(), results.end(), result) != results.end();
    };
    if (any(StepResult::Cancelled)) {
        return FileStatus::Cancelled;
    }
    if (any(StepResult::Failed)) {
        return FileStatus::Failed;
    }
    if (any(StepResult::Warnings) || tracksLeftOut) {
        return FileStatus::DoneWithWarnings;
    }
    return FileStatus::Done;
}

}  // namespace torvane
