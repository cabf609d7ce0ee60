#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "core/Exception.h"
#include "process/RunOutcome.h"

namespace torvane {

// The captured run (TChildProc): runs one console tool hidden, with its
// standard output on a pipe, and gathers that output as bytes.

// The three failures of starting a captured run. Each message is a headline,
// two CR bytes (no LF) and the call that failed; the texts are fixed and
// English whatever the interface language.
class ECreatePipeErr : public Exception {
  public:
    ECreatePipeErr();
};

class EDuplicateHandleErr : public Exception {
  public:
    EDuplicateHandleErr();
};

class ECreateChildProcessErr : public Exception {
  public:
    ECreateChildProcessErr();
};

// One object serves one run: the constructor starts the child, one call of
// ReadChildOutput gathers its output, Finish() awaits its end, the destructor
// releases everything.
//
// The child gets the command line program + " " + commandLine (on POSIX split
// into arguments at runs of blanks and tabs, see CommandSplit.h), a pipe as
// standard input that nothing is written to, standard output on a pipe,
// standard error on a pipe of its own (read alongside, kept apart, see
// ErrorOutput()), the current folder and environment of the program, and no
// window. On POSIX it leads a process group of its own: a Ctrl+C meant for
// the program does not end it halfway.
class TChildProc {
  public:
    // Starts the child. The command line is UTF-8; Windows takes it in the
    // ANSI code page, and one holding a character the code page cannot pass
    // on is not started. Throws ECreatePipeErr when a pipe cannot be made,
    // EDuplicateHandleErr when the pipe ends cannot be set up for the child,
    // and ECreateChildProcessErr when the program cannot be found or started.
    // Nothing is left open when it throws.
    TChildProc(const std::string& program, const std::string& commandLine);

    // Closes the pipe ends. The child is always reaped: one that has not ended
    // shortly after its output was closed is killed first. No zombie is left.
    ~TChildProc();

    // The most of the child's standard error that is kept; the rest is read
    // and dropped, so that a talkative child never stalls.
    static constexpr std::size_t kMaxErrorOutput = std::size_t{64} * 1024;

    TChildProc(const TChildProc&) = delete;
    TChildProc& operator=(const TChildProc&) = delete;

    // Appends the child's standard output to Output, byte for byte (no
    // transcoding, no change of line ends). A chunk is cut at its first zero
    // byte; later chunks are appended as usual.
    // Reading ends as soon as the child has closed its output (it exited), or
    // after about Timeout milliseconds without any byte on either output (ten
    // polls, each Timeout / 10 ms apart), or when a read fails; the child's
    // output after such a pause is not read. No exception leaves it: an
    // internal failure (memory exhausted, for instance) replaces Output whole
    // by "Read Err".
    void ReadChildOutput(int Timeout, std::string& Output);

    // After the read: awaits the child's end and tells how it ended. A child
    // whose read ended by silence is killed at once; one that has not ended
    // shortly after closing its output is killed then. Both give TimedOut.
    // The same end is given on every later call.
    RunOutcome Finish();

    // What the child wrote to its standard error during the read and up to
    // Finish(), at most kMaxErrorOutput bytes, byte for byte.
    const std::string& ErrorOutput() const;

    // The child's process id (for tests and diagnostics).
    long ChildId() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What one whole captured run gave.
struct CapturedOutput {
    std::string output;  // standard output, as ReadChildOutput gathered it
    RunOutcome end;
    std::string errors;  // standard error, as ErrorOutput() keeps it
};

// How long a captured tool run may stay silent before it is stopped and
// reported; generous, since the end of a tool's output ends the read at once.
inline constexpr int kCaptureSilenceMs = 30000;

// Runs a tool's whole command line captured: started, its output read until
// it ends or stays silent for silenceMs, its end awaited. One that cannot be
// started ends NotStarted (AsReasonSays), the reason the message TChildProc's
// constructor threw.
CapturedOutput RunCaptured(const std::string& command, int silenceMs);

}  // namespace torvane
