#include "process/CapturedRun.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using Clock = std::chrono::steady_clock;
using testsupport::TempDir;

const std::string kChild = std::string(TORVANE_TEST_BIN_DIR) + "/torvane_test_child";

long MsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool Reaped(long pid) {
    errno = 0;
    return ::waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG) == -1 && errno == ECHILD;
}

// Runs the child as the window does (the whole command as ExeName) and reads
// once into a text that already holds something: the output is appended.
TEST(TChildProc, ReadGathersTheOutputUntilItEndsOrFallsSilent) {
    struct Row {
        std::string exe;
        std::string commandLine;
        int timeout;
        std::string output;
        long minMs;
        long maxMs;
    };
    for (const Row& row : {
             // Ends at the end of data, not after the silence.
             Row{kChild + " lines 3", "", 5000, "line 0\r\nline 1\r\nline 2\r\n", 0, 2500},
             Row{kChild, "closeout", 5000, "done\r\n", 0, 2500},
             Row{kChild + " silent 3000", "", 400, "", 350, 2500},
             Row{kChild + " silent 3000", "", 0, "", 0, 1000},
             Row{kChild + " silent 3000", "", -1000, "", 0, 1000},
             // Silence counts from the last data: a pause longer than the
             // limit cuts the output, bursts each closer than the limit over
             // a longer whole do not.
             Row{kChild + " pause 1500", "", 300, "before\r\n", 0, 1400},
             Row{kChild + " progress 20 100", "", 400,
                 "Progress: 0%\r\nProgress: 20%\r\nProgress: 40%\r\nProgress: 60%\r\n"
                 "Progress: 80%\r\nProgress: 100%\r\ndone\r\n",
                 0, 2500},
             Row{kChild + " zero", "", 2000, "abef", 0, 2500},
             Row{kChild + " big 1000000", "", 2000, std::string(1000000, 'x'), 0, 5000},
             // ExeName and CommadLine joined by one blank (the words' split is
             // SplitCommandLine's, the program's search ResolveCommand's).
             Row{kChild + " args", "x", 2000, "[" + kChild + "]\r\n[args]\r\n[x]\r\n", 0, 2500},
             // A bare name is found in the program folder, the test program's.
             Row{"torvane_test_child lines 1", "", 2000, "line 0\r\n", 0, 2500},
             Row{kChild + " cwd", "", 2000, std::filesystem::current_path().string(), 0, 2500},
             Row{kChild + " fds", "", 2000, "0", 0, 2500},
         }) {
        SCOPED_TRACE(row.exe + " " + row.commandLine);
        const auto start = Clock::now();
        TChildProc child(row.exe, row.commandLine);
        std::string output = "kept\r\n";
        child.ReadChildOutput(row.timeout, output);
        const long elapsed = MsSince(start);
        EXPECT_EQ(output, "kept\r\n" + row.output);
        EXPECT_GE(elapsed, row.minMs);
        EXPECT_LT(elapsed, row.maxMs);
    }
}

TEST(TChildProc, FinishTellsEachEndAndNoChildIsLeft) {
    using Kind = CapturedEnd::Kind;
    struct Row {
        const char* arguments;
        int timeout;
        Kind kind;
        int code;
        const char* output;
        const char* errors;
    };
    for (const Row& row : {
             Row{"exit 0", 2000, Kind::Exited, 0, "to standard output\n", "to standard error\n"},
             Row{"exit 2", 2000, Kind::Exited, 2, "to standard output\n", "to standard error\n"},
             Row{"crash", 2000, Kind::Signalled, SIGSEGV, "about to crash\n", ""},
             // Silent past the Timeout, though it wrote to its error output.
             Row{"stderr 3000", 300, Kind::TimedOut, 0, "", "error text\r\n"},
             // Ended its output but not itself.
             Row{"closeout", 2000, Kind::TimedOut, 0, "done\r\n", ""},
             Row{"hang", 200, Kind::TimedOut, 0, "", ""},
         }) {
        SCOPED_TRACE(row.arguments);
        const auto start = Clock::now();
        TChildProc child(kChild, row.arguments);
        std::string output;
        child.ReadChildOutput(row.timeout, output);
        const CapturedEnd end = child.Finish();
        EXPECT_EQ(output, row.output);
        EXPECT_EQ(end.kind, row.kind);
        EXPECT_EQ(end.code, row.code);
        EXPECT_EQ(child.ErrorOutput(), row.errors);
        EXPECT_LT(MsSince(start), 2500);
        EXPECT_TRUE(Reaped(child.ChildId()));
        EXPECT_EQ(child.Finish().kind, row.kind);
    }
    // Left without Finish(): read or unread (blocked on a full pipe), the
    // child is reaped when the object goes.
    for (const auto& [arguments, read] :
         {std::pair{"lines 1", true}, std::pair{"hang", true}, std::pair{"big 1000000", false}}) {
        long pid = 0;
        const auto start = Clock::now();
        {
            TChildProc child(kChild, arguments);
            pid = child.ChildId();
            std::string output;
            if (read) {
                child.ReadChildOutput(200, output);
            }
        }
        EXPECT_LT(MsSince(start), 3000) << arguments;
        EXPECT_TRUE(Reaped(pid)) << arguments;
    }
}

TEST(TChildProc, MissingProgramThrowsWithExactMessage) {
    try {
        TChildProc child("/nonexistent/folder/ostrem -i ", "");
        FAIL() << "no error";
    } catch (const ECreateChildProcessErr& e) {
        EXPECT_STREQ(e.what(),
                     "Error creating Chilg Process.\r\rCreateChildProcess(ExeName, CommadLine, "
                     "FChildStdoutWr)");
    }
    EXPECT_THROW(TChildProc("no-such-tool-anywhere", ""), ECreateChildProcessErr);
    EXPECT_THROW(TChildProc("", ""), ECreateChildProcessErr);
    // A folder or a file without execute permission is no program.
    TempDir dir;
    testsupport::WriteBytes(dir.File("tool"), "#!/bin/sh\necho hi\n");
    EXPECT_THROW(TChildProc(dir.File("tool"), ""), ECreateChildProcessErr);
    EXPECT_THROW(TChildProc(dir.File(""), ""), ECreateChildProcessErr);
}

// Memory running out while the output grows: the whole text becomes
// "Read Err" and nothing escapes. Run in a child process that lowers its
// own address-space limit (not under the sanitizer, which needs far more).
void ReadUnderMemoryLimit() {
    TChildProc child(kChild, "big 2000000000");
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + (64 << 20);
    rlimit rl{};
    rl.rlim_cur = limit;
    rl.rlim_max = limit;
    ::setrlimit(RLIMIT_AS, &rl);
    std::string output = "earlier text";
    child.ReadChildOutput(2000, output);
    std::_Exit(output == "Read Err" ? 0 : 1);
}

TEST(TChildProcDeathTest, InternalFailureGivesReadErr) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limits do not mix with the sanitizer";
#endif
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(ReadUnderMemoryLimit(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace torvane
