#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ProgramFolder.h"

namespace torvane {

const char kPathSeparator = '\\';

std::string ToolFileName(std::string_view bareName) {
    return std::string(bareName) + ".exe";
}

std::string FolderOf(std::string_view path) {
    const std::size_t sep = path.find_last_of("\\/:");
    if (sep == std::string_view::npos) {
        return {};
    }
    return std::string(path.substr(0, sep + 1));
}

std::string ProgramFolder() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD got =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0) {
            return {};
        }
        if (got < buffer.size()) {
            return FolderOf(std::string_view(buffer.data(), got));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string UserFolder() {
    const char* appData = std::getenv("APPDATA");
    if (appData != nullptr && appData[0] != '\0') {
        return std::string(appData) + "\\Torvane\\";
    }
    return {};
}

}  // namespace torvane
