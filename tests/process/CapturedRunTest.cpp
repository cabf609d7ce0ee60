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

#include "core/ProgramFolder.h"
#include "core/ShortPath.h"
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

// Runs the child the way the window does: whole command as ExeName, empty
// CommadLine, one read into an empty text.
std::string Capture(const std::string& command, int timeout, long* elapsedMs = nullptr) {
    TChildProc child(command, "");
    std::string output;
    const auto start = Clock::now();
    child.ReadChildOutput(timeout, output);
    if (elapsedMs != nullptr) {
        *elapsedMs = MsSince(start);
    }
    return output;
}

TEST(TChildProc, ChildThatWritesAndExitsIsReadWholeWellBeforeTimeout) {
    long elapsed = 0;
    const std::string out = Capture(kChild + " lines 3", 5000, &elapsed);
    EXPECT_EQ(out, "line 0\r\nline 1\r\nline 2\r\n");
    // The read ends at the end of data, not after 5 s of silence.
    EXPECT_LT(elapsed, 2500);
}

TEST(TChildProc, SilentChildThatKeepsRunningEndsAfterTimeout) {
    long elapsed = 0;
    const std::string out = Capture(kChild + " silent 3000", 400, &elapsed);
    EXPECT_EQ(out, "");
    EXPECT_GE(elapsed, 350);
    EXPECT_LT(elapsed, 2500);
}

TEST(TChildProc, ZeroOrNegativeTimeoutWaitsForNoSilence) {
    for (const int timeout : {0, -1000}) {
        long elapsed = 0;
        EXPECT_EQ(Capture(kChild + " silent 3000", timeout, &elapsed), "");
        EXPECT_LT(elapsed, 1000);
    }
}

TEST(TChildProc, StandardErrorIsKeptApart) {
    TChildProc child(kChild, "stderr");
    std::string output;
    child.ReadChildOutput(3000, output);
    EXPECT_EQ(output, "");
    EXPECT_TRUE(child.Finish().Succeeded());
    EXPECT_EQ(child.ErrorOutput(), "error text\r\n");
}

TEST(TChildProc, FinishTellsEachEnd) {
    using Kind = CapturedEnd::Kind;
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
         }) {
        SCOPED_TRACE(row.arguments);
        const auto start = Clock::now();
        TChildProc child(kChild, row.arguments);
        std::string output;
        child.ReadChildOutput(row.timeout, output);
        const CapturedEnd end = child.Finish();
        EXPECT_EQ(end.kind, row.kind);
        EXPECT_EQ(end.code, row.code);
        EXPECT_EQ(child.ErrorOutput(), row.errors);
        EXPECT_LT(MsSince(start), 2500);
        EXPECT_TRUE(Reaped(child.ChildId()));
        EXPECT_EQ(child.Finish().kind, row.kind);
    }
}

TEST(TChildProc, PauseLongerThanTimeoutCutsTheOutput) {
    EXPECT_EQ(Capture(kChild + " pause 1500", 300), "before\r\n");
}

TEST(TChildProc, PauseShorterThanTimeoutDoesNot) {
    EXPECT_EQ(Capture(kChild + " pause 100", 2000), "before\r\nafter\r\n");
    // Silence counts from the last data: bursts each closer than the limit,
    // over a whole longer than it, are read to the end.
    EXPECT_EQ(Capture(kChild + " progress 20 100", 400),
              "Progress: 0%\r\nProgress: 20%\r\nProgress: 40%\r\nProgress: 60%\r\n"
              "Progress: 80%\r\nProgress: 100%\r\ndone\r\n");
}

TEST(TChildProc, ZeroByteCutsItsChunkOnly) {
    EXPECT_EQ(Capture(kChild + " zero", 2000), "abef");
}

TEST(TChildProc, LargeOutputArrivesWhole) {
    const std::string out = Capture(kChild + " big 1000000", 2000);
    EXPECT_EQ(out.size(), 1000000u);
    EXPECT_EQ(out.find_first_not_of('x'), std::string::npos);
}

TEST(TChildProc, OutputIsAppendedToWhatTheTextHeld) {
    TChildProc child(kChild, "lines 1");
    std::string output = "kept\r\n";
    child.ReadChildOutput(2000, output);
    EXPECT_EQ(output, "kept\r\nline 0\r\n");
}

