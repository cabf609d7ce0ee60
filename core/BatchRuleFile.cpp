#include "core/BatchRuleFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "core/Exception.h"
#include "core/FileIo.h"
#include "core/UserTexts.h"

namespace torvane {
namespace {

using Problem = RuleFileProblem::Kind;

constexpr std::string_view kYes = "yes";
constexpr std::string_view kNo = "no";
constexpr std::string_view kAny = "any";
constexpr std::string_view kNone = "none";
constexpr std::string_view kAll = "all";
// A key or value shown in a message is cut to this many bytes.
constexpr std::size_t kShownBytes = 60;

// The rule file's words for the track types, in kRuleTrackTypes order, and
// for the attachment kinds, in kAttachmentKinds order.
constexpr std::array<std::string_view, kRuleTrackTypes.size()> kTypeWords{"video", "audio",
                                                                          "subtitles"};
constexpr std::array<std::string_view, kAttachmentKinds.size()> kKindWords{"fonts", "images",
                                                                           "other"};
constexpr std::string_view kChapterWords[] = {"none", "xml", "text"};
constexpr std::string_view kLayoutWords[] = {"subfolder", "prefixed"};

enum class Value { YesNo, Languages, Codecs, Attachments, Chapters, Tags, Layout };

struct Key {
    std::string name;
    Value value;
    std::size_t type = 0;  // for YesNo (but tags), Languages and Codecs
    std::string_view takes;
};

std::vector<Key> Keys() {
    std::vector<Key> keys;
    for (std::size_t type = 0; type < kTypeWords.size(); ++type) {
        const std::string word(kTypeWords[type]);
        keys.push_back({word, Value::YesNo, type, "yes | no"});
        keys.push_back({word + " languages", Value::Languages, type, "any | none | CODE ..."});
        keys.push_back({word + " codecs", Value::Codecs, type, "any | none | CODEC ..."});
    }
    keys.push_back({"attachments", Value::Attachments, 0, "all | none | [fonts] [images] [other]"});
    keys.push_back({"chapters", Value::Chapters, 0, "none | xml | text"});
    keys.push_back({"tags", Value::Tags, 0, "yes | no"});
    keys.push_back({"layout", Value::Layout, 0, "subfolder | prefixed"});
    return keys;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !IsBlank(text[at])) {
            ++at;
        }
        if (at > start) {
            words.emplace_back(text.substr(start, at - start));
        }
    }
    return words;
}

// A key written with any run of blanks between its words.
std::string KeyOf(std::string_view text) {
    std::string key;
    for (const std::string& word : Words(text)) {
        key += (key.empty() ? "" : " ") + word;
    }
    return key;
}

// Well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing past U+10FFFF.
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t point = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            point = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            point = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            point = (point << 6) | (next & 0x3F);
        }
        const char32_t least = length == 3 ? 0x800 : 0x10000;
        if ((length > 2 && point < least) || (point >= 0xD800 && point <= 0xDFFF) ||
            point > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

bool HoldsControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7F;
    });
}

// A key or value as a message shows it: whole, or its first bytes and "…",
// never cut inside a character.
std::string Shown(std::string_view text) {
    if (text.size() <= kShownBytes) {
        return std::string(text);
    }
    std::size_t end = kShownBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(text.substr(0, end)) + "…";
}

template <class Words>
std::optional<std::size_t> IndexIn(const Words& words, std::string_view word) {
    const auto found = std::find(std::begin(words), std::end(words), word);
    if (found == std::end(words)) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - std::begin(words));
}

