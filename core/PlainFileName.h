#pragma once

#include <string>

namespace torvane {

// Makes a name taken from a file (an attachment's, already free of blanks and
// separators) one that the system stores as a file of its own under that very
// name, so that an output never lands elsewhere or under another output's
// name.
// - POSIX: unchanged; every other byte is allowed.
// - Windows: a character the system refuses, or reads as a stream or a
//   wildcard (: * ? " < > | and the control characters), becomes '_', and so
//   does a trailing dot, which the system would drop. A device name (CON,
//   PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any case) standing alone or
//   before the name's first dot gets a '_' in front.
void MakePlainFileName(std::string& name);

}  // namespace torvane
