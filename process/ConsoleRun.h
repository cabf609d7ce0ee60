#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "process/RunOutcome.h"

// The extraction runs: one console tool started from a whole command line,
// watched while it works and always reaped. No Qt here; the console window
// of the user interface is built on this.

namespace torvane {

// Gathers a tool's output bytes into complete lines. A line ends at CR LF, at
// LF or at a CR standing alone (a tool that redraws one line with CR gives one
// line per redraw).
class ConsoleLines {
  public:
    // Adds bytes and returns the lines they completed, without line ends.
    std::vector<std::string> Add(std::string_view bytes);
    // The unfinished last line, if any, once the output has ended.
    std::optional<std::string> Finish();

  private:
    std::string pending_;
    bool afterCr_ = false;
};

// The lines of a tool's output that say something: every line but the
// progress lines and the empty ones, in order, without line ends.
std::vector<std::string> MessageLines(std::string_view output);

// The percentage of a progress line "Progress: N%" (N from 0 to 100, blanks
// after it allowed), or std::nullopt for any other line.
std::optional<int> ParseProgressLine(std::string_view line);

// One run of a console tool.
//
// The command line (UTF-8) is split at blanks and its first word looked up
// as the platform does for an unquoted program (POSIX: the program folder
// first, then each folder of the search path; see CommandSplit.h). The tool
// inherits the current folder and environment, and leads a process group of
// its own, so that cancelling reaches whatever it started.
//
// POSIX: standard output and standard error share one pipe whose read end
// OutputHandle() gives, non-blocking; standard input is /dev/null. There is
// no limit on the command line's length.
// Windows: the tool gets a console window of its own and writes both outputs
// there; OutputHandle() is -1. The line goes to the system in the ANSI code
// page: one longer than the kMaxWindowsCommandLine characters Windows takes,
// or holding a character the code page has no form for, is not started
// (CannotRun, with the reason).
class ConsoleRun {
  public:
    // How long a cancelled tool may take to end before it is killed.
    static constexpr std::chrono::milliseconds kDefaultGrace{3000};

    // The longest command line Windows starts, in characters, its
    // terminator not counted.
    static constexpr std::size_t kMaxWindowsCommandLine = 32766;

    // Starts the tool. A failure to start throws nothing: Started() is false
    // and Poll() gives the NotStarted outcome with its reason.
    ConsoleRun(std::string_view commandLine, const std::string& programFolder,
               std::string_view pathList);

    // The same with the running program's folder and the search path.
    explicit ConsoleRun(std::string_view commandLine);

    // A tool still running is cancelled and awaited (at most the grace
    // period, then it is killed). The tool is always reaped.
    ~ConsoleRun();

    ConsoleRun(const ConsoleRun&) = delete;
    ConsoleRun& operator=(const ConsoleRun&) = delete;

    bool Started() const;

    // The read end of the output pipe, for a readiness notifier; -1 when the
    // run did not start or the tool writes to a console of its own.
    int OutputHandle() const;

    // Appends whatever output waits, without blocking. Returns false once the
    // output has ended (every writer has closed it) or when there is none to
    // read; true while more may come.
    bool ReadAvailable(std::string& output);

    // Without blocking: the outcome once the tool has ended (it is reaped
    // then, and the same outcome is given on every later call), std::nullopt
    // while it runs. A cancelled tool still running after the grace period
    // is killed here.
    std::optional<RunOutcome> Poll();

    // Blocks until the tool has ended and gives the outcome. The output read
    // meanwhile is appended to *output, or discarded when output is null, so
    // that a tool never stalls on a full pipe.
    RunOutcome Wait(std::string* output = nullptr);

    // Asks the tool to end (POSIX: SIGTERM, and SIGCONT in case it was
    // stopped, to its process group; Windows: CTRL_BREAK_EVENT to its
    // process group, on its console). One still running `grace` later is
    // killed (SIGKILL; TerminateProcess) by the next Poll, Wait or the
    // destructor. The outcome is then Cancelled, whatever status the tool
    // ends with. Does nothing once the tool has ended.
    void Cancel(std::chrono::milliseconds grace = kDefaultGrace);

    // The tool's process id, or -1.
    long ProcessId() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace torvane
