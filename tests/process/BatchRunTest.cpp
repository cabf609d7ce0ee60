// A batch run with a scripted extraction tool that misbehaves for some files:
// each file's steps end as the tool ends, and a failed file stops neither
// its own later steps nor the files after it.
#include "process/BatchRun.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "core/Listing.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using testsupport::TempDir;
using Problem = BatchStepEnd::Problem;

// Collects what the run tells, from the run's thread.
class Recorder : public BatchListener {
  public:
    void StepStarted(std::size_t, BatchStep) override {}
    void StepProgress(std::size_t file, int percent) override {
        std::lock_guard<std::mutex> lock(mutex_);
        progress.push_back({file, percent});
    }
    void FileEnded(const BatchFileEnd& end) override {
        std::lock_guard<std::mutex> lock(mutex_);
        files.push_back(end);
    }
    void RunEnded(bool cancelled) override { ended.set_value(cancelled); }

    std::vector<std::pair<std::size_t, int>> progress;
    std::vector<BatchFileEnd> files;
    std::promise<bool> ended;

  private:
    std::mutex mutex_;
};

// A tool that fails the tracks of a source whose name holds "fail", warns
// (at length) for one holding "warn", prints chapters and no tags; it notes
// every call beside itself.
constexpr char kTool[] = R"(#!/bin/sh
echo "$*" >> "${0%/*}/calls"
case "$1:$2" in
tracks:*fail*) echo 'quarvel: Track1.aac: disk full' >&2; exit 2;;
tracks:*warn*) printf 'Progress: 50%%\r\n'; echo 'quarvel: damaged block skipped' >&2; seq 2000 >&2; exit 1;;
chapters:*) printf '<Chapters/>\r\n';;
esac
exit 0
)";

// A program folder in DIR whose quarvel is the shell script SCRIPT.
std::string ProgramFolderWith(const TempDir& dir, const char* script) {
    const std::string program = dir.File("program/");
    std::filesystem::create_directories(program);
    testsupport::WriteBytes(program + "quarvel", script);
    std::filesystem::permissions(program + "quarvel", std::filesystem::perms::owner_all);
    return program;
}

// A source file NAME in DIR, identified as readable (the scripted tool never
// reads it).
BatchSource ReadableSource(const TempDir& dir, const std::string& name) {
    BatchSource source;
    source.path = dir.File(name);
    testsupport::WriteBytes(source.path, "x");
    source.state = BatchSource::State::Readable;
    return source;
}

