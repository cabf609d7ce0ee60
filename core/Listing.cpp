#include "core/Listing.h"

#include "core/PlainFileName.h"

namespace torvane {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

// 1-based position of the first byte after "Attachment ID ".
constexpr std::size_t kIdStart = 15;
constexpr std::string_view kFileNameMarker = "file name";
// "file name", its blank and the opening quote come before the name.
constexpr std::size_t kFileNameSkip = 11;

}  // namespace

Listing BuildListing(std::string_view captured, bool chaptersPresent, bool tagsPresent) {
    Listing result;
    std::size_t start = 0;
    for (;;) {
        const std::size_t brk = captured.find(kLineBreak, start);
        if (brk == std::string_view::npos) {
            break;  // the last piece is dropped, terminated or not
        }
        result.lines.emplace_back(captured.substr(start, brk - start));
        start = brk + kLineBreak.size();
    }
    // With no line from the tool the pseudo-items would otherwise take the
    // file line's place and every item would pair with the wrong line.
    if (result.lines.empty()) {
        result.lines.emplace_back();
    }
    result.items.assign(result.lines.begin() + 1, result.lines.end());
    if (chaptersPresent) {
        result.lines.emplace_back(kChaptersItem);
        result.items.emplace_back(kChaptersItem);
    }
    if (tagsPresent) {
        result.lines.emplace_back(kTagsItem);
        result.items.emplace_back(kTagsItem);
    }
    return result;
}

std::size_t PreviewLineCount(std::string_view captured) {
    std::size_t count = 1;
    for (std::size_t pos = captured.find(kLineBreak); pos != std::string_view::npos;
         pos = captured.find(kLineBreak, pos + kLineBreak.size())) {
        ++count;
    }
    return count;
}

std::string AttachmentId(std::string_view line) {
    if (line.size() < kIdStart) {
        return {};
    }
    const std::string_view rest = line.substr(kIdStart - 1);
    return std::string(rest.substr(0, rest.find(':')));
}

std::string AttachmentFileName(std::string_view line) {
    const std::size_t marker = line.find(kFileNameMarker);
    // Positions count from 1, with 0 for "absent", as the listing format does.
    const std::size_t p = marker == std::string_view::npos ? 0 : marker + 1;
    const std::size_t start = p + kFileNameSkip - 1;  // 0-based
    if (start >= line.size()) {
        return {};
    }
    std::string_view rest = line.substr(start);
    // The name runs to the line's last quote, so a name holding one stays
    // whole.
    rest = rest.substr(0, rest.rfind('\''));
    std::string name(rest);
    for (char& c : name) {
        // Separators too: a name from the file must not reach outside the
        // output folder.
        if (c == ' ' || c == '/' || c == '\\') {
            c = '_';
        }
    }
    MakePlainFileName(name);
    return name;
}

}  // namespace torvane
