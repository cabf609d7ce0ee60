#include <cstdlib>
#include <string_view>

#include "core/StartFolder.h"

namespace torvane {

Language UserLocaleLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        const std::string_view locale(value);
        const bool spanish =
            locale == "es" || (locale.size() > 2 && locale.starts_with("es") &&
                               std::string_view("_.@").find(locale[2]) != std::string_view::npos);
        return spanish ? Language::Spanish : Language::English;
    }
    return Language::English;
}

// The launcher (packaging/launcher.sh) has chosen the folder.
void EnterStartFolder(const std::string&) {}

}  // namespace torvane
