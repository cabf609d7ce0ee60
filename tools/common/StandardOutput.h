// Standard output of the tools: every line ends in CR LF on every platform, as
// the window splits captured output at CR LF.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tools {

// Switches standard output to binary mode where the platform translates line
// ends, so "\r\n" is written as two bytes. Call once at start. One
// implementation per platform (StandardOutput_posix.cpp, _win32.cpp).
void SetBinaryStdout();

// Writes `line` and CR LF to standard output.
void PrintLine(std::string_view line);

// Writes `text` to standard output unchanged.
void PrintRaw(std::string_view text);

// Writes "PROGRAM: MESSAGE" and a line end to standard error.
void PrintError(std::string_view program, std::string_view message);

// For the benchmarks: when TORVANE_REPORT_BYTES is set, writes
// "bytes read: N" to standard error, N being what the run read of its file.
void ReportBytesRead(unsigned long long bytes);

// Runs a tool's work and returns its exit status. Memory is bounded by the
// reader's and the pass's limits; should an allocation fail all the same (or
// another exception escape), the run ends with "PROGRAM: MESSAGE" and status
// 2, its temporary files removed on the way out, never with an abort.
int RunGuarded(std::string_view program, const std::function<int()>& run);

// A name made safe for one listing line: control characters (C0, DEL) become
// '?', so a name can never break the line.
std::string SafeName(std::string_view name);

}  // namespace tools
