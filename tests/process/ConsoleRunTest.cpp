#include "process/ConsoleRun.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/ProgramFolder.h"
#include "process/CapturedRun.h"
#include "tests/process/ChildProcessTesting.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using testsupport::AwaitFile;
using testsupport::Clock;
using testsupport::kChildName;
using testsupport::MsSince;
using testsupport::Reaped;
using testsupport::TempDir;
using Kind = RunOutcome::Kind;

const std::string kBin = ProgramFolder();

// Starts the helper by its bare name, found in the folder of the test programs.
std::unique_ptr<ConsoleRun> Start(const std::string& arguments) {
    return std::make_unique<ConsoleRun>(std::string(kChildName) + " " + arguments, kBin, "");
}

TEST(ConsoleRun, ExitStatusAndCrashAreTold) {
    std::string output;
    const RunOutcome outcome = Start("exit 2")->Wait(&output);
    EXPECT_EQ(outcome.kind, Kind::Exited);
    EXPECT_EQ(outcome.code, 2);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_TRUE(Start("exit 0")->Wait().Succeeded());
    // Done with warnings is not done.
    EXPECT_FALSE(Start("exit 1")->Wait().Succeeded());
#ifndef _WIN32
    // Both outputs share one pipe.
    EXPECT_NE(output.find("to standard output\n"), std::string::npos);
    EXPECT_NE(output.find("to standard error\n"), std::string::npos);
    const RunOutcome crash = Start("crash")->Wait();
    EXPECT_EQ(crash.kind, Kind::Signalled);
    EXPECT_EQ(crash.code, SIGSEGV);
    EXPECT_EQ(SignalDescription(crash.code), "Segmentation fault");
    // Many times what a pipe holds: the tool would stall if nobody read.
    output.clear();
    EXPECT_TRUE(Start("big 5000000")->Wait(&output).Succeeded());
    EXPECT_EQ(output.size(), 5000000u);
#endif
}

TEST(ConsoleRun, ProgramThatCannotBeFoundOrRunIsNotStarted) {
    TempDir folder;
    ConsoleRun missing("nosuchtool tracks a 1:b", folder.File(""), "");
    EXPECT_FALSE(missing.Started());
    EXPECT_EQ(missing.ProcessId(), -1);
    const RunOutcome outcome = missing.Wait();
    EXPECT_EQ(outcome.kind, Kind::NotStarted);
    EXPECT_EQ(outcome.program, "nosuchtool");
    EXPECT_EQ(ConsoleRun("   ", folder.File(""), "").Wait().startFailure,
              RunOutcome::StartFailure::EmptyCommand);
#ifdef _WIN32
    EXPECT_EQ(outcome.startFailure, RunOutcome::StartFailure::CannotRun);
    EXPECT_NE(outcome.reason, "");
#else
    EXPECT_EQ(outcome.startFailure, RunOutcome::StartFailure::NoProgram);
    EXPECT_EQ(missing.OutputHandle(), -1);
    ASSERT_TRUE(missing.Poll().has_value());
    EXPECT_EQ(missing.Poll()->kind, Kind::NotStarted);
    // Not in the program folder: looked for on the search path.
    EXPECT_TRUE(
        ConsoleRun("true", folder.File(""), "/nonexistent:/usr/bin:/bin").Wait().Succeeded());

    // Executable by its mode, but not a program the system can run.
    testsupport::WriteBytes(folder.File("garbage"), "\x01\x02\x03\x04 not a program");
    ::chmod((folder.File("garbage")).c_str(), 0755);
    ConsoleRun garbage("garbage x", folder.File(""), "");
    EXPECT_FALSE(garbage.Started());
    const RunOutcome refused = garbage.Wait();
    EXPECT_EQ(refused.startFailure, RunOutcome::StartFailure::CannotRun);
    EXPECT_EQ(refused.program, folder.File("garbage"));
    EXPECT_EQ(refused.reason, "Exec format error");
#endif
}

