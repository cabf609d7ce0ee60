#pragma once

#include <functional>
#include <string>
#include <vector>

namespace torvane {

enum class ChapterFormat { Xml, SimpleText };

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

// Composes the extraction command lines from scratch.
// - classify (Averiguatipo) is called once per checked item, in list order,
//   never for an unchecked one;
// - attachmentId (ExtraerID) and attachmentFileName (Extraerfilename) once
//   each per checked attachment;
// - shortForm (ExtractShortPathName) for the source path, and for the output
//   folder once per checked item that is not the tags entry.
// A track's id and file number is its position n in the list, counted from 1.
// Nothing is quoted and nothing is inserted between the output folder's short
// form and a file name. Tracks and attachments lines always end in one blank.
CommandLines ComponerLineaComandos(const std::string& sourcePath, const std::string& outputFolder,
                                   const std::vector<CommandItem>& items, ChapterFormat format,
                                   const TextOperation& classify, const TextOperation& attachmentId,
                                   const TextOperation& attachmentFileName,
                                   const TextOperation& shortForm);

}  // namespace torvane
