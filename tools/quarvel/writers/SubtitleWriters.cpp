// Subtitle outputs: SRT, SSA/ASS, WebVTT, PGS (.sup) and VobSub (.idx + .sub).
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "matroska/HexText.h"
#include "tools/quarvel/pass/PassLimits.h"
#include "tools/quarvel/writers/FileWriter.h"
#include "tools/quarvel/writers/OwnWriters.h"

namespace quarvel {

namespace {

// A cue without a duration of its own lasts until the next one starts; the
// last such cue gets this long on screen.
constexpr int64_t kLastCueNs = 2'000'000'000;

std::string Clock(int64_t ns, char sep, int fracDigits) {
    if (ns < 0) {
        ns = 0;
    }
    const int64_t unit = fracDigits == 3 ? 1'000'000 : 10'000'000;
    const int64_t ticks = (ns + unit / 2) / unit;
    const int64_t perSecond = fracDigits == 3 ? 1000 : 100;
    const int64_t s = ticks / perSecond;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld%c%0*lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60), sep,
                  fracDigits, static_cast<long long>(ticks % perSecond));
    return buf;
}

// H:MM:SS.cc, the SSA/ASS form (hours not padded).
std::string AssClock(int64_t ns) {
    std::string c = Clock(ns, '.', 2);
    return c[0] == '0' && c[2] == ':' ? c.substr(1) : c;
}

// The lines of a text, whatever its line ends.
std::vector<std::string> Lines(const uint8_t* p, size_t n) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < n; ++i) {
        if (p[i] == '\r' || p[i] == '\n') {
            if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back().push_back(static_cast<char>(p[i]));
        }
    }
    return lines;
}

// Cue text with its line ends made CR LF and its empty lines removed (an empty
// line would end the cue early for any reader).
std::string CueText(const uint8_t* p, size_t n) {
    std::string text;
    for (const std::string& line : Lines(p, n)) {
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        if (!text.empty()) {
            text += "\r\n";
        }
        text += line;
    }
    return text;
}

// Holds back a cue whose end is not known until the next block arrives.
struct Cue {
    int64_t start = 0;
    int64_t end = -1;
    std::string text;
    std::string settings, identifier, comments;  // WebVTT only
};

class TimedTextWriter : public FileWriter {
  public:
    bool Write(const Frame& f) override {
        const int64_t start = std::max<int64_t>(0, f.timestampNs);
        if (pending_ && !Close(start)) {
            return false;
        }
        Cue cue;
        cue.start = start;
        cue.end = f.durationNs >= 0 ? start + f.durationNs : -1;
        Parse(f, cue);
        if (cue.text.empty()) {
            return true;  // an empty block only ends the cue before it
        }
        pending_ = true;
        cue_ = std::move(cue);
        return cue_.end >= 0 ? Close(cue_.end) : true;
    }

  protected:
    bool End() override { return !pending_ || Close(cue_.start + kLastCueNs); }
    virtual bool WriteCue(const Cue& cue) = 0;
    virtual void Parse(const Frame& f, Cue& cue) { cue.text = CueText(f.data, f.size); }

  private:
    bool Close(int64_t next) {
        pending_ = false;
        if (cue_.end < 0) {
            cue_.end = std::max(cue_.start, next);
        }
        return WriteCue(cue_);
    }
    bool pending_ = false;
    Cue cue_;
};

class SrtWriter : public TimedTextWriter {
  protected:
    bool WriteCue(const Cue& c) override {
        return Put(std::to_string(++count_) + "\r\n" + Clock(c.start, ',', 3) + " --> " +
                   Clock(c.end, ',', 3) + "\r\n" + c.text + "\r\n\r\n");
    }

  private:
    uint64_t count_ = 0;
};

