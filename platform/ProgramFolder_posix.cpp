#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ProgramFolder.h"

namespace torvane {

const char kPathSeparator = '/';

std::string ToolFileName(std::string_view bareName) {
    return std::string(bareName);
}

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    return std::string(path.substr(0, slash + 1));
}

std::string ProgramFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t got = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (got < 0) {
            return {};
        }
        if (static_cast<std::size_t>(got) < buffer.size()) {
            return FolderOf(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string UserFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/torvane/";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.config/torvane/";
    }
    return {};
}

}  // namespace torvane