// Reads one value into the contents; a problem when it is none the key takes.
RuleFileProblem ReadValue(const Key& key, std::string_view value, RuleFileContents& contents) {
    RuleFileProblem problem;
    const std::vector<std::string> words = Words(value);
    auto bad = [&] {
        problem.kind = Problem::BadValue;
        problem.key = key.name;
        problem.value = Shown(value);
        problem.detail = std::string(key.takes);
        return problem;
    };
    auto mixed = [&](std::string_view alone) {
        problem.kind = Problem::MixedList;
        problem.key = key.name;
        problem.value = std::string(alone);
        return problem;
    };
    BatchRule& rule = contents.rule;
    switch (key.value) {
        case Value::YesNo:
        case Value::Tags: {
            if (value != kYes && value != kNo) {
                return bad();
            }
            (key.value == Value::Tags ? rule.tags : rule.tracks[key.type].wanted) = value == kYes;
            return problem;
        }
        case Value::Languages:
        case Value::Codecs: {
            std::optional<std::set<std::string>>& chosen = key.value == Value::Languages
                                                               ? rule.tracks[key.type].languages
                                                               : rule.tracks[key.type].codecs;
            if (words.empty()) {
                return bad();
            }
            for (const std::string_view alone : {kAny, kNone}) {
                if (words.size() > 1 &&
                    std::find(words.begin(), words.end(), alone) != words.end()) {
                    return mixed(alone);
                }
            }
            if (words.front() == kAny) {
                chosen.reset();
            } else if (words.front() == kNone) {
                chosen.emplace();
            } else {
                chosen.emplace(words.begin(), words.end());
            }
            return problem;
        }
        case Value::Attachments: {
            if (words.empty()) {
                return bad();
            }
            for (const std::string_view alone : {kAll, kNone}) {
                if (words.size() > 1 &&
                    std::find(words.begin(), words.end(), alone) != words.end()) {
                    return mixed(alone);
                }
            }
            rule.attachments.clear();
            if (words.front() == kAll) {
                rule.attachments.insert(kAttachmentKinds.begin(), kAttachmentKinds.end());
                return problem;
            }
            if (words.front() == kNone) {
                return problem;
            }
            for (const std::string& word : words) {
                const auto kind = IndexIn(kKindWords, word);
                if (!kind) {
                    return bad();
                }
                rule.attachments.insert(kAttachmentKinds[*kind]);
            }
            return problem;
        }
        case Value::Chapters: {
            const auto index = IndexIn(kChapterWords, value);
            if (!index) {
                return bad();
            }
            if (*index == 0) {
                rule.chapters.reset();
            } else {
                rule.chapters = *index == 1 ? ChapterFormat::Xml : ChapterFormat::SimpleText;
            }
            return problem;
        }
        case Value::Layout: {
            const auto index = IndexIn(kLayoutWords, value);
            if (!index) {
                return bad();
            }
            contents.layout =
                *index == 0 ? OutputLayout::FolderPerSource : OutputLayout::PrefixedNames;
            return problem;
        }
    }
    return problem;
}

// The first line: the heading and a version of digits.
RuleFileProblem ReadHeading(std::string_view line) {
    RuleFileProblem problem;
    problem.line = 1;
    const std::vector<std::string> words = Words(line);
    const std::vector<std::string> heading = Words(kRuleFileHeading);
    const bool named = words.size() == heading.size() + 1 &&
                       std::equal(heading.begin(), heading.end(), words.begin());
    const std::string version = named ? words.back() : std::string();
    const bool digits =
        !version.empty() && version.size() <= 9 &&
        std::all_of(version.begin(), version.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        problem.kind = Problem::NotARule;
    } else if (std::stoi(version) != kRuleFileVersion) {
        problem.kind = Problem::NewerVersion;
        problem.detail = version;
    }
    return problem;
}

// The text's lines, without their line ends (CR LF or LF).
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

RuleFileRead Failed(RuleFileProblem problem) {
    RuleFileRead read;
    read.problem = std::move(problem);
    return read;
}

RuleFileRead Failed(Problem kind, std::size_t line = 0, std::string detail = {}) {
    RuleFileProblem problem;
    problem.kind = kind;
    problem.line = line;
    problem.detail = std::move(detail);
    return Failed(std::move(problem));
}

