// Standard output of the tools: every line ends in CR LF on every platform, as
// the window splits captured output at CR LF. What a tool prints as its result
// (the listing, the chapters, the tags) is checked: a write that failed, on a
// full disk, a closed descriptor or a pipe whose reader has gone, fails the
// run, so that a script never keeps an empty or cut file with status 0.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tools {

// Call first, before any file is opened. Each standard descriptor (0, 1, 2)
// the tool was started without gets the null device, so that no file the tool
// opens takes its number and receives what is printed; a standard output
// found closed then fails every PrintLine and PrintRaw, as it would have.
// Standard output is switched to binary where the platform translates line
// ends. False when this cannot be done: the tool must stop at once, with
// status 2, having nowhere to say why.
bool PrepareStandardStreams();

// Writes `line` and CR LF to standard output, as part of the tool's result.
void PrintLine(std::string_view line);

// Writes `text` to standard output unchanged, as part of the tool's result.
void PrintRaw(std::string_view text);

// Writes a report line and CR LF to standard output at once: the progress of
// tracks, what attachments wrote. The files are the result; a reader that
// stops reading the reports must not fail the run, so a failed write of one
// is let go.
void PrintReport(std::string_view line);

// Writes "PROGRAM: MESSAGE" and a line end to standard error.
void PrintError(std::string_view program, std::string_view message);

// Call last: flushes standard output and returns `status`, or, when a part of
// the result could not be written (told on standard error as "PROGRAM:
// cannot write to standard output: REASON"), kExitFailed.
int FinishStandardOutput(std::string_view program, int status);

// For the benchmarks: when TORVANE_REPORT_BYTES is set, writes
// "bytes read: N" to standard error, N being what the run read of its file.
void ReportBytesRead(unsigned long long bytes);

// Runs a tool's work and returns its exit status. Memory is bounded by the
// reader's and the pass's limits; should an allocation fail all the same (or
// another exception escape), the run ends with "PROGRAM: MESSAGE" and status
// 2, its temporary files removed on the way out, never with an abort.
int RunGuarded(std::string_view program, const std::function<int()>& run);

// The platform's part of PrepareStandardStreams, one implementation per
// platform (StandardOutput_posix.cpp, _win32.cpp).
namespace platform {
// Opens the null device on each closed standard descriptor; `closed[k]`
// tells whether descriptor k was closed. False when one could not be opened.
bool FillClosedStandardDescriptors(bool (&closed)[3]);
// Switches standard output to binary mode where the platform translates line
// ends, so "\r\n" is written as two bytes.
void SetBinaryStdout();
}  // namespace platform

}  // namespace tools