TEST(BatchRun, EachStepEndsAsTheToolEndsAndAFailedFileStopsNothing) {
    TempDir dir;
    const std::string program = ProgramFolderWith(dir, kTool);

    std::vector<BatchSource> sources;
    for (const char* name : {"fail.mkv", "warn.mkv", "ok.mkv", "gone.mkv"}) {
        BatchSource source = ReadableSource(dir, name);
        source.contents = ReadSourceContents(
            BuildListing("File: x\r\nTrack ID 1: audio (A_AC3) [language: spa]\r\n", false, false)
                .items);
        source.contents.chapters = true;
        source.contents.tags = true;
        sources.push_back(source);
    }
    BatchRule rule;
    rule.For(TrackType::Audio).wanted = true;
    rule.chapters = ChapterFormat::Xml;
    rule.tags = true;
    const auto plan = PlanBatch(sources, rule, OutputLayout::FolderPerSource, dir.File("out"),
                                [](const std::string&) { return std::string("ac3"); });
    // Deleted after it was read, before its turn.
    std::filesystem::remove(dir.File("gone.mkv"));

    Recorder recorder;
    std::future<bool> ended = recorder.ended.get_future();
    {
        BatchRun run(plan, {program, "", 5000}, recorder);
        ASSERT_EQ(ended.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    }
    EXPECT_FALSE(ended.get());

    ASSERT_EQ(recorder.files.size(), 4u);
    const std::vector<StepResult> expected[] = {
        {StepResult::Done, StepResult::Failed, StepResult::Done, StepResult::Failed},
        {StepResult::Done, StepResult::Warnings, StepResult::Done, StepResult::Failed},
        {StepResult::Done, StepResult::Done, StepResult::Done, StepResult::Failed},
    };
    for (std::size_t k = 0; k < 3; ++k) {
        const BatchFileEnd& file = recorder.files[k];
        EXPECT_EQ(file.file, k);
        std::vector<StepResult> results;
        for (const BatchStepEnd& step : file.steps) {
            results.push_back(step.result);
        }
        EXPECT_EQ(results, expected[k]) << k;
        // The tags step: the tool printed nothing, so no file is written.
        EXPECT_EQ(file.steps.back().problem, Problem::NothingPrinted);
        EXPECT_EQ(testsupport::ReadBytes(plan[k].folder + "Chapters.xml"), "<Chapters/>\r\n\r\n");
        EXPECT_FALSE(std::filesystem::exists(plan[k].folder + "Tags.xml"));
    }
    const BatchStepEnd& failed = recorder.files[0].steps[1];
    EXPECT_EQ(failed.outcome.kind, RunOutcome::Kind::Exited);
    EXPECT_EQ(failed.outcome.code, 2);
    EXPECT_EQ(failed.messages, std::vector<std::string>{"quarvel: Track1.aac: disk full"});
    // A talkative tool's messages are kept up to the cap.
    const std::vector<std::string>& warned = recorder.files[1].steps[1].messages;
    ASSERT_EQ(warned.size(), BatchRun::kMaxMessages);
    EXPECT_EQ(warned.front(), "quarvel: damaged block skipped");
    EXPECT_EQ(recorder.progress, (std::vector<std::pair<std::size_t, int>>{{1, 50}}));

    // The source that is gone: said so, and nothing made or run for it.
    const BatchFileEnd& gone = recorder.files[3];
    ASSERT_EQ(gone.steps.size(), 1u);
    EXPECT_EQ(gone.steps[0].result, StepResult::Failed);
    EXPECT_EQ(gone.steps[0].problem, Problem::SourceGone);
    EXPECT_FALSE(std::filesystem::exists(plan[3].folder));
    const std::string calls = testsupport::ReadBytes(program + "calls");
    EXPECT_EQ(calls.find("gone"), std::string::npos) << calls;
    EXPECT_NE(calls.find("ok.mkv"), std::string::npos) << calls;
}

TEST(BatchRun, AFolderThatCannotBeMadeEndsItsFileAtOnce) {
    TempDir dir;
    testsupport::WriteBytes(dir.File("taken"), "a file where the folder would go");
    BatchSource source = ReadableSource(dir, "a.mkv");
    source.contents.tags = true;
    BatchRule rule;
    rule.tags = true;
    const auto plan = PlanBatch({source}, rule, OutputLayout::FolderPerSource, dir.File("taken"),
                                [](const std::string&) { return std::string(); });
    Recorder recorder;
    std::future<bool> ended = recorder.ended.get_future();
    {
        BatchRun run(plan, {dir.File(""), "", 5000}, recorder);
        ASSERT_EQ(ended.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    }
    ASSERT_EQ(recorder.files.size(), 1u);
    ASSERT_EQ(recorder.files[0].steps.size(), 1u);
    EXPECT_EQ(recorder.files[0].steps[0].problem, Problem::FolderNotMade);
    EXPECT_EQ(recorder.files[0].steps[0].detail, "Not a directory");
}

// Stopping a service (systemd, say) sends SIGTERM to every process it holds,
// the chapters run the batch awaits included: that run is then cancelled
// with the rest, not reported as a failure of its own.
constexpr char kChaptersUntilKilled[] = R"(#!/bin/sh
echo $$ > "${0%/*}/pid.part" && mv "${0%/*}/pid.part" "${0%/*}/pid"
exec sleep 30
)";

TEST(BatchRun, ACapturedRunEndedWhileTheBatchIsCancelledIsCancelled) {
    TempDir dir;
    const std::string program = ProgramFolderWith(dir, kChaptersUntilKilled);
    BatchSource source = ReadableSource(dir, "a.mkv");
    source.contents.chapters = true;
    BatchRule rule;
    rule.chapters = ChapterFormat::Xml;
    const auto plan = PlanBatch({source}, rule, OutputLayout::FolderPerSource, dir.File("out"),
                                [](const std::string&) { return std::string(); });
    Recorder recorder;
    std::future<bool> ended = recorder.ended.get_future();
    {
        BatchRun run(plan, {program, "", 60000}, recorder);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!std::filesystem::exists(program + "pid") &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const pid_t pid = std::stoi(testsupport::ReadBytes(program + "pid"));
        run.Cancel();
        ::kill(pid, SIGTERM);
        ASSERT_EQ(ended.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    }
    EXPECT_TRUE(ended.get());
    ASSERT_EQ(recorder.files.size(), 1u);
    ASSERT_EQ(recorder.files[0].steps.size(), 2u);
    EXPECT_EQ(recorder.files[0].steps[1].result, StepResult::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(plan[0].folder + "Chapters.xml"));
}

}  // namespace
}  // namespace torvane
