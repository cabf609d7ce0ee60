#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

enum class ChapterFormat { Xml, SimpleText };

// The files the window itself writes from the previews.
inline constexpr std::string_view kChaptersXmlFile = "Chapters.xml";
inline constexpr std::string_view kChaptersTextFile = "Chapters.txt";
inline constexpr std::string_view kTagsFile = "Tags.xml";

inline std::string_view ChaptersFile(ChapterFormat format) {
    return format == ChapterFormat::Xml ? kChaptersXmlFile : kChaptersTextFile;
}

// One entry of the item list: the listing line's text and its check state.
struct CommandItem {
    std::string text;
    bool checked = false;
};

// The three extraction command lines and the four selection flags.
struct CommandLines {
    std::string tracks;       // "quarvel tracks S n:OTrackn.ext ..."
    std::string attachments;  // "quarvel attachments S id:Oname ..."
    std::string chapters;     // "quarvel chapters S > OChapters.xml" (only shown)
    bool tracksSelected = false;
    bool attachmentsSelected = false;
    bool chaptersSelected = false;
    bool tagsSelected = false;
};

using TextOperation = std::function<std::string(const std::string&)>;

// The output file names of one extraction, so that no two of its outputs
// share a path. Names are compared without regard to ASCII case, since the
// folder may sit on a file system that ignores it.
class OutputNames {
  public:
    // Takes a name as it is (a track's, the chapters' or the tags' file).
    void Reserve(std::string_view name);

    // The name itself when no output has it yet, otherwise the first free of
    // "stem_(2).ext", "stem_(3).ext", ... (the blank that would stand before
    // the number is a '_', as in every attachment name); reserved either way.
    // The extension is from the last '.' on, unless that dot begins the name.
    std::string Distinct(std::string_view name);

    // The same for a name without an extension (a folder's, or the start of
    // other names): the number goes at its end, "name_(2)".
    std::string DistinctWhole(std::string_view name);

  private:
    std::string Numbered(std::string_view name, std::size_t split);

    std::set<std::string> taken_;
};

// Composes the extraction command lines from scratch.
// - classify (ClassifyCodec) is called once per checked item, in list order,
//   never for an unchecked one;
// - attachmentId (AttachmentId) and attachmentFileName (AttachmentFileName) once
//   each per checked attachment of a source that has a short form;
// - shortForm (ExtractShortPathName) for the source path, and for the output
//   folder once per checked item that is not the tags entry.
// A track's id and file number is its position n in the list, counted from 1.
// The short forms go in as CommandWord gives them (quoted on Windows when
// they still hold a blank). The output folder's short form gets a separator
// when it lacks one (OutputFolderPrefix). The tracks, the chapters file and the tags
// file keep their names; an attachment whose name one of them, or an earlier
// attachment, already has gets a distinct one (OutputNames). Tracks and
// attachments lines always end in one blank. A source without a short form
// (gone since it was read) gives the lines no argument at all, while the
// flags still follow the checked items: the extraction then says why it
// cannot run.
CommandLines ComposeCommandLines(const std::string& sourcePath, const std::string& outputFolder,
                                 const std::vector<CommandItem>& items, ChapterFormat format,
                                 const TextOperation& classify, const TextOperation& attachmentId,
                                 const TextOperation& attachmentFileName,
                                 const TextOperation& shortForm);

}  // namespace torvane
