#pragma once

#include <string>

namespace torvane {

// The form of a path that goes into a command line, which is split at blanks.
// Paths are UTF-8.
// - Missing or empty path: the empty text.
// - Windows: the 8.3 short form from GetShortPathNameA (260-byte buffer), or
//   the empty text when the call fails or the path has no form in the ANSI
//   code page. Where the volume keeps no 8.3 names the long path comes back,
//   blanks included: see CommandWord.
// - POSIX: an existing path free of blanks, tabs and line breaks comes back
//   absolute and otherwise unchanged. One that holds any of them gets a
//   blank-free symbolic link in a per-user alias folder
//   ($XDG_CACHE_HOME/torvane/short/, else ~/.cache/torvane/short/, else
//   /tmp/torvane-UID/), which resolves to the same file or folder; the same
//   path always gets the same alias. A trailing '/' on the path is kept on
//   the result. The empty text when no alias can be made.
std::string ExtractShortPathName(const std::string& path);

// A short path (or the start of one, such as an output folder with its
// separator) as it goes into a command line, so that it stays one argument.
// POSIX: unchanged, short paths hold no blank. Windows: a path still holding
// a blank is quoted, the tools' argument parsing honouring quotes; trailing
// backslashes stay after the closing quote, where they cannot escape it
// ("C:\My Videos"\ reaches the tool as C:\My Videos\).
std::string CommandWord(const std::string& shortPath);

}  // namespace torvane
