#include "core/Settings.h"

#include <filesystem>
#include <system_error>

#include "core/Exception.h"
#include "core/FileIo.h"
#include "platform/ProgramFolder.h"

namespace torvane {

Language LanguageFromWord(std::string_view word) {
    if (word == kWordSpanish) {
        return Language::Spanish;
    }
    if (word == kWordEnglish) {
        return Language::English;
    }
    return Language::Unrecognised;
}

SettingsFile::SettingsFile(std::string absolutePath) : path_(std::move(absolutePath)) {}

SettingsFile SettingsFile::InStartupFolder() {
    std::error_code ec;
    std::string folder = std::filesystem::current_path(ec).string();
    if (ec) {
        // Without a current folder the bare name is the best that can be done.
        return SettingsFile(std::string(kSettingsFileName));
    }
    if (folder.empty() || folder.back() != kPathSeparator) {
        folder += kPathSeparator;
    }
    return SettingsFile(folder + std::string(kSettingsFileName));
}

std::string SettingsFile::ReadWord() const {
    // Only the first line matters; a stray huge file is not read whole.
    auto word = fileio::ReadUntilAny(path_, std::string_view("\r\n\x1a", 3));
    if (!word) {
        throw IoError("File not found");
    }
    return std::move(*word);
}

void SettingsFile::WriteWord(std::string_view word) const {
    std::string bytes(word);
    bytes += "\r\n";
    fileio::ReplaceFile(path_, bytes, fileio::Links::WriteThrough);
}

}  // namespace torvane
