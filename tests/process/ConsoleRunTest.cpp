#include "process/ConsoleRun.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using Clock = std::chrono::steady_clock;
using testsupport::TempDir;
using Kind = ConsoleOutcome::Kind;

const std::string kBin = std::string(TORVANE_TEST_BIN_DIR) + "/";
constexpr char kChild[] = "torvane_test_child";

long MsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool Reaped(long pid) {
    errno = 0;
    return ::waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG) == -1 && errno == ECHILD;
}

// Starts the helper by its bare name, found in the folder of the test programs.
std::unique_ptr<ConsoleRun> Start(const std::string& arguments) {
    return std::make_unique<ConsoleRun>(std::string(kChild) + " " + arguments, kBin, "");
}

// Reads until the output holds `text` (or 10 s pass).
bool ReadUntil(ConsoleRun& run, const std::string& text, std::string& output) {
    const auto start = Clock::now();
    while (output.find(text) == std::string::npos && MsSince(start) < 10000) {
        pollfd p{run.OutputHandle(), POLLIN, 0};
        ::poll(&p, 1, 20);
        if (!run.ReadAvailable(output)) {
            break;
        }
    }
    return output.find(text) != std::string::npos;
}

TEST(ConsoleRun, StatusCrashAndBothOutputsOnOnePipe) {
    std::string output;
    const ConsoleOutcome outcome = Start("exit 2")->Wait(&output);
    EXPECT_EQ(outcome.kind, Kind::Exited);
    EXPECT_EQ(outcome.code, 2);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_NE(output.find("to standard output\n"), std::string::npos);
    EXPECT_NE(output.find("to standard error\n"), std::string::npos);

    EXPECT_TRUE(Start("exit 0")->Wait().Succeeded());
    // Done with warnings is not done.
    EXPECT_FALSE(Start("exit 1")->Wait().Succeeded());
    const ConsoleOutcome crash = Start("crash")->Wait();
    EXPECT_EQ(crash.kind, Kind::Signalled);
    EXPECT_EQ(crash.code, SIGSEGV);
    EXPECT_EQ(SignalDescription(crash.code), "Segmentation fault");
}

TEST(ConsoleRun, ProgramThatCannotBeFoundOrRunIsNotStarted) {
    TempDir folder;
    ConsoleRun missing("nosuchtool tracks a 1:b", folder.File(""), "");
    EXPECT_FALSE(missing.Started());
    EXPECT_EQ(missing.OutputHandle(), -1);
    EXPECT_EQ(missing.ProcessId(), -1);
    const ConsoleOutcome outcome = missing.Wait();
    EXPECT_EQ(outcome.kind, Kind::NotStarted);
    EXPECT_EQ(outcome.startFailure, ConsoleOutcome::StartFailure::NoProgram);
    EXPECT_EQ(outcome.program, "nosuchtool");
    ASSERT_TRUE(missing.Poll().has_value());
    EXPECT_EQ(missing.Poll()->kind, Kind::NotStarted);

    // Not in the program folder: looked for on the search path.
    EXPECT_TRUE(
        ConsoleRun("true", folder.File(""), "/nonexistent:/usr/bin:/bin").Wait().Succeeded());
    EXPECT_EQ(ConsoleRun("   ", folder.File(""), "").Wait().startFailure,
              ConsoleOutcome::StartFailure::EmptyCommand);

    // Executable by its mode, but not a program the system can run.
    testsupport::WriteBytes(folder.File("garbage"), "\x01\x02\x03\x04 not a program");
    ::chmod((folder.File("garbage")).c_str(), 0755);
    ConsoleRun garbage("garbage x", folder.File(""), "");
    EXPECT_FALSE(garbage.Started());
    const ConsoleOutcome refused = garbage.Wait();
    EXPECT_EQ(refused.startFailure, ConsoleOutcome::StartFailure::CannotRun);
    EXPECT_EQ(refused.program, folder.File("garbage"));
    EXPECT_EQ(refused.reason, "Exec format error");
}

TEST(ConsoleRun, NoLimitOnTheCommandLine) {
    // Far beyond the 512 characters a fixed buffer would hold.
    std::string line = std::string(kChild) + " count";
    for (int i = 0; i < 20000; ++i) {
        line += " " + std::to_string(100000 + i) + ":/x/Track" + std::to_string(i);
    }
    line += " last";
    ASSERT_GT(line.size(), 300000u);
    std::string output;
    const ConsoleOutcome outcome = ConsoleRun(line, kBin, "").Wait(&output);
    ASSERT_TRUE(outcome.Succeeded()) << outcome.code;
    // argv[0] is the bare word; every other word arrives whole.
    const std::size_t words = 20003;
    const std::size_t length = line.size() - (words - 1);
    EXPECT_EQ(output, std::to_string(words) + " " + std::to_string(length) + " last\n");
}

TEST(ConsoleRun, ToolGetsEmptyInputOwnGroupAndTheCurrentFolder) {
    std::string output;
    ASSERT_TRUE(Start("world")->Wait(&output).Succeeded());
    EXPECT_EQ(output,
              "input 0\nleader yes\nfolder " + std::filesystem::current_path().string() + "\n");
}

