#pragma once

#include <string>

namespace torvane {

// The form of a path that goes into a command line, which is split at blanks
// and never quoted.
// - Missing or empty path: the empty text.
// - Windows: the 8.3 short form from GetShortPathNameA (260-byte buffer), or
//   the empty text when the call fails.
// - POSIX: an existing path free of blanks, tabs and line breaks comes back
//   absolute and otherwise unchanged. One that holds any of them gets a
//   blank-free symbolic link in a per-user alias folder
//   ($XDG_CACHE_HOME/torvane/short/, else ~/.cache/torvane/short/, else
//   /tmp/torvane-UID/), which resolves to the same file or folder; the same
//   path always gets the same alias. A trailing '/' on the path is kept on
//   the result. The empty text when no alias can be made.
std::string ExtractShortPathName(const std::string& path);

}  // namespace torvane