class WebVttWriter : public TimedTextWriter {
  protected:
    void Parse(const Frame& f, Cue& cue) override {
        if (track_.codecId.rfind("D_WEBVTT/", 0) == 0) {
            // WebM keeps the identifier and the settings as the first two
            // lines of the frame itself.
            size_t pos = 0;
            std::string* fields[2] = {&cue.identifier, &cue.settings};
            for (std::string* field : fields) {
                while (pos < f.size && f.data[pos] != '\n') {
                    field->push_back(static_cast<char>(f.data[pos++]));
                }
                if (!field->empty() && field->back() == '\r') {
                    field->pop_back();
                }
                pos += pos < f.size ? 1 : 0;
            }
            cue.text = CueText(f.data + pos, f.size - pos);
            return;
        }
        cue.text = CueText(f.data, f.size);
        if (f.additional) {
            // Matroska keeps them in BlockAdditions: settings, identifier, then
            // the comment blocks that stood before the cue.
            const std::vector<std::string> extra = Lines(f.additional, f.additionalSize);
            cue.settings = extra[0];
            if (extra.size() > 1) {
                cue.identifier = extra[1];
            }
            for (size_t i = 2; i < extra.size(); ++i) {
                cue.comments += extra[i] + "\r\n";
            }
        }
    }
    bool Start() override {
        std::string header = "WEBVTT";
        if (!track_.codecPrivate.empty()) {
            header.clear();
            for (const std::string& line :
                 Lines(track_.codecPrivate.data(), track_.codecPrivate.size())) {
                header += line + "\r\n";
            }
            while (header.size() >= 2 && header.compare(header.size() - 2, 2, "\r\n") == 0) {
                header.resize(header.size() - 2);
            }
        }
        return Put(header + "\r\n\r\n");
    }
    bool WriteCue(const Cue& c) override {
        std::string s;
        if (!c.comments.empty()) {
            s += c.comments + "\r\n";
        }
        if (!c.identifier.empty()) {
            s += c.identifier + "\r\n";
        }
        s += Clock(c.start, '.', 3) + " --> " + Clock(c.end, '.', 3);
        if (!c.settings.empty()) {
            s += " " + c.settings;
        }
        return Put(s + "\r\n" + c.text + "\r\n\r\n");
    }
};

// SSA/ASS: the script header from CodecPrivate, then the events rebuilt from
// the blocks and put back in their original order (ReadOrder).
class SsaWriter : public FileWriter {
  public:
    bool Write(const Frame& f) override {
        std::string s(reinterpret_cast<const char*>(f.data), f.size);
        // ReadOrder, Layer, Style, Name, MarginL, MarginR, MarginV, Effect, Text:
        // Text itself may hold commas, so only the first eight split.
        std::vector<std::string> fields;
        size_t pos = 0;
        for (int i = 0; i < 8; ++i) {
            const size_t comma = s.find(',', pos);
            if (comma == std::string::npos) {
                Warn("an event without the expected fields was dropped");
                return true;
            }
            fields.push_back(s.substr(pos, comma - pos));
            pos = comma + 1;
        }
        std::string text = s.substr(pos);
        // A line break cannot stand inside an event line; ASS spells it \N.
        std::string clean;
        for (const std::string& line :
             Lines(reinterpret_cast<const uint8_t*>(text.data()), text.size())) {
            clean += (clean.empty() ? "" : "\\N") + line;
        }
        Event e;
        char* end = nullptr;
        e.readOrder = std::strtoll(fields[0].c_str(), &end, 10);
        e.hasOrder = !fields[0].empty() && end && *end == '\0';
        e.start = std::max<int64_t>(0, f.timestampNs);
        e.end = f.durationNs >= 0 ? e.start + f.durationNs : -1;
        e.layer = fields[1];
        e.rest = fields[2];
        for (int i = 3; i < 8; ++i) {
            e.rest += "," + fields[i];
        }
        e.rest += "," + clean;
        bytes_ += e.rest.size() + e.layer.size() + 64;
        if (bytes_ > limits::kMaxSubtitleTextBytes) {
            return Fail("the subtitle track holds more text than the limit of " +
                        std::to_string(limits::kMaxSubtitleTextBytes >> 20) + " MiB");
        }
        e.index = events_.size();
        events_.push_back(std::move(e));
        return true;
    }

  protected:
    bool End() override {
        const bool ass = track_.codecId == "S_TEXT/ASS" || track_.codecId == "S_ASS";
        if (!Put(ScriptHead(ass))) {
            return false;
        }
        OrderEvents();
        for (const Event& e : events_) {
            const std::string first = ass ? e.layer : "Marked=0";
            if (!Put("Dialogue: " + first + "," + AssClock(e.start) + "," + AssClock(e.end) + "," +
                     e.rest + "\r\n")) {
                return false;
            }
        }
        return true;
    }

