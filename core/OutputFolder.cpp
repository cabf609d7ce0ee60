#include "core/OutputFolder.h"

#include <filesystem>
#include <system_error>

#include "platform/ProgramFolder.h"

namespace torvane {

std::string OutputFolderPrefix(const std::string& shortForm) {
    if (shortForm.empty() || shortForm.back() == '/' || shortForm.back() == '\\') {
        return shortForm;
    }
    return shortForm + kPathSeparator;
}

OutputFolderCheck PrepareOutputFolder(const std::string& typed) {
    namespace fs = std::filesystem;
    OutputFolderCheck check;
    std::error_code error;
    if (typed.empty() || fs::is_directory(typed, error)) {
        return check;
    }
    fs::create_directories(typed, error);
    std::error_code ignored;
    if (!error && !fs::is_directory(typed, ignored)) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    if (error) {
        check.result = OutputFolderCheck::Result::Failed;
        check.reason = error.message();
        return check;
    }
    check.result = OutputFolderCheck::Result::Created;
    return check;
}

}  // namespace torvane
