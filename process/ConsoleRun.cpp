#include "process/ConsoleRun.h"

#include <charconv>

namespace torvane {

std::vector<std::string> ConsoleLines::Add(std::string_view bytes) {
    std::vector<std::string> lines;
    for (const char c : bytes) {
        if (c == '\n' || c == '\r') {
            // CR LF gives one line: the CR ends it, the LF then finds nothing
            // pending and is skipped. An empty line between two LFs is kept.
            if (c == '\n' && pending_.empty() && afterCr_) {
                afterCr_ = false;
                continue;
            }
            lines.push_back(std::move(pending_));
            pending_.clear();
            afterCr_ = c == '\r';
        } else {
            pending_ += c;
            afterCr_ = false;
        }
    }
    return lines;
}

std::optional<std::string> ConsoleLines::Finish() {
    afterCr_ = false;
    if (pending_.empty()) {
        return std::nullopt;
    }
    std::string last = std::move(pending_);
    pending_.clear();
    return last;
}

std::optional<int> ParseProgressLine(std::string_view line) {
    constexpr std::string_view kPrefix = "Progress: ";
    if (line.substr(0, kPrefix.size()) != kPrefix) {
        return std::nullopt;
    }
    line.remove_prefix(kPrefix.size());
    const std::size_t end = line.find_last_not_of(" \t");
    if (end == std::string_view::npos || line[end] != '%') {
        return std::nullopt;
    }
    const std::string_view digits = line.substr(0, end);
    if (digits.empty() || digits.size() > 3) {
        return std::nullopt;
    }
    int value = 0;
    const auto [rest, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || rest != digits.data() + digits.size() || value < 0 || value > 100) {
        return std::nullopt;
    }
    return value;
}

}  // namespace torvane

namespace torvane {

std::vector<std::string> MessageLines(std::string_view output) {
    ConsoleLines lines;
    std::vector<std::string> all = lines.Add(output);
    if (auto last = lines.Finish()) {
        all.push_back(std::move(*last));
    }
    std::vector<std::string> messages;
    for (std::string& line : all) {
        if (!line.empty() && !ParseProgressLine(line)) {
            messages.push_back(std::move(line));
        }
    }
    return messages;
}

}  // namespace torvane
