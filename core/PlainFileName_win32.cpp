#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "core/PlainFileName.h"

namespace torvane {
namespace {

constexpr std::string_view kRefused = ":*?\"<>|";

bool IsDeviceName(std::string_view stem) {
    static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
    std::string upper(stem);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (std::find(kDevices.begin(), kDevices.end(), upper) != kDevices.end()) {
        return true;
    }
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
           upper[3] >= '1' && upper[3] <= '9';
}

}  // namespace

void MakePlainFileName(std::string& name) {
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || kRefused.find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    if (!name.empty() && name.back() == '.') {
        name.back() = '_';
    }
    if (IsDeviceName(std::string_view(name).substr(0, name.find('.')))) {
        name.insert(name.begin(), '_');
    }
}

}  // namespace torvane
