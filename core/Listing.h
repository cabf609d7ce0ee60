#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The two entries that the program itself appends after the tool's lines.
inline constexpr std::string_view kChaptersItem = "Chapters ID";
inline constexpr std::string_view kTagsItem = "Tags ID";

struct Listing {
    // Line 0 is the file line; line k+1 is the text of item k.
    std::vector<std::string> lines;
    // The item texts, each exactly as the tool printed it.
    std::vector<std::string> items;
};

// Builds the identification listing and the item texts from the captured
// output of the identification tool.
// - The text is cut at every CR LF; a lone CR or LF is an ordinary byte.
// - The last piece is dropped: the empty piece after a final CR LF, or an
//   unterminated last line.
// - The first remaining piece is the file line; every later piece is an item.
// - "Chapters ID" is appended when chaptersPresent, then "Tags ID" when
//   tagsPresent, to both lists.
// Promise: lines.size() == items.size() + 1 always, so item k pairs with line
// k+1. When the tool gave no line at all, an empty file line stands first.
Listing BuildListing(std::string_view captured, bool chaptersPresent, bool tagsPresent);

// The number of lines a captured preview counts as: its CR LF pairs plus one.
// A preview "is present" for the listing when this is above one.
std::size_t PreviewLineCount(std::string_view captured);

// The id of an attachment line: from the 15th byte (just after
// "Attachment ID ") up to, not including, the first ':' at or after it, or to
// the end. A line shorter than 15 bytes gives the empty text.
std::string AttachmentId(std::string_view line);

// The output file name of an attachment line: the text after the first
// "file name '" (or from the 11th byte when "file name" is absent) up to the
// line's last '\'' (so "l'aube.ttf" stays whole) or the end, with every
// blank, '/' and '\\' replaced by '_' so that the name stays a plain file
// name inside the output folder, then made one the system stores as it is
// (MakePlainFileName). On POSIX, tabs and other bytes pass unchanged.
std::string AttachmentFileName(std::string_view line);

}  // namespace torvane
