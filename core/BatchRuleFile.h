// A batch rule as a small text file, which the batch window saves and loads
// and `torvane --batch` runs, so that a rule tried in the window runs
// unchanged from a script.
//
// The file is UTF-8, one "key = value" a line. Its first line names it and
// its version: "torvane batch rule 1". Blank lines and lines beginning with
// '#' say nothing; a line may end in CR LF or LF. The keys, each at most
// once, and their values:
//
//   video, audio, subtitles                      yes | no
//   video languages, audio languages, ...        any | none | CODE ...
//   video codecs, audio codecs, ...              any | none | CODEC ...
//   attachments                                  all | none | [fonts] [images] [other]
//   chapters                                     none | xml | text
//   tags                                         yes | no
//   layout                                       subfolder | prefixed
//
// Lists are separated by blanks. A key left out takes what the batch window
// starts with for it, but for the track types, which are then not taken:
// no, any, none, none, no, subfolder. A key the version does not know is
// refused with its line, so that a misspelt one is never passed over.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/BatchPlan.h"
#include "core/BatchRule.h"
#include "core/Settings.h"

namespace torvane {

// The first line of a rule file, without its version.
inline constexpr std::string_view kRuleFileHeading = "torvane batch rule";
// The version written, and the newest read.
inline constexpr int kRuleFileVersion = 1;
// A rule takes a few hundred bytes; a file larger than this is no rule.
inline constexpr std::size_t kMaxRuleFileBytes = std::size_t{64} * 1024;

// What a rule file holds: the rule, and how the outputs are laid out.
struct RuleFileContents {
    BatchRule rule;
    OutputLayout layout = OutputLayout::FolderPerSource;

    bool operator==(const RuleFileContents&) const = default;
};

// Why a rule file could not be read. The line is counted from 1.
struct RuleFileProblem {
    enum class Kind {
        None,
        NotFound,
        NotAFile,      // a folder, a device, a pipe: never opened
        TooLarge,      // more than kMaxRuleFileBytes
        Unreadable,    // detail: the system's reason
        NotARule,      // the first line is not kRuleFileHeading and a version
        NewerVersion,  // detail: the file's version
        NotText,       // the line is not UTF-8
        ControlChar,   // the line holds a control character other than a tab
        NoEquals,
        UnknownKey,  // key
        BadValue,    // key, value, detail: the values the key takes
        Twice,       // key, firstLine
        MixedList,   // key, value: the word ("any", "none", "all") that stands alone
    };
    Kind kind = Kind::None;
    std::size_t line = 0;
    std::string key;
    std::string value;
    std::string detail;
    std::size_t firstLine = 0;
};

struct RuleFileRead {
    std::optional<RuleFileContents> contents;  // set when problem.kind is None
    RuleFileProblem problem;
};

// Reads a rule from the text of a rule file.
RuleFileRead ReadRuleText(std::string_view text);

// Reads the rule file at path. Only a regular file is opened, so that a pipe
// nobody writes to cannot hold the caller up.
RuleFileRead LoadRuleFile(const std::string& path);

// What a problem is, for a person: the file's path (as bytes), the line and
// what is wrong there, in the language given.
std::string RuleProblemText(const RuleFileProblem& problem, const std::string& path,
                            Language language);

// A language or codec the rule has chosen that a rule file cannot hold: one
// that is empty, holds a blank or a control character, or is "any" or
// "none". std::nullopt when every one can be written.
std::optional<std::string> UnsavableCode(const RuleFileContents& contents);

// The text of the rule file, every key written, lines ending in CR LF. The
// contents must have no UnsavableCode.
std::string RuleFileText(const RuleFileContents& contents);

// Writes the rule file, replacing any file at path whole or not at all.
// Throws Exception with the RuleCodeNotSavable text (in the language given)
// when a code cannot be written, and IoError ("Cannot create file "PATH".
// REASON") when the file cannot be.
void SaveRuleFile(const std::string& path, const RuleFileContents& contents, Language language);

}  // namespace torvane
