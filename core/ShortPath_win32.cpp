#include <windows.h>

#include <optional>

#include "core/AnsiText_win32.h"
#include "core/ShortPath.h"

namespace torvane {

std::string ExtractShortPathName(const std::string& path) {
    const std::optional<AnsiText> ansi = ToAnsiCall(path);
    if (!ansi || ansi->text.empty()) {
        return {};
    }
    // A buffer of MAX_PATH bytes, terminator included; a longer short form is
    // treated as a failure, as is any failure of the call.
    char buffer[MAX_PATH];
    const DWORD got = GetShortPathNameA(ansi->text.c_str(), buffer, MAX_PATH);
    if (got == 0 || got >= MAX_PATH) {
        return {};
    }
    const std::string_view shortForm(buffer, got);
    return ansi->fromUtf8 ? Utf8FromAnsi(shortForm) : std::string(shortForm);
}

std::string CommandWord(const std::string& shortPath) {
    if (shortPath.find_first_of(" \t") == std::string::npos) {
        return shortPath;
    }
    const std::size_t end = shortPath.find_last_not_of('\\') + 1;
    return '"' + shortPath.substr(0, end) + '"' + shortPath.substr(end);
}

}  // namespace torvane
