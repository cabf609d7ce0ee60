// The sources of a batch extraction: what the identification listing tells of
// each file, read into tracks and attachments, and the Matroska files a
// folder holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The types of track a batch rule chooses from; every other type (complex,
// logo, buttons, control, metadata) is Other and never extracted by a rule.
enum class TrackType { Video, Audio, Subtitles, Other };

// What a track line names when its details hold no language.
inline constexpr std::string_view kUndeterminedLanguage = "und";

struct SourceTrack {
    // Its position in the item list, counted from 1: the n of "n:PATH" and of
    // "Track" n, as the main window numbers it.
    std::size_t number = 0;
    TrackType type = TrackType::Other;
    std::string codec;     // the CodecID, without its brackets
    std::string language;  // as listed ("spa", "es-ES", ...)
    std::string line;      // the listing line, for the codec classification
};

// What an attachment is, for a rule that takes attachments by kind.
enum class AttachmentKind {
    Font,   // a font MIME type, or a .ttf, .otf or .ttc name
    Image,  // an image MIME type, or the name of a common picture format
    Other,
};

// The kind of an attachment from its MIME type and its file name. The type
// speaks first: files often carry fonts as application/octet-stream, so a
// type that names neither a font nor an image leaves the word to the name's
// extension (in any case).
AttachmentKind AttachmentKindOf(std::string_view mimeType, std::string_view name);

struct SourceAttachment {
    std::string id;    // AttachmentId of its line
    std::string name;  // AttachmentFileName of its line
    std::string type;  // its MIME type as listed
    AttachmentKind kind = AttachmentKind::Other;
};

// What the tools told of one source file.
struct SourceContents {
    std::vector<SourceTrack> tracks;
    std::vector<SourceAttachment> attachments;
    bool chapters = false;
    bool tags = false;
};

// Reads the item texts of an identification listing (BuildListing's
// items, without the "Chapters ID" and "Tags ID" entries). A line
// "Track ID n: TYPE (CODEC) [language: LANG, ...]" is a track, numbered by
// its position; a line beginning "Attachment ID" is an attachment. Any other
// line is passed over.
SourceContents ReadSourceContents(const std::vector<std::string>& items);

// One source file of a batch.
struct BatchSource {
    enum class State {
        Identifying,  // its listing has not come yet
        Readable,
        Unreadable,  // the identification tool could not read it; messages say why
    };
    std::string path;  // absolute, as bytes
    State state = State::Identifying;
    SourceContents contents;
    std::uint64_t bytes = 0;
    // What the identification tool said on its error output: why the file
    // cannot be read, or the warnings it was read with.
    std::vector<std::string> messages;
};

// The file name of a path: everything after its last separator.
std::string FileNameOf(std::string_view path);

// "Episode 2" before "Episode 10": runs of digits compare by their value,
// everything else byte by byte without regard to ASCII case.
bool NaturalLess(std::string_view a, std::string_view b);

// The Matroska files (.mkv, .mka, .mks, in any case) directly inside a
// folder, in NaturalLess order of their names, as full paths. Sub-folders are
// not entered; an unreadable folder gives none.
std::vector<std::string> MatroskaFilesIn(const std::string& folder);

// The sources a list gains from the absolute paths given: a folder by its
// Matroska files (MatroskaFilesIn), folders in the order given, then every
// other path in NaturalLess order of the file names. A path already listed,
// or given twice, is passed over.
std::vector<std::string> NewSources(const std::vector<std::string>& paths,
                                    const std::vector<std::string>& listed);

}  // namespace torvane
