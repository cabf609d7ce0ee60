#include "tools/quarvel/NumberedPath.h"

namespace quarvel {

std::optional<NumberedPath> ParseNumberedPath(std::string_view argument) {
    const size_t colon = argument.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 9 ||
        colon + 1 == argument.size()) {
        return std::nullopt;
    }
    uint64_t number = 0;
    for (const char c : argument.substr(0, colon)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number == 0) {
        return std::nullopt;
    }
    return NumberedPath{number, std::string(argument.substr(colon + 1))};
}

}  // namespace quarvel
