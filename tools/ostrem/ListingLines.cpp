#include "tools/ostrem/ListingLines.h"

#include <cmath>
#include <cstdio>

#include "matroska/SafeText.h"

namespace ostrem {

namespace {

const char* TypeName(uint64_t type) {
    switch (type) {
        case mkv::kTrackVideo:
            return "video";
        case mkv::kTrackAudio:
            return "audio";
        case mkv::kTrackComplex:
            return "complex";
        case mkv::kTrackLogo:
            return "logo";
        case mkv::kTrackSubtitle:
            return "subtitles";
        case mkv::kTrackButtons:
            return "buttons";
        case mkv::kTrackControl:
            return "control";
        case mkv::kTrackMetadata:
            return "metadata";
        default:
            return "unknown";
    }
}

// 48000 -> "48000", 22050.5 -> "22050.5"
std::string Number(double v) {
    char buf[64];
    if (!std::isfinite(v) || v < 0 || v > 1e12)
        return "?";
    if (v == std::floor(v)) {
        std::snprintf(buf, sizeof buf, "%.0f", v);
    } else {
        std::snprintf(buf, sizeof buf, "%.3f", v);
        std::string s = buf;
        while (s.back() == '0')
            s.pop_back();
        return s;
    }
    return buf;
}

// Parentheses become square brackets, so that the CodecID stays the only
// parenthesised group of a line.
std::string WithoutParentheses(std::string text) {
    for (char& c : text) {
        if (c == '(')
            c = '[';
        if (c == ')')
            c = ']';
    }
    return text;
}

// The path as the user gave it, kept to one line: its control characters
// (C0, DEL) become '?'. Its other bytes stay, whatever their encoding.
std::string PathText(const std::string& path) {
    std::string out = path;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = '?';
    }
    return WithoutParentheses(out);
}

}  // namespace

std::string ListingText(const std::string& text) {
    return WithoutParentheses(mkv::SafeText(text));
}

std::string TrackLine(const mkv::Track& t) {
    std::vector<std::string> details;
    details.push_back("language: " + ListingText(t.DisplayLanguage()));
    if (!t.name.empty())
        details.push_back("name: " + ListingText(t.name));
    if (t.type == mkv::kTrackVideo && t.video) {
        details.push_back(std::to_string(t.video->pixelWidth) + "x" +
                          std::to_string(t.video->pixelHeight));
    }
    if (t.type == mkv::kTrackAudio) {
        const mkv::AudioInfo audio = t.audio.value_or(mkv::AudioInfo{});
        std::string rate = Number(audio.samplingFrequency) + " Hz";
        if (audio.outputSamplingFrequency &&
            *audio.outputSamplingFrequency != audio.samplingFrequency) {
            rate += ", output " + Number(*audio.outputSamplingFrequency) + " Hz";
        }
        details.push_back(rate);
        details.push_back(std::to_string(audio.channels) +
                          (audio.channels == 1 ? " channel" : " channels"));
    }
    if (t.flagDefault)
        details.push_back("default");
    if (t.flagForced)
        details.push_back("forced");
    if (!t.flagEnabled)
        details.push_back("disabled");
    if (t.Encrypted())
        details.push_back("encrypted");

    std::string line = "Track ID " + std::to_string(t.position) + ": " + TypeName(t.type) + " (" +
                       ListingText(t.codecId) + ") [";
    for (size_t i = 0; i < details.size(); ++i) {
        if (i > 0)
            line += ", ";
        line += details[i];
    }
    return line + "]";
}

std::string AttachmentLine(size_t k, const mkv::Attachment& a) {
    return "Attachment ID " + std::to_string(k) + ": type '" + ListingText(a.mediaType) +
           "', size " + std::to_string(a.dataSize) + " bytes, file name '" + mkv::SafeText(a.name) +
           "'";
}

std::vector<std::string> ListingLines(const std::string& fileName, const mkv::Reader& reader) {
    std::vector<std::string> lines;
    lines.push_back("File '" + PathText(fileName) + "': container: Matroska");
    for (const mkv::Track& t : reader.Tracks())
        lines.push_back(TrackLine(t));
    const auto& attachments = reader.Attachments();
    for (size_t k = 0; k < attachments.size(); ++k) {
        lines.push_back(AttachmentLine(k + 1, attachments[k]));
    }
    return lines;
}

}  // namespace ostrem
