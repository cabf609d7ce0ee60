#include "core/Formats.h"

#include <filesystem>
#include <system_error>

#include "core/Exception.h"
#include "core/FileIo.h"
#include "platform/ProgramFolder.h"

namespace torvane {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::size_t kExtWindow = 7;

// The lines of a text: a line ends at CR LF, a lone CR or a lone LF; a final
// line break does not start an extra line. finalBreak tells whether the text
// ends with one.
std::vector<std::string> SplitLines(std::string_view text, bool& finalBreak) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    finalBreak = false;
    while (start < text.size()) {
        const std::size_t brk = text.find_first_of("\r\n", start);
        if (brk == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            finalBreak = false;
            break;
        }
        lines.emplace_back(text.substr(start, brk - start));
        start =
            brk + ((text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n') ? 2 : 1);
        finalBreak = true;
    }
    return lines;
}

}  // namespace

std::string ExtractFormatType(std::string_view line) {
    std::string key;
    bool inGroup = false;
    for (const char c : line) {
        if (c == '(') {
            inGroup = true;
        }
        if (inGroup) {
            key += c;
        }
        if (c == ')') {
            inGroup = false;
        }
    }
    return key;
}

std::string ExtractFormatExt(std::string_view line) {
    const std::string_view window =
        line.size() > kExtWindow ? line.substr(line.size() - kExtWindow) : line;
    const std::size_t blank = window.find(' ');
    if (blank == std::string_view::npos) {
        return {};
    }
    return std::string(window.substr(blank + 1));
}

void FormatTable::LoadFromBytes(std::string_view text) {
    lines_ = SplitLines(text, finalBreak_);
    loaded_ = true;
    changed_ = false;
    userRowsStart_ = lines_.size();
    userTableExists_ = false;
}

void FormatTable::LoadFromFile(const std::string& path) {
    const auto content = fileio::ReadWholeFile(path);
    LoadFromBytes(content ? std::string_view(*content) : std::string_view());
}

void FormatTable::LoadUserRowsFromFile(const std::string& path) {
    const auto content = fileio::ReadWholeFile(path);
    if (!content) {
        return;
    }
    bool finalBreak = false;
    for (std::string& line : SplitLines(*content, finalBreak)) {
        lines_.push_back(std::move(line));
    }
    userTableExists_ = true;
}

void FormatTable::Append(std::string entry) {
    // An empty text or one ending in a break takes "entry CR LF"; otherwise the
    // entry is joined by a leading CR LF and the text still lacks a final one.
    finalBreak_ = lines_.empty() || finalBreak_;
    lines_.push_back(std::move(entry));
    changed_ = true;
}

std::string FormatTable::ToBytes() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) {
            text += kLineBreak;
        }
        text += lines_[i];
    }
    if (finalBreak_ && !lines_.empty()) {
        text += kLineBreak;
    }
    return text;
}

bool FormatTable::SaveToFile(const std::string& path) const {
    if (!loaded_) {
        return false;
    }
    fileio::ReplaceFile(path, ToBytes(), fileio::Links::WriteThrough);
    return true;
}

ExtensionProblem CheckExtension(std::string_view extension) {
    // The entry's last seven bytes hold its blank and the extension.
    constexpr std::size_t kLongest = 6;
    if (extension.empty()) {
        return ExtensionProblem::Empty;
    }
    if (extension.size() > kLongest) {
        return ExtensionProblem::TooLong;
    }
    if (extension.find_first_of(" \t") != std::string_view::npos) {
        return ExtensionProblem::Blank;
    }
    if (extension.find('(') != std::string_view::npos) {
        return ExtensionProblem::Bracket;
    }
    if (extension == kKindUnknown) {
        return ExtensionProblem::Reserved;
    }
    return ExtensionProblem::None;
}

std::string FormatTable::UserRowsToBytes() const {
    std::string text;
    for (std::size_t i = userRowsStart_; i < lines_.size(); ++i) {
        text += lines_[i];
        text += kLineBreak;
    }
    return text;
}

FormatTable::SavedTo FormatTable::Save(const std::string& programPath,
                                       const std::string& userPath) {
    if (!loaded_ || !changed_) {
        return SavedTo::Nothing;
    }
    if (!userTableExists_) {
        try {
            SaveToFile(programPath);
            changed_ = false;
            userRowsStart_ = lines_.size();
            return SavedTo::ProgramFolder;
        } catch (const IoError&) {
            // A read-only program folder: the user's rows go to the user's
            // table, when there is a place for one.
            if (FolderOf(userPath).empty()) {
                throw;
            }
        }
    }
    std::error_code ignored;
    std::filesystem::create_directories(FolderOf(userPath), ignored);
    fileio::ReplaceFile(userPath, UserRowsToBytes(), fileio::Links::WriteThrough);
    changed_ = false;
    userTableExists_ = true;
    return SavedTo::UserFolder;
}

std::string ClassifyCodec(std::string_view line, const FormatTable& table) {
    std::string result(kKindUnknown);
    for (const CodecRule& rule : kBuiltInCodecTable) {
        if (line.find(rule.contains) != std::string_view::npos) {
            result = rule.result;
        }
    }
    for (const std::string& entry : table.Lines()) {
        const std::string key = ExtractFormatType(entry);
        if (!key.empty() && line.find(key) != std::string_view::npos) {
            result = ExtractFormatExt(entry);
        }
    }
    return result;
}

std::string ClassifyOrAsk(std::string_view line, FormatTable& table,
                          const AskExtensionFn& askExtension) {
    std::string result = ClassifyCodec(line, table);
    if (result == kKindUnknown) {
        const std::string key = ExtractFormatType(line);
        std::string answer =
            askExtension ? askExtension(key + std::string(kUnknownFormatSentence)) : std::string();
        if (CheckExtension(answer) != ExtensionProblem::None) {
            return {};
        }
        table.Append(key + " " + answer);
        result = std::move(answer);
    }
    return result;
}

}  // namespace torvane