// A code a rule file can hold: read back as one word, and not one of the
// words that stand for all or none.
bool Savable(const std::string& code) {
    return !code.empty() && code != kAny && code != kNone && IsUtf8(code) && !HoldsControl(code) &&
           std::none_of(code.begin(), code.end(), [](char c) { return IsBlank(c); });
}

std::string ChosenText(const std::optional<std::set<std::string>>& chosen) {
    if (!chosen) {
        return std::string(kAny);
    }
    if (chosen->empty()) {
        return std::string(kNone);
    }
    std::string text;
    for (const std::string& code : *chosen) {
        text += (text.empty() ? "" : " ") + code;
    }
    return text;
}

std::string AttachmentsText(const std::set<AttachmentKind>& kinds) {
    if (kinds.empty()) {
        return std::string(kNone);
    }
    if (kinds.size() == kAttachmentKinds.size()) {
        return std::string(kAll);
    }
    std::string text;
    for (std::size_t k = 0; k < kAttachmentKinds.size(); ++k) {
        if (kinds.count(kAttachmentKinds[k]) != 0) {
            text += (text.empty() ? "" : " ") + std::string(kKindWords[k]);
        }
    }
    return text;
}

}  // namespace

RuleFileRead ReadRuleText(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    const std::vector<std::string_view> lines = Lines(text);
    const std::vector<Key> keys = Keys();
    std::map<std::string, std::size_t> given;  // key -> its line
    RuleFileRead read;
    read.contents.emplace();
    for (std::size_t index = 0; index < lines.size() || index == 0; ++index) {
        const std::size_t number = index + 1;
        const std::string_view line = index < lines.size() ? lines[index] : std::string_view();
        if (number == 1) {
            // A file of another kind (a source given in the rule's place) is
            // told as such, not by its first odd byte.
            if (!IsUtf8(line) || HoldsControl(line)) {
                return Failed(Problem::NotARule, number);
            }
            RuleFileProblem heading = ReadHeading(line);
            if (heading.kind != Problem::None) {
                return Failed(std::move(heading));
            }
            continue;
        }
        if (!IsUtf8(line)) {
            return Failed(Problem::NotText, number);
        }
        if (HoldsControl(line)) {
            return Failed(Problem::ControlChar, number);
        }
        const std::string_view content = Trimmed(line);
        if (content.empty() || content.front() == '#') {
            continue;
        }
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos) {
            return Failed(Problem::NoEquals, number);
        }
        const std::string name = KeyOf(content.substr(0, equals));
        const auto key = std::find_if(keys.begin(), keys.end(),
                                      [&name](const Key& known) { return known.name == name; });
        RuleFileProblem problem;
        problem.line = number;
        problem.key = Shown(name);
        if (key == keys.end()) {
            problem.kind = Problem::UnknownKey;
            return Failed(std::move(problem));
        }
        if (const auto first = given.find(name); first != given.end()) {
            problem.kind = Problem::Twice;
            problem.firstLine = first->second;
            return Failed(std::move(problem));
        }
        given[name] = number;
        problem = ReadValue(*key, Trimmed(content.substr(equals + 1)), *read.contents);
        if (problem.kind != Problem::None) {
            problem.line = number;
            return Failed(std::move(problem));
        }
    }
    return read;
}

RuleFileRead LoadRuleFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return error && error != std::errc::no_such_file_or_directory
                   ? Failed(Problem::Unreadable, 0, error.message())
                   : Failed(Problem::NotFound);
    }
    if (!fs::is_regular_file(status)) {
        return Failed(Problem::NotAFile);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Failed(Problem::Unreadable, 0, std::strerror(errno));
    }
    // One byte more than a rule may have tells a file that is too large,
    // however large it is.
    std::string text(kMaxRuleFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        return Failed(Problem::Unreadable, 0, std::strerror(errno));
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxRuleFileBytes) {
        return Failed(Problem::TooLarge);
    }
    return ReadRuleText(text);
}

