#pragma once

#include <memory>
#include <string>

#include "Exception.h"

namespace torvane {

// Unit Stdout: runs one console tool hidden, with its standard output on a
// pipe, and gathers that output as bytes.

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
// ReadChildOutput gathers its output, the destructor releases everything.
//
// The child gets the command line ExeName + " " + CommadLine (on POSIX split
// into arguments at runs of blanks and tabs, see CommandSplit.h), a pipe as
// standard input that nothing is written to, standard output on a pipe,
// standard error discarded, the current folder and environment of the
// program, and no window.
class TChildProc {
  public:
    // Starts the child. Throws ECreatePipeErr when a pipe cannot be made,
    // EDuplicateHandleErr when the pipe ends cannot be set up for the child,
    // and ECreateChildProcessErr when the program cannot be found or started.
    // Nothing is left open when it throws.
    TChildProc(const std::string& ExeName, const std::string& CommadLine);

    // Closes the pipe ends. The child is always reaped: one that has not ended
    // shortly after its output was closed is killed first. No zombie is left.
    ~TChildProc();

    TChildProc(const TChildProc&) = delete;
    TChildProc& operator=(const TChildProc&) = delete;

    // Appends the child's standard output to Output, byte for byte (no
    // transcoding, no change of line ends). A chunk is cut at its first zero
    // byte; later chunks are appended as usual.
    // Reading ends as soon as the child has closed its output (it exited), or
    // after about Timeout milliseconds without any byte (ten polls, each
    // Timeout / 10 ms apart), or when a read fails; the child's output after
    // such a pause is not read. No exception leaves it: an internal failure
    // (memory exhausted, for instance) replaces Output whole by "Read Err".
    void ReadChildOutput(int Timeout, std::string& Output);

    // The child's process id (for tests and diagnostics).
    long ChildId() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace torvane
