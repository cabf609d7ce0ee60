#include "process/CapturedRun.h"

#include <gtest/gtest.h>
#include <signal.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/ShortPath.h"
#include "platform/ProgramFolder.h"
#include "tests/process/ChildProcessTesting.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

using testsupport::Clock;
using testsupport::MsSince;
using testsupport::Reaped;
using testsupport::TempDir;

const std::string kChild = testsupport::ChildPath();

#ifdef _WIN32
// Run without a working console (Wine starts a program with one that does
// not work), this program would give each child a hidden console of its own,
// and Wine's console host would then hold the child's output open after the
// child closed it. With a console of this program's own, children share it.
const bool kOwnConsole = [] {
    DWORD attached = 0;
    if (GetConsoleProcessList(&attached, 1) != 0) {
        return true;
    }
    FreeConsole();
    return AllocConsole() != 0;
}();
#endif

// Runs the child as the window does (the whole command as program) and reads
// once into a text that already holds something: the output is appended.
TEST(TChildProc, ReadGathersTheOutputUntilItEndsOrFallsSilent) {
    // A program whose path holds blanks starts.
    TempDir dir;
    const std::string spaced = dir.File("Herramientas de video") + kPathSeparator;
    std::filesystem::create_directory(spaced);
    std::filesystem::copy_file(kChild, spaced + ToolFileName("child"));
    struct Row {
        std::string exe;
        std::string commandLine;
        int timeout;
        std::string output;
        long maxMs = 2500;
        long minMs = 0;
    };
    for (const Row& row : {
             // Ends at the end of data, not after the silence.
             Row{kChild + " progress 50", "", 5000,
                 "Progress: 0%\r\nProgress: 50%\r\nProgress: 100%\r\ndone\r\n"},
             Row{kChild, "closeout", 5000, "done\r\n"},
             // The window's own silence: not even a tenth of it is waited.
             Row{kChild, "closeout", 30000, "done\r\n"},
             Row{kChild + " silent 3000", "", 400, "", 2500, 350},
             Row{kChild + " silent 3000", "", 0, "", 1000},
             Row{kChild + " silent 3000", "", -1000, "", 1000},
             Row{kChild, "stderr", 3000, ""},
             // Silence counts from the last data: a pause longer than the
             // limit cuts the output, bursts each closer than the limit over
             // a longer whole do not.
             Row{kChild + " progress 100 1500", "", 300, "Progress: 0%\r\n", 1400},
             Row{kChild + " progress 20 100", "", 400,
                 "Progress: 0%\r\nProgress: 20%\r\nProgress: 40%\r\nProgress: 60%\r\n"
                 "Progress: 80%\r\nProgress: 100%\r\ndone\r\n"},
             Row{kChild + " zero", "", 2000, "abef"},
             // All of a megabyte, however slowly a busy system passes it on.
             Row{kChild + " big 1000000", "", 2000, std::string(1000000, 'x'), 60000},
             // A bare name is found in the program folder, the test program's.
             Row{"torvane_test_child progress 100", "", 2000,
                 "Progress: 0%\r\nProgress: 100%\r\ndone\r\n"},
             Row{spaced + ToolFileName("child") + " args -i", "", 2000,
                 "[" + spaced + ToolFileName("child") + "]\r\n[args]\r\n[-i]\r\n"},
             Row{kChild + " cwd", "", 2000, std::filesystem::current_path().string()},
    // program and commandLine are joined by one blank.
#ifdef _WIN32
             // Quoted paths arrive as one argument each (a volume without 8.3
             // names leaves the blanks in the short form).
             Row{kChild + " args " + CommandWord("C:\\My Videos\\a b.mkv") +
                     " 1:" + CommandWord("C:\\My Videos\\") + "Track1.avi " +
                     CommandWord("C:\\My Videos\\"),
                 "x", 2000,
                 "[" + kChild +
                     "]\r\n[args]\r\n[C:\\My Videos\\a b.mkv]\r\n"
                     "[1:C:\\My Videos\\Track1.avi]\r\n[C:\\My Videos\\]\r\n[x]\r\n"},
#else
             // Split at blanks and tabs, without quoting.
             Row{kChild + "  args\t'a b'  \"c\"", "x", 2000,
                 "[" + kChild + "]\r\n[args]\r\n['a]\r\n[b']\r\n[\"c\"]\r\n[x]\r\n"},
             Row{kChild + " fds", "", 2000, "0"},
#endif
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
    using Kind = RunOutcome::Kind;
    struct Row {
        const char* arguments;
        int timeout;
        Kind kind;
        int code;
        const char* errors;
    };
    for (const Row& row : {
             Row{"exit 0", 2000, Kind::Exited, 0, "to standard error\n"},
             Row{"exit 2", 2000, Kind::Exited, 2, "to standard error\n"},
#ifndef _WIN32
             Row{"crash", 2000, Kind::Signalled, SIGSEGV, ""},
#endif
             // Silent past the Timeout, though it wrote to its error output.
             Row{"stderr 3000", 300, Kind::TimedOut, 0, "error text\r\n"},
             // Ended its output but not itself.
             Row{"closeout", 2000, Kind::TimedOut, 0, ""},
             Row{"silent 60000", 200, Kind::TimedOut, 0, ""},
         }) {
        SCOPED_TRACE(row.arguments);
        const auto start = Clock::now();
        TChildProc child(kChild, row.arguments);
        std::string output;
        child.ReadChildOutput(row.timeout, output);
        const RunOutcome end = child.Finish();
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
         {std::pair{"progress 100", true}, std::pair{"silent 60000", true},
          std::pair{"big 1000000", false}}) {
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

#ifndef _WIN32  // under Wine, processes started side by side fail now and then
// The batch window identifies several files at once, each on a thread of its
// own: runs side by side each read their own child's output, and none waits
// for another's child, which holds no run's pipe but its own.
TEST(TChildProc, RunsOnSeveralThreadsAtOnceKeepToTheirOwnChild) {
    const auto start = Clock::now();
    long slowMs = 0;
    std::thread slow([&] {
        TChildProc child(kChild, "silent 5000");
        std::string output;
        child.ReadChildOutput(20000, output);
        EXPECT_TRUE(child.Finish().Succeeded());
        slowMs = MsSince(start);
    });
    std::vector<std::thread> quick;
    std::vector<long> quickMs(4);
    for (std::size_t t = 0; t < quickMs.size(); ++t) {
        quick.emplace_back([&, t] {
            for (int run = 0; run < 5; ++run) {
                const std::string tag = std::to_string(t) + "-" + std::to_string(run);
                TChildProc child(kChild, "args " + tag);
                std::string output;
                child.ReadChildOutput(20000, output);
                EXPECT_EQ(output, "[" + kChild + "]\r\n[args]\r\n[" + tag + "]\r\n");
                EXPECT_TRUE(child.Finish().Succeeded()) << tag;
            }
            quickMs[t] = MsSince(start);
        });
    }
    for (std::thread& thread : quick) {
        thread.join();
    }
    slow.join();
    for (const long ms : quickMs) {
        EXPECT_LT(ms, slowMs);
    }
}
#endif

#ifdef _WIN32
// The program keeps UTF-8; the tools take their arguments and open their
// files in the ANSI code page.
TEST(TChildProc, Utf8NamesSurviveTheSystemsAnsiCalls) {
    TempDir dir;
    const std::filesystem::path folder(dir.Path());
    std::ofstream(folder / L"Pel\u00edcula.mkv", std::ios::binary) << "matroska";
    // Narrow texts are UTF-8 here, as in the program.
    const std::string source = ExtractShortPathName(dir.File("Pel\u00edcula.mkv"));
    ASSERT_NE(source, "");
    const std::string cover = dir.File("car\u00e1tula.jpg");
    TChildProc child(kChild, "copy " + CommandWord(source) + " " + CommandWord(cover));
    std::string output;
    child.ReadChildOutput(2000, output);
    EXPECT_TRUE(child.Finish().Succeeded());
    std::string copied;
    std::ifstream(folder / L"car\u00e1tula.jpg", std::ios::binary) >> copied;
    EXPECT_EQ(copied, "matroska");
    // A path without blanks is left unquoted.
    EXPECT_EQ(CommandWord("C:\\PROGRA~1\\"), "C:\\PROGRA~1\\");
}
#endif

TEST(TChildProc, MissingProgramFailsWithExactMessage) {
    try {
        TChildProc child("/nonexistent/folder/ostrem -i ", "");
        FAIL() << "no error";
    } catch (const ECreateChildProcessErr& e) {
        EXPECT_STREQ(e.what(),
                     "Error creating Chilg Process.\r\rCreateChildProcess(ExeName, CommadLine, "
                     "FChildStdoutWr)");
    }
    // The whole run gives the message as a start failure.
    const RunOutcome end = RunCaptured("/nonexistent/folder/ostrem -i ", 1000).end;
    EXPECT_EQ(end.kind, RunOutcome::Kind::NotStarted);
    EXPECT_EQ(end.startFailure, RunOutcome::StartFailure::AsReasonSays);
    EXPECT_STREQ(end.reason.c_str(), ECreateChildProcessErr().what());
    EXPECT_THROW(TChildProc("no-such-tool-anywhere", ""), Exception);
    EXPECT_THROW(TChildProc("", ""), ECreateChildProcessErr);
#ifndef _WIN32
    // A folder or a file without execute permission is no program.
    TempDir dir;
    testsupport::WriteBytes(dir.File("tool"), "#!/bin/sh\necho hi\n");
    EXPECT_THROW(TChildProc(dir.File("tool"), ""), ECreateChildProcessErr);
    EXPECT_THROW(TChildProc(dir.File(""), ""), ECreateChildProcessErr);
#endif
}

#ifndef _WIN32
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Memory running out while the output grows: the whole text becomes
// "Read Err" and nothing escapes. Run in a child process that lowers its
// own address-space limit (not under the sanitizers, which need far more).
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
    if (kSanitized) {
        GTEST_SKIP() << "address-space limits do not mix with the sanitizers";
    }
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(ReadUnderMemoryLimit(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace torvane