TEST(ConsoleRun, CancelAsksTheToolToEndAndIsToldApart) {
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "stopped" : "running");
        auto run = Start("term-clean");
        std::string output;
        ASSERT_TRUE(ReadUntil(*run, "ready\n", output));
        EXPECT_FALSE(run->Poll().has_value());
        if (stopped) {
            ::kill(static_cast<pid_t>(run->ProcessId()), SIGSTOP);
        }
        const auto start = Clock::now();
        run->Cancel();
        EXPECT_EQ(run->Wait(&output).kind, Kind::Cancelled);
        // It ended by itself on the request, well inside the grace period.
        EXPECT_NE(output.find("stopping\n"), std::string::npos);
        EXPECT_LT(MsSince(start), 2000);
        EXPECT_TRUE(Reaped(run->ProcessId()));
    }
}

TEST(ConsoleRun, ToolDeafToCancelIsKilledAfterTheGrace) {
    auto run = Start("term-ignore");
    std::string output;
    ASSERT_TRUE(ReadUntil(*run, "ready\n", output));
    const auto start = Clock::now();
    run->Cancel(std::chrono::milliseconds(300));
    // Polling alone escalates once the grace has passed.
    std::optional<ConsoleOutcome> outcome;
    while (!(outcome = run->Poll()) && MsSince(start) < 10000) {
        run->ReadAvailable(output);
        ::usleep(10000);
    }
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->kind, Kind::Cancelled);
    EXPECT_GE(MsSince(start), 300);
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_TRUE(Reaped(run->ProcessId()));
}

TEST(ConsoleRun, CancelAfterTheEndChangesNothingAndADroppedRunEndsItsTool) {
    auto run = Start("exit 0");
    // Wait until the tool is gone, leaving it unreaped.
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(run->ProcessId()), &info, WEXITED | WNOWAIT);
    run->Cancel();
    const ConsoleOutcome outcome = run->Wait();
    EXPECT_EQ(outcome.kind, Kind::Exited);
    EXPECT_TRUE(outcome.Succeeded());

    // A run dropped while its tool works ends the tool and reaps it.
    long pid = -1;
    std::string output;
    {
        auto running = Start("term-clean");
        pid = running->ProcessId();
        ASSERT_TRUE(ReadUntil(*running, "ready\n", output));
    }
    EXPECT_TRUE(Reaped(pid));
}

TEST(ConsoleRun, ReadingNeverBlocksAndWaitDrainsAFullPipe) {
    auto quiet = Start("term-clean");
    std::string output;
    ASSERT_TRUE(ReadUntil(*quiet, "ready\n", output));
    const auto start = Clock::now();
    EXPECT_TRUE(quiet->ReadAvailable(output));
    EXPECT_LT(MsSince(start), 100);
    quiet->Cancel();
    quiet->Wait();

    // Many times what a pipe holds: the tool would stall if nobody read.
    output.clear();
    const ConsoleOutcome outcome = Start("big 5000000")->Wait(&output);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(output.size(), 5000000u);
}

TEST(ConsoleRun, EndOfTheToolCountsEvenWhileItsChildKeepsTheOutputOpen) {
    auto run = Start("orphan 3000");
    const long pid = run->ProcessId();
    const auto start = Clock::now();
    std::string output;
    const ConsoleOutcome outcome = run->Wait(&output);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(output, "parent done\n");
    EXPECT_LT(MsSince(start), 2000);
    ::kill(-static_cast<pid_t>(pid), SIGKILL);  // the orphan, still in the tool's group
}

TEST(ConsoleLines, SplitsAtEveryKindOfLineEndAcrossChunks) {
    ConsoleLines lines;
    EXPECT_TRUE(lines.Add("Progress: 1").empty());
    EXPECT_EQ(lines.Add("0%\r"), std::vector<std::string>{"Progress: 10%"});
    EXPECT_EQ(lines.Add("\nnext\n\nredraw 1\rredraw 2\r\nend"),
              (std::vector<std::string>{"next", "", "redraw 1", "redraw 2"}));
    EXPECT_EQ(lines.Finish(), std::optional<std::string>("end"));
    EXPECT_EQ(lines.Finish(), std::nullopt);
    // Bytes pass unchanged, UTF-8 included.
    EXPECT_EQ(lines.Add("\xc3\xa9t\xc3\xa9\r\n"), std::vector<std::string>{"\xc3\xa9t\xc3\xa9"});
}

TEST(ConsoleLines, ProgressLinesOnlyInTheirExactForm) {
    EXPECT_EQ(ParseProgressLine("Progress: 0%"), 0);
    EXPECT_EQ(ParseProgressLine("Progress: 37%"), 37);
    EXPECT_EQ(ParseProgressLine("Progress: 100% "), 100);
    for (const char* other : {"Progress: 101%", "Progress: -1%", "Progress: %", "Progress: 5",
                              "progress: 5%", "Progress: 5%x", "Progress:  5%", "Progress: 0050%",
                              "Progress: 5 %", "xProgress: 5%", ""}) {
        EXPECT_EQ(ParseProgressLine(other), std::nullopt) << other;
    }
    // What a tool says, without its progress and its empty lines.
    EXPECT_EQ(MessageLines("Progress: 0%\r\nquarvel: damaged block\n\nProgress: 50%\r"
                           "Progress: 100%\r\nlast words"),
              (std::vector<std::string>{"quarvel: damaged block", "last words"}));
}

}  // namespace
}  // namespace torvane