#ifdef _WIN32
TEST(TChildProc, QuotedPathsArriveAsOneArgumentEach) {
    // A volume without 8.3 names leaves the blanks in the short form.
    const std::string folder = "C:\\My Videos\\";
    EXPECT_EQ(Capture(kChild + " args " + CommandWord("C:\\My Videos\\a b.mkv") +
                          " 1:" + CommandWord(folder) + "Track1.avi " + CommandWord(folder),
                      2000),
              "[" + kChild +
                  "]\r\n[args]\r\n[C:\\My Videos\\a b.mkv]\r\n"
                  "[1:C:\\My Videos\\Track1.avi]\r\n[C:\\My Videos\\]\r\n");
    EXPECT_EQ(CommandWord("C:\\PROGRA~1\\"), "C:\\PROGRA~1\\");
}

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
}
#else
TEST(TChildProc, CommandIsSplitAtBlanksAndTabsWithoutQuoting) {
    EXPECT_EQ(Capture(kChild + "  args\t'a b'  \"c\"", 2000),
              "[" + kChild + "]\r\n[args]\r\n['a]\r\n[b']\r\n[\"c\"]\r\n");
    // ExeName and CommadLine are joined by one blank.
    TChildProc child(kChild + " args", "x");
    std::string output;
    child.ReadChildOutput(2000, output);
    EXPECT_EQ(output, "[" + kChild + "]\r\n[args]\r\n[x]\r\n");
}
#endif

TEST(TChildProc, BareNameIsFoundInProgramFolder) {
    // The test program and the helper share one folder, the program folder.
    EXPECT_EQ(Capture("torvane_test_child lines 1", 2000), "line 0\r\n");
}

TEST(TChildProc, ProgramPathWithBlanksStarts) {
    TempDir dir;
    const std::string folder = dir.File("Herramientas de video") + kPathSeparator;
    const std::string child = folder + ToolFileName("child");
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(kChild, child);
    EXPECT_EQ(Capture(child + " args -i x", 2000), "[" + child + "]\r\n[args]\r\n[-i]\r\n[x]\r\n");
}

TEST(TChildProc, ChildInheritsCurrentFolderAndNoStrayDescriptors) {
    EXPECT_EQ(Capture(kChild + " cwd", 2000), std::filesystem::current_path().string());
#ifndef _WIN32
    EXPECT_EQ(Capture(kChild + " fds", 2000), "0");
#endif
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

TEST(TChildProc, ExceptionMessagesAreExact) {
    EXPECT_STREQ(ECreatePipeErr().what(),
                 "Error when creating - Pipe.\r\rCreatePipe(FChildStdoutRd, FChildStdoutWr, "
                 "saAttr, 0)");
    EXPECT_STREQ(EDuplicateHandleErr().what(),
                 "Error when duplicate Handle Msg.\r\rDuplicateHandle(GetCurrentProcess(), "
                 "FChildStdoutRd, GetCurrentProcess(), @FChildStdoutRdDup, 0, False, "
                 "DUPLICATE_SAME_ACCESS)");
}

TEST(TChildProc, FinishedChildIsReaped) {
    long pid = 0;
    {
        TChildProc child(kChild, "lines 1");
        pid = child.ChildId();
        std::string output;
        child.ReadChildOutput(2000, output);
    }
    EXPECT_TRUE(Reaped(pid));
}

TEST(TChildProc, HangingChildIsKilledAndReapedWithoutLongWait) {
    long pid = 0;
    const auto start = Clock::now();
    {
        TChildProc child(kChild, "hang");
        pid = child.ChildId();
        std::string output;
        child.ReadChildOutput(200, output);
        EXPECT_EQ(output, "");
    }
    EXPECT_LT(MsSince(start), 3000);
    EXPECT_TRUE(Reaped(pid));
}

TEST(TChildProc, ChildThatClosesItsOutputEndsTheReadAtOnce) {
    long pid = 0;
    long elapsed = 0;
    {
        TChildProc child(kChild, "closeout");
        pid = child.ChildId();
        std::string output;
        const auto start = Clock::now();
        child.ReadChildOutput(5000, output);
        elapsed = MsSince(start);
        EXPECT_EQ(output, "done\r\n");
    }
    EXPECT_LT(elapsed, 2500);
    EXPECT_TRUE(Reaped(pid));
}

TEST(TChildProc, UnreadChildIsReaped) {
    long pid = 0;
    {
        TChildProc child(kChild, "big 1000000");  // blocks on a full pipe
        pid = child.ChildId();
    }
    EXPECT_TRUE(Reaped(pid));
}

#ifndef _WIN32
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

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
    if (kSanitized) {
        GTEST_SKIP() << "address-space limits do not mix with the sanitizer";
    }
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(ReadUnderMemoryLimit(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace torvane
