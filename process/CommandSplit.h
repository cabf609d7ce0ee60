#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// POSIX only: on Windows the platform splits and looks up command lines itself.

namespace torvane {

// Splits a command line into words at runs of blanks and tabs. There is no
// quoting and no escape: the paths in our command lines are blank-free by
// construction. Leading and trailing blanks give no empty word.
std::vector<std::string> SplitCommandLine(std::string_view line);

// True when the path names a regular file that the current user may execute.
bool IsExecutableFile(const std::string& path);

// Finds the program named by one word. A name holding '/' is taken as a path
// (relative to the current folder when not absolute); a bare name is looked
// for in programFolder first, then in each folder of pathList (':'-separated,
// empty entries skipped). Returns the path found, or the empty text.
std::string FindProgram(const std::string& name, const std::string& programFolder,
                        std::string_view pathList);

struct ResolvedCommand {
    std::string program;            // path to execute
    std::vector<std::string> argv;  // argv[0] is the program word as written
};

// Resolves a whole command line the way the platform does for an unquoted
// program path: the first word is the program; when it names no executable,
// the first two words with the blanks between them are tried as one, then the
// first three, and so on, so that a long program path with blanks still
// starts. The remaining words are the arguments. std::nullopt when the line is
// empty or no prefix names an executable.
std::optional<ResolvedCommand> ResolveCommand(std::string_view commandLine,
                                              const std::string& programFolder,
                                              std::string_view pathList);

// ResolveCommand with the running program's folder and the PATH variable.
std::optional<ResolvedCommand> ResolveCommand(std::string_view commandLine);

}  // namespace torvane
