#include "core/BatchSource.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <set>
#include <system_error>

#include "core/Listing.h"

namespace torvane {
namespace {

constexpr std::string_view kTrackStart = "Track ID ";
constexpr std::string_view kAttachmentStart = "Attachment ID";
constexpr std::string_view kLanguageStart = "[language: ";
constexpr std::string_view kTypeStart = "type '";
constexpr std::string_view kTypeEnd = "', size ";

// The font types older writers use beside the font/ ones (RFC 8081).
constexpr std::string_view kFontTypes[] = {
    "application/x-truetype-font", "application/x-font-ttf",      "application/x-font-otf",
    "application/x-font-opentype", "application/x-font",          "application/vnd.ms-opentype",
    "application/font-sfnt",       "application/x-font-truetype", "application/font-woff",
};
constexpr std::string_view kFontExtensions[] = {".ttf", ".otf", ".ttc"};
constexpr std::string_view kImageExtensions[] = {".jpg", ".jpeg", ".png", ".gif",
                                                 ".bmp", ".webp", ".tif", ".tiff"};

TrackType TypeOf(std::string_view word) {
    if (word == "video") {
        return TrackType::Video;
    }
    if (word == "audio") {
        return TrackType::Audio;
    }
    if (word == "subtitles") {
        return TrackType::Subtitles;
    }
    return TrackType::Other;
}

// "Track ID n: TYPE (CODEC) [language: LANG, ...]": the codec group is the
// only parenthesised one, and the language leads the details after it.
SourceTrack ReadTrackLine(const std::string& line, std::size_t number) {
    SourceTrack track;
    track.number = number;
    track.line = line;
    track.language = std::string(kUndeterminedLanguage);
    const std::size_t colon = line.find(": ");
    const std::size_t open = line.find('(');
    if (colon != std::string::npos && open != std::string::npos && colon < open) {
        std::string_view word = std::string_view(line).substr(colon + 2, open - colon - 2);
        while (!word.empty() && word.back() == ' ') {
            word.remove_suffix(1);
        }
        track.type = TypeOf(word);
    }
    if (open == std::string::npos) {
        return track;
    }
    const std::size_t close = line.find(')', open);
    track.codec = line.substr(open + 1, close == std::string::npos ? close : close - open - 1);
    if (close == std::string::npos) {
        return track;
    }
    const std::size_t details = line.find(kLanguageStart, close);
    if (details != std::string::npos) {
        const std::size_t start = details + kLanguageStart.size();
        const std::size_t end = line.find_first_of(",]", start);
        const std::string language =
            line.substr(start, end == std::string::npos ? end : end - start);
        if (!language.empty()) {
            track.language = language;
        }
    }
    return track;
}

unsigned char Folded(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string FoldedText(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return static_cast<char>(Folded(c)); });
    return folded;
}

// True when the name, in any case, ends in one of the extensions after
// something else.
template <class Extensions>
bool EndsInOneOf(std::string_view name, const Extensions& extensions) {
    const std::string folded = FoldedText(name);
    return std::any_of(std::begin(extensions), std::end(extensions),
                       [&folded](std::string_view extension) {
                           return folded.size() > extension.size() && folded.ends_with(extension);
                       });
}

bool IsMatroskaName(const std::string& name) {
    constexpr std::string_view kExtensions[] = {".mkv", ".mka", ".mks"};
    return EndsInOneOf(name, kExtensions);
}

// "Attachment ID k: type 'MIME', size ...": what stands between the quotes.
std::string TypeOfAttachmentLine(const std::string& line) {
    const std::size_t start = line.find(kTypeStart);
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t from = start + kTypeStart.size();
    const std::size_t end = line.find(kTypeEnd, from);
    return end == std::string::npos ? std::string() : line.substr(from, end - from);
}

}  // namespace

AttachmentKind AttachmentKindOf(std::string_view mimeType, std::string_view name) {
    const std::string type = FoldedText(mimeType);
    if (type.starts_with("font/") ||
        std::find(std::begin(kFontTypes), std::end(kFontTypes), type) != std::end(kFontTypes)) {
        return AttachmentKind::Font;
    }
    if (type.starts_with("image/")) {
        return AttachmentKind::Image;
    }
    if (EndsInOneOf(name, kFontExtensions)) {
        return AttachmentKind::Font;
    }
    if (EndsInOneOf(name, kImageExtensions)) {
        return AttachmentKind::Image;
    }
    return AttachmentKind::Other;
}

SourceContents ReadSourceContents(const std::vector<std::string>& items) {
    SourceContents contents;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string& line = items[k];
        if (line.starts_with(kTrackStart)) {
            contents.tracks.push_back(ReadTrackLine(line, k + 1));
        } else if (line.starts_with(kAttachmentStart)) {
            SourceAttachment attachment{AttachmentId(line), AttachmentFileName(line),
                                        TypeOfAttachmentLine(line)};
            attachment.kind = AttachmentKindOf(attachment.type, attachment.name);
            contents.attachments.push_back(std::move(attachment));
        }
    }
    return contents;
}

std::string FileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool NaturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Leading zeros say nothing of the value; the longer run of what
            // remains is the larger number, and equal lengths compare digit
            // by digit.
            while (i < a.size() && a[i] == '0') {
                ++i;
            }
            while (j < b.size() && b[j] == '0') {
                ++j;
            }
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && IsDigit(a[endA])) {
                ++endA;
            }
            while (endB < b.size() && IsDigit(b[endB])) {
                ++endB;
            }
            const std::string_view numberA = a.substr(i, endA - i);
            const std::string_view numberB = b.substr(j, endB - j);
            if (numberA.size() != numberB.size()) {
                return numberA.size() < numberB.size();
            }
            if (numberA != numberB) {
                return numberA < numberB;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (Folded(a[i]) != Folded(b[j])) {
            return Folded(a[i]) < Folded(b[j]);
        }
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j) {
        return a.size() - i < b.size() - j;
    }
    // Equal but for case or leading zeros: a fixed order all the same.
    return a < b;
}

std::vector<std::string> MatroskaFilesIn(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && IsMatroskaName(it->path().filename().string())) {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return NaturalLess(FileNameOf(a), FileNameOf(b));
    });
    return files;
}

std::vector<std::string> NewSources(const std::vector<std::string>& paths,
                                    const std::vector<std::string>& listed) {
    std::vector<std::string> files;
    std::vector<std::string> given;
    for (const std::string& path : paths) {
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            const std::vector<std::string> inside = MatroskaFilesIn(path);
            files.insert(files.end(), inside.begin(), inside.end());
        } else {
            given.push_back(path);
        }
    }
    std::sort(given.begin(), given.end(), [](const std::string& a, const std::string& b) {
        return NaturalLess(FileNameOf(a), FileNameOf(b));
    });
    files.insert(files.end(), given.begin(), given.end());
    std::vector<std::string> added;
    std::set<std::string> seen(listed.begin(), listed.end());
    for (std::string& file : files) {
        if (seen.insert(file).second) {
            added.push_back(std::move(file));
        }
    }
    return added;
}

}  // namespace torvane
