// What a batch extraction will write: for every source, the exact outputs the
// rule gives, named as the main window names them and placed so that no two
// outputs of the batch, and no source, ever share a path.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/BatchRule.h"
#include "core/BatchSource.h"
#include "core/CommandLine.h"

namespace torvane {

enum class OutputLayout {
    // Each source's outputs in a subfolder of the output folder named after
    // the source file, without its extension.
    FolderPerSource,
    // All outputs in the output folder, each name prefixed by the source's
    // name without its extension and a '.'.
    PrefixedNames,
};

struct PlannedOutput {
    enum class Kind { Track, Attachment, Chapters, Tags };
    Kind kind = Kind::Track;
    std::string id;    // the track's number or the attachment's id; empty otherwise
    std::string name;  // the file's name inside FilePlan::folder
    // For a track: what it is, for the preview.
    TrackType type = TrackType::Other;
    std::string codec;
    std::string language;
    // For an attachment: its kind, for the preview.
    AttachmentKind attachmentKind = AttachmentKind::Other;
};

// A track the rule takes, but for whose codec neither the built-in table nor
// the format table knows an extension: it has no output name yet.
struct UnnamedTrack {
    std::size_t number = 0;
    std::string codec;
    std::string line;  // the listing line, to ask for an extension with
};

struct FilePlan {
    enum class State {
        Identifying,  // not known yet
        Unreadable,   // the identification tool could not read it
        Nothing,      // the rule gives no output for it
        Outputs,
    };
    State state = State::Identifying;
    std::string source;  // the source's path
    // The folder the outputs go to, ending in a separator, and the part of it
    // below the output folder (the subfolder's name; empty when the outputs
    // go to the output folder itself).
    std::string folder;
    std::string subfolder;
    // In the prefixed layout, what every output name begins with: the
    // source's name without its extension, and a '.'.
    std::string prefix;
    // Tracks by number, attachments in listing order, then the chapters and
    // the tags.
    std::vector<PlannedOutput> outputs;
    std::vector<UnnamedTrack> unnamed;
    ChapterFormat chapterFormat = ChapterFormat::Xml;
};

// A track's output extension from its listing line, as the main window's
// codec classification gives it; the empty text when no table knows one.
using TrackClassifier = std::function<std::string(const std::string& line)>;

// The plan of every source, in the sources' order.
// - The output folder gets a separator when it lacks one; an empty one means
//   each source's own folder, as in the main window.
// - A track is named "Track" n "." extension, the chapters "Chapters.xml" or
//   "Chapters.txt", the tags "Tags.xml", an attachment by AttachmentFileName;
//   the chapters and tags only for a source that has them.
// - In the prefixed layout the prefix is the source's name without its
//   extension, with blanks, tabs and path separators made '_' (the command
//   lines are split at blanks).
// - Within one folder, the sources themselves, the subfolders, then the
//   tracks, chapters and tags of every source in order, then the
//   attachments, take names through OutputNames: a name already taken gets
//   a number. Two sources of one name get distinct subfolders (prefixes).
// - A source whose only outputs are unnamed tracks is placed all the same,
//   so that the preview shows where they will go.
std::vector<FilePlan> PlanBatch(const std::vector<BatchSource>& sources, const BatchRule& rule,
                                OutputLayout layout, const std::string& outputFolder,
                                const TrackClassifier& classify);

// True when the plan gives something to extract: a file with outputs, or
// one with tracks whose extension is asked for when the extraction starts.
bool PlanGivesOutputs(const std::vector<FilePlan>& plan);

// The first listing line of each codec that has unnamed tracks in the plan,
// in plan order: one question per codec.
std::vector<std::string> UnknownCodecLines(const std::vector<FilePlan>& plan);

// An output's path as the preview shows it: below the output folder.
std::string ShownPath(const FilePlan& file, const PlannedOutput& output);

// Where an unnamed track's output will go, shown as the outputs are, its
// extension a '?' until it is known: "Episode 01/Track2.?".
std::string ShownPath(const FilePlan& file, const UnnamedTrack& track);

}  // namespace torvane
