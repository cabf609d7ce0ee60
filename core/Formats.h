#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

inline constexpr std::string_view kFormatsFileName = "Formats.txt";

// What ClassifyCodec returns for the three non-track kinds; anything else is a
// track's output extension without its dot.
inline constexpr std::string_view kKindAttachment = "att";
inline constexpr std::string_view kKindChapters = "Chapters";
inline constexpr std::string_view kKindTags = "Tags";

// The working value meaning "nothing matched yet"; a final "ext" asks the user.
inline constexpr std::string_view kKindUnknown = "ext";

// Follows the line's type key in the new-format dialog's first label. It is
// Spanish whatever the interface language.
inline constexpr std::string_view kUnknownFormatSentence =
    " Formato desconocido para Torvane, por favor:";

struct CodecRule {
    std::string_view contains;
    std::string_view result;
};

// The built-in codec table, in the order the rules are tried.
inline constexpr std::array<CodecRule, 15> kBuiltInCodecTable{{
    {"V_MS/VFW/FOURCC", "avi"},
    {"A_MPEG/L3", "mp3"},
    {"A_AC3", "ac3"},
    {"A_PCM/INT/LIT", "wav"},
    {"A_AAC/MPEG2", "aac"},
    {"A_AAC/MPEG4", "aac"},
    {"A_VORBIS", "ogg"},
    {"S_TEXT/UTF8", "srt"},
    {"S_TEXT/SSA", "ssa"},
    {"S_TEXT/ASS", "ass"},
    {"A_REAL/", "ra"},
    {"V_REAL/", "rmvb"},
    {"Attachment ID", "att"},
    {"Chapters ID", "Chapters"},
    {"Tags ID", "Tags"},
}};

// The type key of a line: every group from a '(' to the next ')', brackets
// included, concatenated in order. An unclosed '(' runs to the end; a '('
// inside a group is an ordinary byte. "k (ab) m (de)" gives "(ab)(de)".
std::string ExtractFormatType(std::string_view line);

// The extension of a format-table entry: within the entry's last seven bytes
// (the whole entry when shorter), everything after the first blank. No blank
// there gives the empty text. "(A_DTS) dts" gives "dts".
std::string ExtractFormatExt(std::string_view line);

// The user's codec-to-extension table (Formats.txt): an ordered list of lines.
// Lines that are not entries are kept and written back; they never match.
//
// The table lives in the program folder. Where that folder is read-only (an
// installed program), the rows a user adds are kept in a table of the user's
// own, in the per-user folder, and read after the program folder's rows, so
// that they win over them.
class FormatTable {
  public:
    enum class SavedTo { Nothing, ProgramFolder, UserFolder };

    FormatTable() = default;

    const std::vector<std::string>& Lines() const { return lines_; }

    // True once a load has succeeded (a missing file counts as an empty load).
    // A table never loaded is never written: saving it would replace the
    // stored rows with an empty table.
    bool Loaded() const { return loaded_; }

    // Replaces the table with the lines of the text. A line ends at CR LF, a
    // lone CR or a lone LF; a final line break does not start an extra line.
    // Marks the table loaded.
    void LoadFromBytes(std::string_view text);

    // Replaces the table with the file's lines. A missing file gives an empty
    // table, marked loaded, and no error. A file that exists but cannot be read
    // throws IoError and leaves the table unchanged (and unloaded if it was).
    void LoadFromFile(const std::string& path);

    // Adds the lines of the user's own table after the lines loaded so far. A
    // missing file adds nothing. Throws IoError as LoadFromFile.
    void LoadUserRowsFromFile(const std::string& path);

    // Appends one entry. In the text it joins as entry + CR LF when the text so
    // far is empty or ends with a line break, and as CR LF + entry otherwise.
    void Append(std::string entry);

    // True when an entry was appended since the table was loaded or saved.
    bool Changed() const { return changed_; }

    // The table's text: the lines joined by CR LF, plus a final CR LF when the
    // loaded text had one or the last change was an append to an empty or
    // break-ended text.
    std::string ToBytes() const;

    // Writes ToBytes() to the path, replacing the file through a temporary
    // file beside it, so a failed write leaves the old file intact. Returns
    // false and writes nothing when the table was never loaded. Throws IoError
    // ("Cannot create file \"PATH\". REASON") when it cannot be written.
    bool SaveToFile(const std::string& path) const;

    // Saves a loaded table that changed; writes nothing otherwise. The table
    // replaces the program folder's (programPath), unless the user's own table
    // exists or the program folder's cannot be written: then the user's rows
    // (those read from the user's table and those appended) replace the
    // user's table (userPath, its folders made as needed), each row ending in
    // CR LF. Throws IoError naming the user's table when that fails too, or
    // naming the program folder's when userPath has no folder.
    SavedTo Save(const std::string& programPath, const std::string& userPath);

  private:
    std::string UserRowsToBytes() const;

    std::vector<std::string> lines_;
    bool finalBreak_ = false;
    bool loaded_ = false;
    bool changed_ = false;
    // lines_ from here on are the user's rows: read from the user's own
    // table, or appended since the last save to the program folder.
    std::size_t userRowsStart_ = 0;
    bool userTableExists_ = false;
};

// Why the format table could not give an answer to the new-format dialog
// back as typed, or None. The table reads an entry's extension through its
// last seven bytes from the first blank on, and its key from every "(":
// - Empty: no extension at all;
// - TooLong: more than six bytes;
// - Blank: a blank or a tab (it would also split the command line);
// - Bracket: a "(" (it would join the entry's key);
// - Reserved: "ext", which means "nothing matched", so the question would
//   come back at every build.
enum class ExtensionProblem { None, Empty, TooLong, Blank, Bracket, Reserved };
ExtensionProblem CheckExtension(std::string_view extension);

// Asks the user for an extension: receives the text for the dialog's first
// label (type key + kUnknownFormatSentence) and returns the extension box's
// text exactly as typed, possibly empty.
using AskExtensionFn = std::function<std::string(const std::string& question)>;

// The kind of an item line: "att", "Chapters", "Tags", a track's extension,
// or kKindUnknown when no rule and no table entry knows its codec. The
// built-in rules are tried in order, then every format-table entry whose
// non-empty key occurs in the line; each match replaces the previous result,
// so the last match wins and the table overrides the built-in rules. Asks
// nothing and changes nothing.
std::string ClassifyCodec(std::string_view line, const FormatTable& table);

// ClassifyCodec's answer, and for a codec it does not know the user's:
// askExtension is called once; an answer without an ExtensionProblem is
// appended to the table as key + " " + answer and returned. Any other answer
// (the dialog closed from its title bar) is not stored, so the question comes
// again at the next build, and the empty text is returned.
std::string ClassifyOrAsk(std::string_view line, FormatTable& table,
                          const AskExtensionFn& askExtension);

}  // namespace torvane
