// Runs a batch extraction: the files one after another, each file's steps in
// order (BatchSteps.h), on a thread of its own so that the window stays
// responsive, and tells a listener how it goes.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "core/BatchSteps.h"
#include "process/ConsoleRun.h"

namespace torvane {

// How one step ended, with what the window needs to say why.
struct BatchStepEnd {
    // What went wrong outside the tool's own end.
    enum class Problem {
        None,
        SourceGone,      // the source no longer exists: nothing was made or run for it
        SourceNotNamed,  // the source has no form the tools can be given
        FolderNotMade,   // detail: the system's reason
        FolderNotNamed,  // the folder has no form the tools can be given
        NothingPrinted,  // the tool printed no chapters (tags) this time
        FileNotWritten,  // detail: "Cannot create file "PATH". REASON"
        Unexpected,      // the run itself failed (memory exhausted, say); detail: what
    };
    BatchStep step = BatchStep::Folder;
    StepResult result = StepResult::Done;
    RunOutcome outcome;  // how the tool ended; the folder step runs none
    Problem problem = Problem::None;
    std::string detail;
    std::vector<std::string> messages;  // what the tool said, progress lines left out
};

struct BatchFileEnd {
    std::size_t file = 0;  // its index in the run's files
    std::vector<BatchStepEnd> steps;
};

// Told of the run's course, on the run's own thread.
class BatchListener {
  public:
    virtual ~BatchListener() = default;
    virtual void StepStarted(std::size_t file, BatchStep step) = 0;
    // A "Progress: N%" line of the tracks pass.
    virtual void StepProgress(std::size_t file, int percent) = 0;
    virtual void FileEnded(const BatchFileEnd& end) = 0;
    // Last of all. cancelled: the files after the cancelled one were not run.
    virtual void RunEnded(bool cancelled) = 0;
};

struct BatchRunSettings {
    std::string programFolder;  // holds both tools; ends in a separator
    std::string pathList;       // where else a bare tool name is looked for
    int silenceMs = 30000;      // how long a captured run may stay silent
};

class BatchRun {
  public:
    // The most of a tool's message lines kept per step.
    static constexpr std::size_t kMaxMessages = 1000;

    // Starts the run of the files with outputs (others are passed over, told
    // of by nothing). The listener must outlive the run.
    BatchRun(std::vector<FilePlan> files, BatchRunSettings settings, BatchListener& listener);

    // Cancels a run still going and awaits its end.
    ~BatchRun();

    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // From any thread: the running tool is asked to end (it removes its
    // unfinished files), the rest of its file and the files after it are not
    // run. A captured run (chapters, tags) is short and is let finish, but
    // its file is not written.
    void Cancel();

  private:
    void Run();
    BatchFileEnd RunFile(std::size_t index);
    BatchStepEnd RunConsoleStep(std::size_t index, BatchStep step, const std::string& commandLine);
    BatchStepEnd RunSavedStep(const FilePlan& file, BatchStep step);
    // The tool's words with the file's own paths for the short forms.
    void InUserTerms(BatchStepEnd& end, const FilePlan& file) const;

    std::vector<FilePlan> files_;
    BatchRunSettings settings_;
    BatchListener& listener_;
    // The short forms of the current file's source and folder (with its
    // separator), as the tools are given them.
    std::string shortSource_;
    std::string shortFolder_;
    std::atomic<bool> cancel_{false};
    std::thread thread_;
};

}  // namespace torvane