std::string RuleProblemText(const RuleFileProblem& problem, const std::string& path,
                            Language language) {
    const std::string line = std::to_string(problem.line);
    switch (problem.kind) {
        case Problem::NotFound:
            return TextOf(UserText::RuleNotFound, language, {path});
        case Problem::NotAFile:
            return TextOf(UserText::RuleNotAFile, language, {path});
        case Problem::TooLarge:
            return TextOf(UserText::RuleTooLarge, language,
                          {path, std::to_string(kMaxRuleFileBytes / 1024)});
        case Problem::Unreadable:
            return TextOf(UserText::RuleUnreadable, language, {path, problem.detail});
        case Problem::NotARule:
            return TextOf(
                UserText::RuleNotARule, language,
                {path, std::string(kRuleFileHeading) + " " + std::to_string(kRuleFileVersion)});
        case Problem::NewerVersion:
            return TextOf(UserText::RuleNewerVersion, language,
                          {path, problem.detail, std::to_string(kRuleFileVersion)});
        case Problem::NotText:
            return TextOf(UserText::RuleNotText, language, {path, line});
        case Problem::ControlChar:
            return TextOf(UserText::RuleControlChar, language, {path, line});
        case Problem::NoEquals:
            return TextOf(UserText::RuleNoEquals, language, {path, line});
        case Problem::UnknownKey:
            return TextOf(UserText::RuleUnknownKey, language, {path, line, problem.key});
        case Problem::BadValue:
            return TextOf(UserText::RuleBadValue, language,
                          {path, line, problem.value, problem.key, problem.detail});
        case Problem::Twice:
            return TextOf(UserText::RuleTwice, language,
                          {path, line, problem.key, std::to_string(problem.firstLine)});
        case Problem::MixedList:
            return TextOf(UserText::RuleMixedList, language,
                          {path, line, problem.key, problem.value});
        case Problem::None:
            break;
    }
    return {};
}

std::optional<std::string> UnsavableCode(const RuleFileContents& contents) {
    for (const TrackChoice& choice : contents.rule.tracks) {
        for (const auto* chosen : {&choice.languages, &choice.codecs}) {
            if (!*chosen) {
                continue;
            }
            for (const std::string& code : **chosen) {
                if (!Savable(code)) {
                    return code;
                }
            }
        }
    }
    return std::nullopt;
}

std::string RuleFileText(const RuleFileContents& contents) {
    constexpr std::string_view kBreak = "\r\n";
    const BatchRule& rule = contents.rule;
    std::string text = std::string(kRuleFileHeading) + " " + std::to_string(kRuleFileVersion);
    text += kBreak;
    text +=
        "# What Torvane's batch window extracts from every file: Load rule... there,\r\n"
        "# or torvane --batch RULE FOLDER_OR_FILE... --output DIR (see man torvane).\r\n";
    auto put = [&text, kBreak](std::string_view key, const std::string& value) {
        text += std::string(key) + " = " + value + std::string(kBreak);
    };
    for (std::size_t type = 0; type < kTypeWords.size(); ++type) {
        const TrackChoice& choice = rule.tracks[type];
        const std::string word(kTypeWords[type]);
        put(word, std::string(choice.wanted ? kYes : kNo));
        put(word + " languages", ChosenText(choice.languages));
        put(word + " codecs", ChosenText(choice.codecs));
    }
    put("attachments", AttachmentsText(rule.attachments));
    put("chapters", std::string(kChapterWords[!rule.chapters                         ? 0
                                              : *rule.chapters == ChapterFormat::Xml ? 1
                                                                                     : 2]));
    put("tags", std::string(rule.tags ? kYes : kNo));
    put("layout",
        std::string(kLayoutWords[contents.layout == OutputLayout::FolderPerSource ? 0 : 1]));
    return text;
}

void SaveRuleFile(const std::string& path, const RuleFileContents& contents, Language language) {
    if (const auto code = UnsavableCode(contents)) {
        throw Exception(TextOf(UserText::RuleCodeNotSavable, language, {Shown(*code)}));
    }
    fileio::ReplaceFile(path, RuleFileText(contents), fileio::Links::WriteThrough);
}

}  // namespace torvane