  private:
    struct Event {
        long long readOrder = 0;
        bool hasOrder = false;
        int64_t start = 0, end = -1;
        std::string layer, rest;
        size_t index = 0;
    };
    // The script's header from CodecPrivate, with the [Events] section and
    // its Format line added when it lacks them.
    std::string ScriptHead(bool ass) const {
        std::vector<std::string> lines;
        if (!track_.codecPrivate.empty()) {
            lines = Lines(track_.codecPrivate.data(), track_.codecPrivate.size());
        }
        while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string::npos) {
            lines.pop_back();
        }
        bool hasEvents = false, hasFormat = false;
        for (const std::string& l : lines) {
            if (l.rfind("[Events]", 0) == 0) {
                hasEvents = true;
            } else if (hasEvents && l.rfind("Format:", 0) == 0) {
                hasFormat = true;
            }
        }
        if (!hasEvents) {
            lines.emplace_back();
            lines.emplace_back("[Events]");
        }
        if (!hasFormat) {
            lines.emplace_back(ass ? "Format: Layer, Start, End, Style, Name, MarginL, MarginR, "
                                     "MarginV, Effect, Text"
                                   : "Format: Marked, Start, End, Style, Name, MarginL, MarginR, "
                                     "MarginV, Effect, Text");
        }
        std::string head;
        for (const std::string& l : lines) {
            head += l + "\r\n";
        }
        return head;
    }
    // Events without a duration last until the next one in the file starts;
    // then all go back to their original order (ReadOrder).
    void OrderEvents() {
        for (size_t i = 0; i < events_.size(); ++i) {
            if (events_[i].end < 0) {
                const int64_t next = i + 1 < events_.size() ? events_[i + 1].start : -1;
                events_[i].end = next > events_[i].start ? next : events_[i].start + kLastCueNs;
            }
        }
        std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
            if (a.hasOrder != b.hasOrder) {
                return a.hasOrder;
            }
            if (a.hasOrder && a.readOrder != b.readOrder) {
                return a.readOrder < b.readOrder;
            }
            return a.start < b.start;
        });
    }

    std::vector<Event> events_;
    size_t bytes_ = 0;
};

// Blu-ray PGS: each segment of a block gets the "PG" header with its times.
class SupWriter : public FileWriter {
  public:
    bool Write(const Frame& f) override {
        const uint64_t pts =
            static_cast<uint64_t>(std::max<int64_t>(0, f.timestampNs)) * 9 / 100000;
        size_t pos = 0;
        while (pos < f.size) {
            if (f.size - pos < 3) {
                Warn("a damaged PGS segment was dropped");
                break;
            }
            const size_t len = (size_t{f.data[pos + 1]} << 8) | f.data[pos + 2];
            if (len > f.size - pos - 3) {
                Warn("a damaged PGS segment was dropped");
                break;
            }
            std::vector<uint8_t> h;
            PutText(h, "PG");
            PutBE32(h, static_cast<uint32_t>(pts));
            PutBE32(h, 0);  // decode time: left 0, as disc authoring tools write it
            if (!Put(h) || !Put(f.data + pos, 3 + len)) {
                return false;
            }
            pos += 3 + len;
        }
        return true;
    }
};

std::string ReplaceExtension(const std::string& path, const std::string& ext) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return path + ext;
    }
    return path.substr(0, dot) + ext;
}

bool EndsWithNoCase(const std::string& s, const char* suffix) {
    const std::string x(suffix);
    if (s.size() < x.size()) {
        return false;
    }
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[s.size() - x.size() + i])) != x[i]) {
            return false;
        }
    }
    return true;
}

