#include <windows.h>

#include <string_view>

#include "core/Settings.h"
#include "core/StartFolder.h"

namespace torvane {

namespace {

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string_view UserLanguageWord() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_SPANISH ? kWordSpanish : kWordEnglish;
}

}  // namespace

Language UserLocaleLanguage() {
    return LanguageFromWord(UserLanguageWord());
}

void EnterStartFolder(const std::string& userFolder) {
    if (userFolder.empty() || IsFile(std::string(kSettingsFileName))) {
        return;
    }
    // The folder's parent (%APPDATA%) is the system's; only the last level is
    // ours to make.
    if (!CreateDirectoryA(userFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return;
    }
    if (!SetCurrentDirectoryA(userFolder.c_str())) {
        return;
    }
    const std::string settings = userFolder + std::string(kSettingsFileName);
    if (!IsFile(settings)) {
        try {
            SettingsFile(settings).WriteWord(UserLanguageWord());
        } catch (...) {
            // The window reports the missing file at start-up.
        }
    }
}

}  // namespace torvane
