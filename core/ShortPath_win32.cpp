#include <windows.h>

#include "core/ShortPath.h"

namespace torvane {

std::string ExtractShortPathName(const std::string& path) {
    // A buffer of MAX_PATH bytes, terminator included; a longer short form is
    // treated as a failure, as is any failure of the call.
    char buffer[MAX_PATH];
    const DWORD got = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (got == 0 || got >= MAX_PATH) {
        return {};
    }
    return std::string(buffer, got);
}

}  // namespace torvane