std::string TwoLetterLanguage(const std::string& lang) {
    static const char* const kPairs[][2] = {
        {"eng", "en"}, {"spa", "es"}, {"fre", "fr"}, {"fra", "fr"}, {"ger", "de"}, {"deu", "de"},
        {"ita", "it"}, {"por", "pt"}, {"dut", "nl"}, {"nld", "nl"}, {"rus", "ru"}, {"jpn", "ja"},
        {"chi", "zh"}, {"zho", "zh"}, {"kor", "ko"}, {"ara", "ar"}, {"swe", "sv"}, {"nor", "no"},
        {"dan", "da"}, {"fin", "fi"}, {"pol", "pl"}, {"cze", "cs"}, {"ces", "cs"}, {"hun", "hu"},
        {"gre", "el"}, {"ell", "el"}, {"tur", "tr"}, {"heb", "he"}, {"hin", "hi"}, {"tha", "th"},
        {"cat", "ca"}, {"rum", "ro"}, {"ron", "ro"}, {"ukr", "uk"}, {"bul", "bg"}, {"hrv", "hr"},
        {"srp", "sr"}, {"slo", "sk"}, {"slk", "sk"}, {"slv", "sl"}, {"ice", "is"}, {"isl", "is"},
        {"vie", "vi"}, {"ind", "id"}, {"may", "ms"}, {"msa", "ms"}, {"baq", "eu"}, {"eus", "eu"},
        {"glg", "gl"}, {"est", "et"}, {"lav", "lv"}, {"lit", "lt"}, {"per", "fa"}, {"fas", "fa"},
    };
    for (const auto& p : kPairs) {
        if (lang == p[0]) {
            return p[1];
        }
    }
    return lang.size() == 2 ? lang : "--";
}

// VobSub: the SPUs wrapped in 2048-octet MPEG-2 program stream packs (.sub),
// and a text index (.idx) with the settings from CodecPrivate and one line
// per subtitle giving its time and where its first pack starts.
class VobSubWriter : public FileWriter {
  public:
    // PATH holds the index when it ends in .idx, else the data; the other
    // file is PATH with .sub or .idx for its extension.
    std::vector<std::string> Targets(const std::string& path) const override {
        return {path, ReplaceExtension(path, EndsWithNoCase(path, ".idx") ? ".sub" : ".idx")};
    }
    std::vector<std::pair<std::string, std::string>> Files() const override {
        auto files = FileWriter::Files();
        if (!extra_.Path().empty()) {
            files.emplace_back(extra_.Path(), extra_.Target());
        }
        return files;
    }
    void Abort() override {
        FileWriter::Abort();
        extra_.Discard();
    }

  protected:
    bool Start() override {
        indexIsMain_ = EndsWithNoCase(out_.Target(), ".idx");
        if (!extra_.Open(Targets(out_.Target())[1])) {
            return Fail(extra_.Error());
        }
        std::string head;
        const char* kFirst = "# VobSub index file, v7 (do not modify this line!)";
        std::vector<std::string> lines;
        if (!track_.codecPrivate.empty()) {
            lines = Lines(track_.codecPrivate.data(), track_.codecPrivate.size());
        }
        while (!lines.empty() && lines.back().empty()) {
            lines.pop_back();
        }
        if (lines.empty() || lines[0].rfind("# VobSub index file", 0) != 0) {
            head += std::string(kFirst) + "\r\n";
        }
        for (const std::string& l : lines) {
            head += l + "\r\n";
        }
        head += "langidx: 0\r\n";
        head += "id: " + TwoLetterLanguage(track_.language) + ", index: 0\r\n";
        return PutIndex(head);
    }
    bool End() override {
        if (!extra_.Close()) {
            return Fail(extra_.Error());
        }
        return true;
    }

  public:
    bool Write(const Frame& f) override {
        if (f.size == 0) {
            return true;
        }
        const int64_t ns = std::max<int64_t>(0, f.timestampNs);
        if (!PutIndex(IndexLine(ns, SubPosition()))) {
            return false;
        }
        const uint64_t pts = static_cast<uint64_t>(ns) * 9 / 100000;
        for (size_t pos = 0; pos < f.size;) {
            std::vector<uint8_t> pack;
            pos += FillPack(pack, pts, f.data + pos, f.size - pos, pos == 0);
            if (!PutSub(pack)) {
                return false;
            }
        }
        return true;
    }

