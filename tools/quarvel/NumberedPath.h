// The n:PATH arguments of quarvel's tracks and attachments modes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

struct NumberedPath {
    uint64_t number = 0;  // the item's number in the listing, from 1
    std::string path;
};

// Parses one "n:PATH": n decimal from 1, at most nine digits; PATH not empty.
// The first ':' splits, so "2:D:\OUT\Track2.ac3" names D:\OUT\Track2.ac3.
// Nothing when the argument is not of that form.
std::optional<NumberedPath> ParseNumberedPath(std::string_view argument);

}  // namespace quarvel
