#pragma once

#include <string>
#include <string_view>

namespace torvane {

// The platform's path separator: '/' on POSIX, '\\' on Windows.
extern const char kPathSeparator;

// Bare names of the two tools, as the extraction command lines use them.
inline constexpr std::string_view kIdentifyToolName = "ostrem";
inline constexpr std::string_view kExtractToolName = "quarvel";

// The folder of the running executable, up to and including its last
// separator (full, long form). Empty only if the platform cannot tell.
std::string ProgramFolder();

// The per-user folder (ending in a separator) where an installed program keeps
// what its read-only program folder cannot take: "$XDG_CONFIG_HOME/torvane/",
// else "$HOME/.config/torvane/" (a relative XDG_CONFIG_HOME is ignored, as
// the XDG base directory rules ask); "%APPDATA%\Torvane\" on Windows. Empty
// when the environment names no such place. The folder may not exist yet.
std::string UserFolder();

// The folders the system searches for a program (the PATH variable), as the
// environment holds them; empty when it is not set.
std::string SearchPath();

// The folder part of a path: everything up to and including its last
// separator ('/' on POSIX; '\\', '/' or ':' on Windows). Empty when the path
// holds none.
std::string FolderOf(std::string_view path);

// The file name of a tool: "ostrem" gives "ostrem" on POSIX and "ostrem.exe"
// on Windows.
std::string ToolFileName(std::string_view bareName);

// True when the path names an existing regular file (after following links);
// a folder, a missing path or the empty path gives false.
bool FileExists(const std::string& path);

// True when both tools stand in the folder (which must end in a separator).
// The extraction tool is only examined when the identification tool exists.
bool ToolsPresent(const std::string& folder);

}  // namespace torvane
