#include "CommandLine.h"

#include <string_view>

#include "Formats.h"

namespace torvane {
namespace {

constexpr std::string_view kTracksStart = "quarvel tracks ";
constexpr std::string_view kAttachmentsStart = "quarvel attachments ";
constexpr std::string_view kChaptersStart = "quarvel chapters ";

}  // namespace

CommandLines ComponerLineaComandos(const std::string& sourcePath, const std::string& outputFolder,
                                   const std::vector<CommandItem>& items, ChapterFormat format,
                                   const TextOperation& classify, const TextOperation& attachmentId,
                                   const TextOperation& attachmentFileName,
                                   const TextOperation& shortForm) {
    const std::string source = shortForm(sourcePath);
    CommandLines out;
    out.tracks = std::string(kTracksStart) + source + " ";
    out.attachments = std::string(kAttachmentsStart) + source + " ";
    out.chapters = std::string(kChaptersStart) + source + " ";

    for (std::size_t k = 0; k < items.size(); ++k) {
        const CommandItem& item = items[k];
        if (!item.checked) {
            continue;
        }
        const std::string kind = classify(item.text);
        if (kind == kKindTags) {
            out.tagsSelected = true;
            continue;
        }
        const std::string folder = shortForm(outputFolder);
        const std::string n = std::to_string(k + 1);
        if (kind == kKindAttachment) {
            out.attachmentsSelected = true;
            out.attachments +=
                attachmentId(item.text) + ":" + folder + attachmentFileName(item.text) + " ";
        } else if (kind == kKindChapters) {
            out.chaptersSelected = true;
            out.chapters +=
                "> " + folder + "Chapters" + (format == ChapterFormat::Xml ? ".xml" : ".txt -s");
        } else {
            out.tracksSelected = true;
            out.tracks += n + ":" + folder + "Track" + n + "." + kind + " ";
        }
    }
    return out;
}

}  // namespace torvane