#ifdef _WIN32
TEST(ConsoleRun, ToolWritesBothOutputsToAConsoleOfItsOwn) {
    TempDir dir;
    ASSERT_TRUE(Start("world " + dir.File("report"))->Wait().Succeeded());
    EXPECT_EQ(testsupport::ReadBytes(dir.File("report")),
              "console yes\nfolder " + std::filesystem::current_path().string() + "\n");
}

// A wait on the tool that fails is an end the system could not tell, with
// its reason, not a tool still running.
TEST(ConsoleRun, FailedWaitIsALostEndWithItsReason) {
    auto run = Start("silent 3000");
    ASSERT_TRUE(testsupport::CloseHandleTo(run->ProcessId()));
    const std::optional<RunOutcome> outcome = run->Poll();
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->kind, Kind::Lost);
    EXPECT_NE(outcome->reason, "");
    EXPECT_EQ(StepResultOf(*outcome), StepResult::Failed);

    TChildProc child(testsupport::ChildPath(), "silent 3000");
    ASSERT_TRUE(testsupport::CloseHandleTo(child.ChildId()));
    std::string output;
    child.ReadChildOutput(100, output);
    const RunOutcome end = child.Finish();
    EXPECT_EQ(end.kind, RunOutcome::Kind::Lost);
    EXPECT_NE(end.reason, "");
}
#else
// With SIGCHLD ignored the system reaps the tool itself and its status is
// gone: neither run may count that as a success.
TEST(ConsoleRun, StatusReapedByTheSystemIsALostEndWithItsReason) {
    struct sigaction ignore {};
    struct sigaction before {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGCHLD, &ignore, &before);
    const RunOutcome console = Start("exit 0")->Wait();
    const RunOutcome captured = RunCaptured(testsupport::ChildPath() + " exit 0", 5000).end;
    ::sigaction(SIGCHLD, &before, nullptr);
    for (const RunOutcome& outcome : {console, captured}) {
        EXPECT_EQ(outcome.kind, Kind::Lost);
        EXPECT_EQ(outcome.reason, "No child processes");
        EXPECT_EQ(StepResultOf(outcome), StepResult::Failed);
    }
}

TEST(ConsoleRun, ToolGetsEmptyInputOwnGroupAndTheCurrentFolder) {
    std::string output;
    ASSERT_TRUE(Start("world")->Wait(&output).Succeeded());
    EXPECT_EQ(output,
              "input 0\nleader yes\nfolder " + std::filesystem::current_path().string() + "\n");
}

TEST(ConsoleRun, EndOfTheToolCountsEvenWhileItsChildKeepsTheOutputOpen) {
    auto run = Start("orphan 3000");
    const long pid = run->ProcessId();
    const auto start = Clock::now();
    std::string output;
    const RunOutcome outcome = run->Wait(&output);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(output, "parent done\n");
    EXPECT_LT(MsSince(start), 2000);
    ::kill(-static_cast<pid_t>(pid), SIGKILL);  // the orphan, still in the tool's group
}

#endif

