#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace torvane {

std::string SearchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "";
}

bool FileExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool ToolsPresent(const std::string& folder) {
    return FileExists(folder + ToolFileName(kIdentifyToolName)) &&
           FileExists(folder + ToolFileName(kExtractToolName));
}

}  // namespace torvane
