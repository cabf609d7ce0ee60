#include "core/BatchSource.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

#include "core/Listing.h"

namespace torvane {
namespace {

constexpr std::string_view kTrackStart = "Track ID ";
constexpr std::string_view kAttachmentStart = "Attachment ID";
constexpr std::string_view kLanguageStart = "[language: ";

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

bool IsMatroskaName(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return static_cast<char>(Folded(c)); });
    for (const std::string_view extension : {".mkv", ".mka", ".mks"}) {
        if (name.size() > extension.size() && name.ends_with(extension)) {
            return true;
        }
    }
    return false;
}

}  // namespace

SourceContents ReadSourceContents(const std::vector<std::string>& items) {
    SourceContents contents;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string& line = items[k];
        if (line.starts_with(kTrackStart)) {
            contents.tracks.push_back(ReadTrackLine(line, k + 1));
        } else if (line.starts_with(kAttachmentStart)) {
            contents.attachments.push_back({AttachmentId(line), AttachmentFileName(line)});
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