// POSIX takes any length; Windows refuses a line it cannot start, clearly
// and before anything runs.
TEST(ConsoleRun, CommandLineLength) {
#ifdef _WIN32
    const std::size_t longest = ConsoleRun::kMaxWindowsCommandLine;
#else
    const std::size_t longest = 300000;
#endif
    const std::string start = std::string(kChildName) + " count";
    std::string line = start;
    for (int i = 0; line.size() < longest - 40; ++i) {
        line += " " + std::to_string(100000 + i) + ":/x/Track" + std::to_string(i);
    }
    line += " " + std::string(longest - line.size() - 1, 'x');
    ASSERT_EQ(line.size(), longest);
    std::string output;
    const RunOutcome outcome = ConsoleRun(line, kBin, "").Wait(&output);
    ASSERT_TRUE(outcome.Succeeded()) << outcome.code << " " << outcome.reason;
#ifndef _WIN32
    // argv[0] is the bare word; every other word arrives whole.
    const std::size_t words =
        static_cast<std::size_t>(std::count(line.begin(), line.end(), ' ')) + 1;
    const std::size_t length = line.size() - (words - 1);
    EXPECT_EQ(output, std::to_string(words) + " " + std::to_string(length) + " " +
                          line.substr(line.rfind(' ') + 1) + "\n");
#endif

    ConsoleRun tooLong(line + " y", kBin, "");
#ifdef _WIN32
    EXPECT_FALSE(tooLong.Started());
    const RunOutcome refused = tooLong.Wait();
    EXPECT_EQ(refused.startFailure, RunOutcome::StartFailure::CannotRun);
    EXPECT_EQ(refused.program, kChildName);
    EXPECT_EQ(refused.reason,
              "the command line holds 32768 characters, more than the 32766 that Windows takes");
#else
    EXPECT_TRUE(tooLong.Wait().Succeeded());
#endif
}

// The tool is asked to end, removes what it was writing and ends by itself,
// well inside the grace period; on POSIX even when it was stopped.
TEST(ConsoleRun, CancelAsksTheToolToEndAndIsToldApart) {
#ifdef _WIN32
    for (const bool stopped : {false}) {
#else
    for (const bool stopped : {false, true}) {
#endif
        SCOPED_TRACE(stopped ? "stopped" : "running");
        TempDir dir;
        const std::string partial = dir.File("partial");
        auto run = Start("term-clean " + partial);
        ASSERT_TRUE(AwaitFile(partial));
        EXPECT_FALSE(run->Poll().has_value());
#ifndef _WIN32
        // Reading a quiet tool's output never blocks.
        std::string output;
        const auto asked = Clock::now();
        EXPECT_TRUE(run->ReadAvailable(output));
        EXPECT_LT(MsSince(asked), 100);
        if (stopped) {
            ::kill(static_cast<pid_t>(run->ProcessId()), SIGSTOP);
        }
#endif
        const auto start = Clock::now();
        run->Cancel();
        EXPECT_EQ(run->Wait().kind, Kind::Cancelled);
        EXPECT_FALSE(std::filesystem::exists(partial));
        EXPECT_LT(MsSince(start), 2000);
        EXPECT_TRUE(Reaped(run->ProcessId()));
    }
}

TEST(ConsoleRun, ToolDeafToCancelIsKilledAfterTheGrace) {
    TempDir dir;
    auto run = Start("term-ignore " + dir.File("ready"));
    ASSERT_TRUE(AwaitFile(dir.File("ready")));
    const auto start = Clock::now();
    run->Cancel(std::chrono::milliseconds(300));
    // Polling alone escalates once the grace has passed.
    std::optional<RunOutcome> outcome;
    while (!(outcome = run->Poll()) && MsSince(start) < 10000) {
        std::string output;
        run->ReadAvailable(output);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
#ifdef _WIN32
    const HANDLE tool = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(run->ProcessId()));
    WaitForSingleObject(tool, INFINITE);
    CloseHandle(tool);
#else
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(run->ProcessId()), &info, WEXITED | WNOWAIT);
#endif
    run->Cancel();
    const RunOutcome outcome = run->Wait();
    EXPECT_EQ(outcome.kind, Kind::Exited);
    EXPECT_TRUE(outcome.Succeeded());

    // A run dropped while its tool works ends the tool and reaps it.
    TempDir dir;
    const std::string partial = dir.File("partial");
    long pid = -1;
    {
        auto running = Start("term-clean " + partial);
        pid = running->ProcessId();
        ASSERT_TRUE(AwaitFile(partial));
    }
    EXPECT_TRUE(Reaped(pid));
    EXPECT_FALSE(std::filesystem::exists(partial));
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
