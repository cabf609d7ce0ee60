#include "core/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/Formats.h"
#include "core/OutputFolder.h"
#include "core/ShortPath.h"

namespace torvane {
namespace {

constexpr std::string_view kTracksStart = "quarvel tracks ";
constexpr std::string_view kAttachmentsStart = "quarvel attachments ";
constexpr std::string_view kChaptersStart = "quarvel chapters ";

std::string Folded(std::string_view name) {
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

std::string TrackFile(std::size_t n, const std::string& kind) {
    return "Track" + std::to_string(n) + "." + kind;
}

}  // namespace

void OutputNames::Reserve(std::string_view name) {
    taken_.insert(Folded(name));
}

std::string OutputNames::Distinct(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return Numbered(name, dot == std::string_view::npos || dot == 0 ? name.size() : dot);
}

std::string OutputNames::DistinctWhole(std::string_view name) {
    return Numbered(name, name.size());
}

std::string OutputNames::Numbered(std::string_view name, std::size_t split) {
    std::string candidate(name);
    for (int number = 2; !taken_.insert(Folded(candidate)).second; ++number) {
        candidate = std::string(name.substr(0, split)) + "_(" + std::to_string(number) + ")" +
                    std::string(name.substr(split));
    }
    return candidate;
}

CommandLines ComposeCommandLines(const std::string& sourcePath, const std::string& outputFolder,
                                 const std::vector<CommandItem>& items, ChapterFormat format,
                                 const TextOperation& classify, const TextOperation& attachmentId,
                                 const TextOperation& attachmentFileName,
                                 const TextOperation& shortForm) {
    const std::string shortSource = shortForm(sourcePath);
    const std::string source = CommandWord(shortSource);
    CommandLines out;
    out.tracks = std::string(kTracksStart) + source + " ";
    out.attachments = std::string(kAttachmentsStart) + source + " ";
    out.chapters = std::string(kChaptersStart) + source + " ";

    // Every checked item's kind first: the names of the tracks and of the
    // two preview files are fixed, so they are taken before any attachment's.
    std::vector<std::string> kinds(items.size());
    OutputNames names;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (!items[k].checked) {
            continue;
        }
        kinds[k] = classify(items[k].text);
        if (kinds[k] == kKindTags) {
            names.Reserve(kTagsFile);
        } else if (kinds[k] == kKindChapters) {
            names.Reserve(ChaptersFile(format));
        } else if (kinds[k] != kKindAttachment) {
            names.Reserve(TrackFile(k + 1, kinds[k]));
        }
    }

    for (std::size_t k = 0; k < items.size(); ++k) {
        const CommandItem& item = items[k];
        const std::string& kind = kinds[k];
        if (!item.checked) {
            continue;
        }
        if (kind == kKindTags) {
            out.tagsSelected = true;
            continue;
        }
        // Without its source a line would make the tool read its first
        // output as the file: the item is selected, but named nowhere.
        const bool named = !shortSource.empty();
        const std::string folder = CommandWord(OutputFolderPrefix(shortForm(outputFolder)));
        const std::string n = std::to_string(k + 1);
        if (kind == kKindAttachment) {
            out.attachmentsSelected = true;
            if (named) {
                out.attachments += attachmentId(item.text) + ":" + folder +
                                   names.Distinct(attachmentFileName(item.text)) + " ";
            }
        } else if (kind == kKindChapters) {
            out.chaptersSelected = true;
            if (named) {
                out.chapters += "> " + folder + std::string(ChaptersFile(format)) +
                                (format == ChapterFormat::Xml ? "" : " -s");
            }
        } else {
            out.tracksSelected = true;
            if (named) {
                out.tracks += n + ":" + folder + TrackFile(k + 1, kind) + " ";
            }
        }
    }
    return out;
}

}  // namespace torvane
