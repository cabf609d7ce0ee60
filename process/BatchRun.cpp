#include "process/BatchRun.h"

#include <algorithm>
#include <chrono>

#include "core/CapturedCommands.h"
#include "core/Exception.h"
#include "core/ExtractionRules.h"
#include "core/Listing.h"
#include "core/OutputFolder.h"
#include "core/ShortPath.h"
#include "process/CapturedRun.h"
#include "process/OutputWait.h"

namespace torvane {
namespace {

using Problem = BatchStepEnd::Problem;

// How long the run waits for a tool's output before it looks again whether
// it was cancelled; output and the end of output wake it at once.
constexpr std::chrono::milliseconds kCancelCheck{20};
// Between the end of a tool's output and its end, which come microseconds
// apart for a tool that ends by itself: the first looks come quickly, later
// ones ever more slowly, up to the cancel check.
constexpr std::chrono::microseconds kFirstEndCheck{50};

BatchStepEnd Failure(BatchStep step, Problem problem, std::string detail = {}) {
    BatchStepEnd end;
    end.step = step;
    end.result = StepResult::Failed;
    end.problem = problem;
    end.detail = std::move(detail);
    return end;
}

}  // namespace

BatchRun::BatchRun(std::vector<FilePlan> files, BatchRunSettings settings, BatchListener& listener)
    : files_(std::move(files)), settings_(std::move(settings)), listener_(listener) {
    thread_ = std::thread([this] { Run(); });
}

BatchRun::~BatchRun() {
    Cancel();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void BatchRun::Cancel() {
    cancel_ = true;
}

void BatchRun::Run() {
    for (std::size_t index = 0; index < files_.size() && !cancel_; ++index) {
        if (files_[index].state != FilePlan::State::Outputs) {
            continue;
        }
        // Nothing may leave the thread: a failure of the run itself ends
        // this file, and the others still run.
        BatchFileEnd end;
        try {
            end = RunFile(index);
        } catch (const std::exception& failure) {
            end.file = index;
            end.steps.push_back(Failure(BatchStep::Folder, Problem::Unexpected, failure.what()));
        }
        listener_.FileEnded(end);
    }
    listener_.RunEnded(cancel_);
}

BatchFileEnd BatchRun::RunFile(std::size_t index) {
    const FilePlan& file = files_[index];
    BatchFileEnd end;
    end.file = index;
    shortFolder_.clear();
    // A source deleted (or its disk unplugged) since it was read gets no
    // folder and no run: a command line without it would make the tool take
    // the first output for the file to read.
    const SourceCheck source = CheckSource(file.source);
    shortSource_ = source.shortForm;
    if (source.result != SourceCheck::Result::Present) {
        end.steps.push_back(Failure(BatchStep::Folder, source.result == SourceCheck::Result::Gone
                                                           ? Problem::SourceGone
                                                           : Problem::SourceNotNamed));
        return end;
    }
    for (const BatchStep step : StepsOf(file)) {
        if (cancel_) {
            BatchStepEnd cancelled;
            cancelled.step = step;
            cancelled.result = StepResult::Cancelled;
            end.steps.push_back(cancelled);
            break;
        }
        listener_.StepStarted(index, step);
        if (step == BatchStep::Folder) {
            const OutputFolderCheck check = PrepareOutputFolder(file.folder);
            shortFolder_ = OutputFolderPrefix(ExtractShortPathName(file.folder));
            if (check.result == OutputFolderCheck::Result::Failed) {
                end.steps.push_back(Failure(step, Problem::FolderNotMade, check.reason));
            } else if (shortFolder_.empty()) {
                // An empty form would send every output to the current folder.
                end.steps.push_back(Failure(step, Problem::FolderNotNamed));
            } else {
                BatchStepEnd done;
                done.step = step;
                end.steps.push_back(done);
            }
            if (end.steps.back().result == StepResult::Failed) {
                break;
            }
        } else if (step == BatchStep::Tracks || step == BatchStep::Attachments) {
            end.steps.push_back(RunConsoleStep(
                index, step, StepCommandLine(file, step, shortSource_, shortFolder_)));
        } else {
            end.steps.push_back(RunSavedStep(file, step));
        }
    }
    return end;
}

void BatchRun::InUserTerms(BatchStepEnd& end, const FilePlan& file) const {
    for (std::string& line : end.messages) {
        line = WithUserPath(WithUserPath(std::move(line), shortSource_, file.source), shortFolder_,
                            file.folder);
    }
}

BatchStepEnd BatchRun::RunConsoleStep(std::size_t index, BatchStep step,
                                      const std::string& commandLine) {
    BatchStepEnd end;
    end.step = step;
    ConsoleRun run(commandLine, settings_.programFolder, settings_.pathList);
    ConsoleLines lines;
    auto take = [&](std::string line) {
        if (const auto percent = ParseProgressLine(line)) {
            listener_.StepProgress(index, *percent);
        } else if (!line.empty() && end.messages.size() < kMaxMessages) {
            end.messages.push_back(std::move(line));
        }
    };
    bool cancelSent = false;
    std::chrono::microseconds endCheck = kFirstEndCheck;
    for (;;) {
        if (cancel_ && !cancelSent) {
            run.Cancel();
            cancelSent = true;
        }
        std::string bytes;
        const bool open = run.ReadAvailable(bytes);
        for (std::string& line : lines.Add(bytes)) {
            take(std::move(line));
        }
        if (const auto outcome = run.Poll()) {
            bytes.clear();
            while (run.ReadAvailable(bytes) && !bytes.empty()) {
                for (std::string& line : lines.Add(bytes)) {
                    take(std::move(line));
                }
                bytes.clear();
            }
            for (std::string& line : lines.Add(bytes)) {
                take(std::move(line));
            }
            if (auto last = lines.Finish()) {
                take(std::move(*last));
            }
            end.outcome = *outcome;
            end.result = StepResultOf(*outcome);
            InUserTerms(end, files_[index]);
            return end;
        }
        if (open) {
            AwaitOutput(run.OutputHandle(), kCancelCheck);
        } else {
            std::this_thread::sleep_for(endCheck);
            endCheck = std::min<std::chrono::microseconds>(endCheck * 2, kCancelCheck);
        }
    }
}

BatchStepEnd BatchRun::RunSavedStep(const FilePlan& file, BatchStep step) {
    const std::string command =
        step == BatchStep::Tags
            ? TagsCommand(settings_.programFolder, shortSource_)
            : ChaptersCommand(settings_.programFolder, shortSource_, file.chapterFormat);
    std::string printed;
    BatchStepEnd end;
    end.step = step;
    try {
        CapturedOutput captured = RunCaptured(command, settings_.silenceMs);
        printed = std::move(captured.output);
        end.messages = MessageLines(captured.errors);
        InUserTerms(end, file);
        end.outcome = std::move(captured.end);
    } catch (const std::exception& failure) {
        return Failure(step, Problem::Unexpected, failure.what());
    }
    // Cancelled meanwhile, the file is not written whatever the tool did: a
    // Ctrl+C in a terminal reaches a captured run too, and ends it early.
    if (cancel_) {
        end.result = StepResult::Cancelled;
        return end;
    }
    end.result = StepResultOf(end.outcome);
    if (end.result == StepResult::Failed) {
        return end;
    }
    if (printed.empty()) {
        end.result = StepResult::Failed;
        end.problem = Problem::NothingPrinted;
        return end;
    }
    // Saved as the main window saves its previews.
    try {
        SavePreview(file.folder + SavedOutput(file, step)->name, printed);
    } catch (const IoError& failure) {
        end.result = StepResult::Failed;
        end.problem = Problem::FileNotWritten;
        end.detail = failure.what();
    }
    return end;
}

}  // namespace torvane