  private:
    // The index line of a subtitle: its time and where its first pack starts.
    static std::string IndexLine(int64_t ns, uint64_t filepos) {
        const uint64_t ms = static_cast<uint64_t>(ns / 1000000);
        char line[96];
        std::snprintf(line, sizeof line, "timestamp: %02llu:%02llu:%02llu:%03llu, filepos: ",
                      static_cast<unsigned long long>(ms / 3600000),
                      static_cast<unsigned long long>(ms / 60000 % 60),
                      static_cast<unsigned long long>(ms / 1000 % 60),
                      static_cast<unsigned long long>(ms % 1000));
        return line + mkv::HexNumber(filepos, 9, mkv::HexCase::kLower) + "\r\n";
    }
    // One 2048-octet pack holding the next bytes of a subtitle: the pack
    // header, a PES packet of subpicture stream 0 (with the PTS in the
    // subtitle's first) and padding. Returns how many of the bytes it holds.
    static size_t FillPack(std::vector<uint8_t>& pack, uint64_t pts, const uint8_t* data,
                           size_t size, bool first) {
        pack.reserve(2048);
        PackHeader(pack, pts);
        const size_t header = first ? 9 + 5 : 9;              // PES start to the end of its header
        const size_t room = 2048 - pack.size() - header - 1;  // 1: substream octet
        const size_t take = std::min(room, size);
        const size_t left = room - take;
        // Too little room for a padding packet is stuffing.
        const size_t stuffing = left > 0 && left < 6 ? left : 0;
        pack.insert(pack.end(), {0x00, 0x00, 0x01, 0xBD});
        PutBE16(pack, static_cast<uint32_t>(3 + (first ? 5 : 0) + stuffing + 1 + take));
        pack.push_back(0x81);
        pack.push_back(first ? 0x80 : 0x00);
        pack.push_back(static_cast<uint8_t>((first ? 5 : 0) + stuffing));
        if (first) {
            pack.push_back(static_cast<uint8_t>(0x21 | ((pts >> 29) & 0x0E)));
            pack.push_back(static_cast<uint8_t>(pts >> 22));
            pack.push_back(static_cast<uint8_t>(0x01 | ((pts >> 14) & 0xFE)));
            pack.push_back(static_cast<uint8_t>(pts >> 7));
            pack.push_back(static_cast<uint8_t>(0x01 | ((pts << 1) & 0xFE)));
        }
        pack.insert(pack.end(), stuffing, 0xFF);
        pack.push_back(0x20);  // subpicture stream 0
        pack.insert(pack.end(), data, data + take);
        if (pack.size() < 2048) {
            const size_t pad = 2048 - pack.size();
            pack.insert(pack.end(), {0x00, 0x00, 0x01, 0xBE});
            PutBE16(pack, static_cast<uint32_t>(pad - 6));
            pack.insert(pack.end(), pad - 6, 0xFF);
        }
        return take;
    }
    static void PackHeader(std::vector<uint8_t>& p, uint64_t scr) {
        p.insert(p.end(), {0x00, 0x00, 0x01, 0xBA});
        p.push_back(static_cast<uint8_t>(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03)));
        p.push_back(static_cast<uint8_t>(scr >> 20));
        p.push_back(static_cast<uint8_t>(0x04 | ((scr >> 12) & 0xF8) | ((scr >> 13) & 0x03)));
        p.push_back(static_cast<uint8_t>(scr >> 5));
        p.push_back(static_cast<uint8_t>(0x04 | ((scr << 3) & 0xF8)));
        p.push_back(0x01);
        p.insert(p.end(), {0x01, 0x89, 0xC3, 0xF8});  // mux rate, no stuffing
    }
    uint64_t SubPosition() const { return indexIsMain_ ? extra_.Position() : out_.Position(); }
    bool PutSub(const std::vector<uint8_t>& b) {
        OutputFile& f = indexIsMain_ ? extra_ : out_;
        return f.Write(b) || Fail(f.Error());
    }
    bool PutIndex(const std::string& s) {
        OutputFile& f = indexIsMain_ ? out_ : extra_;
        return f.Write(s) || Fail(f.Error());
    }

    bool indexIsMain_ = false;
    OutputFile extra_;
};

}  // namespace

std::unique_ptr<TrackWriter> MakeSrtWriter() {
    return std::make_unique<SrtWriter>();
}
std::unique_ptr<TrackWriter> MakeSsaWriter() {
    return std::make_unique<SsaWriter>();
}
std::unique_ptr<TrackWriter> MakeWebVttWriter() {
    return std::make_unique<WebVttWriter>();
}
std::unique_ptr<TrackWriter> MakeSupWriter() {
    return std::make_unique<SupWriter>();
}
std::unique_ptr<TrackWriter> MakeVobSubWriter() {
    return std::make_unique<VobSubWriter>();
}

}  // namespace quarvel
