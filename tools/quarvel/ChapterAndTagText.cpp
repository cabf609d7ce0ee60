#include "tools/quarvel/ChapterAndTagText.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "matroska/HexText.h"
#include "matroska/SafeText.h"

namespace quarvel {

namespace {

constexpr const char* kEol = "\r\n";
constexpr size_t kPieceBytes = 64 << 10;

// Text handed to a sink in pieces of about kPieceBytes.
class PieceWriter {
  public:
    explicit PieceWriter(const TextSink& sink) : sink_(sink) {}
    void Put(std::string_view text) {
        out_.append(text);
        if (out_.size() >= kPieceBytes)
            Flush();
    }
    void Put(char c) {
        out_ += c;
        if (out_.size() >= kPieceBytes)
            Flush();
    }
    void Flush() {
        if (!out_.empty())
            sink_(out_);
        out_.clear();
    }

  private:
    const TextSink& sink_;
    std::string out_;
};

// XML character data: & < > escaped, CR and LF as character references, the
// other C0 characters (which XML 1.0 forbids) and U+FFFE and U+FFFF dropped.
// DEL and C1, which XML allows but which act on a terminal, are written as
// character references, so the text is kept and no control byte is printed;
// each byte that is not UTF-8 (which XML cannot hold) becomes '?'.
void PutEscaped(PieceWriter& w, std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const mkv::TextUnit unit = mkv::NextTextUnit(text, at);
        const std::string_view bytes = text.substr(at, unit.size);
        at += unit.size;
        if (!unit.utf8) {
            w.Put('?');
            continue;
        }
        switch (unit.code) {
            case '&':
                w.Put("&amp;");
                break;
            case '<':
                w.Put("&lt;");
                break;
            case '>':
                w.Put("&gt;");
                break;
            case '\r':
                w.Put("&#13;");
                break;
            case '\n':
                w.Put("&#10;");
                break;
            case '\t':
                w.Put('\t');
                break;
            case 0xFFFE:
            case 0xFFFF:
                break;  // not XML characters
            default:
                if (unit.code < 0x20) {
                    break;  // not allowed in XML 1.0
                }
                if (unit.Control()) {
                    w.Put("&#" + std::to_string(unit.code) + ";");
                    break;
                }
                w.Put(bytes);
        }
    }
}

class XmlWriter {
  public:
    XmlWriter(const char* root, const char* dtd, const TextSink& sink) : w_(sink) {
        w_.Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
        w_.Put(kEol);
        // As a comment: readers that validate cannot trip over a DTD they lack.
        w_.Put(std::string("<!-- <!DOCTYPE ") + root + " SYSTEM \"" + dtd + "\"> -->");
        w_.Put(kEol);
    }
    void Open(const char* tag) {
        Indent();
        w_.Put(std::string("<") + tag + ">" + kEol);
        ++depth_;
    }
    void Close(const char* tag) {
        --depth_;
        Indent();
        w_.Put(std::string("</") + tag + ">" + kEol);
    }
    void Empty(const char* tag) {
        Indent();
        w_.Put(std::string("<") + tag + "/>" + kEol);
    }
    void Text(const char* tag, const std::string& value) {
        Indent();
        w_.Put(std::string("<") + tag + ">");
        PutEscaped(w_, value);
        w_.Put(std::string("</") + tag + ">" + kEol);
    }
    void Number(const char* tag, uint64_t value) { Text(tag, std::to_string(value)); }
    void Flag(const char* tag, bool value) { Text(tag, value ? "1" : "0"); }
    void Hex(const char* tag, const std::vector<uint8_t>& bytes) {
        Indent();
        w_.Put(std::string("<") + tag + " format=\"hex\">");
        // In pieces: a large binary value is never held twice in hex.
        for (size_t at = 0; at < bytes.size(); at += kPieceBytes / 2) {
            const size_t n = std::min(kPieceBytes / 2, bytes.size() - at);
            w_.Put(mkv::HexBytes(bytes.data() + at, n, mkv::HexCase::kLower));
        }
        w_.Put(std::string("</") + tag + ">" + kEol);
    }
    void Finish() { w_.Flush(); }

  private:
    void Indent() { w_.Put(std::string(static_cast<size_t>(depth_) * 2, ' ')); }
    PieceWriter w_;
    int depth_ = 0;
};

void WriteDisplay(XmlWriter& w, const mkv::ChapterDisplay& d) {
    w.Open("ChapterDisplay");
    w.Text("ChapterString", d.string);
    if (d.languages.empty()) {
        w.Text("ChapterLanguage", "eng");
    }
    for (const auto& l : d.languages)
        w.Text("ChapterLanguage", l.empty() ? "eng" : l);
    for (const auto& l : d.languagesBcp47)
        w.Text("ChapLanguageIETF", l);
    for (const auto& c : d.countries)
        w.Text("ChapterCountry", c);
    w.Close("ChapterDisplay");
}

void WriteAtom(XmlWriter& w, const mkv::ChapterAtom& a) {
    w.Open("ChapterAtom");
    if (a.uid)
        w.Number("ChapterUID", *a.uid);
    if (a.stringUid)
        w.Text("ChapterStringUID", *a.stringUid);
    w.Text("ChapterTimeStart", TimeNs(a.timeStart));
    if (a.timeEnd)
        w.Text("ChapterTimeEnd", TimeNs(*a.timeEnd));
    w.Flag("ChapterFlagHidden", a.flagHidden);
    w.Flag("ChapterFlagEnabled", a.flagEnabled);
    if (a.segmentUuid)
        w.Hex("ChapterSegmentUID", *a.segmentUuid);
    if (a.segmentEditionUid)
        w.Number("ChapterSegmentEditionUID", *a.segmentEditionUid);
    if (a.physicalEquiv)
        w.Number("ChapterPhysicalEquiv", *a.physicalEquiv);
    if (!a.trackUids.empty()) {
        w.Open("ChapterTrack");
        for (uint64_t uid : a.trackUids)
            w.Number("ChapterTrackNumber", uid);
        w.Close("ChapterTrack");
    }
    for (const auto& d : a.displays)
        WriteDisplay(w, d);
    for (const auto& child : a.children)
        WriteAtom(w, child);
    w.Close("ChapterAtom");
}

void WriteSimple(XmlWriter& w, const mkv::SimpleTag& s) {
    w.Open("Simple");
    w.Text("Name", s.name);
    if (s.string) {
        w.Text("String", *s.string);
    } else if (s.binary) {
        w.Hex("Binary", *s.binary);
    }
    if (s.language)
        w.Text("TagLanguage", *s.language);
    if (s.languageBcp47)
        w.Text("TagLanguageIETF", *s.languageBcp47);
    if (s.tagDefault)
        w.Flag("DefaultLanguage", *s.tagDefault != 0);
    for (const auto& child : s.children)
        WriteSimple(w, child);
    w.Close("Simple");
}

void Flatten(const mkv::ChapterAtom& a, PieceWriter& w, unsigned& n) {
    ++n;
    char num[16];
    std::snprintf(num, sizeof num, "%02u", n);
    // One line per name: a line break becomes a blank; other control
    // characters (terminal escapes) and bytes that are not UTF-8 become '?',
    // as in the listing.
    std::string name = a.displays.empty() ? std::string() : a.displays.front().string;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    name = mkv::SafeText(name);
    w.Put(std::string("CHAPTER") + num + "=" + TimeMs(a.timeStart) + kEol);
    w.Put(std::string("CHAPTER") + num + "NAME=");
    w.Put(name);
    w.Put(kEol);
    for (const auto& child : a.children)
        Flatten(child, w, n);
}

// Collects what a Write function hands out into one string.
template <class T>
std::string Whole(void (*write)(const T&, const TextSink&), const T& what) {
    std::string out;
    write(what, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

}  // namespace

std::string TimeNs(uint64_t ns) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%09" PRIu64,
                  ns / uint64_t{3600000000000}, ns / uint64_t{60000000000} % 60,
                  ns / uint64_t{1000000000} % 60, ns % uint64_t{1000000000});
    return buf;
}

std::string TimeMs(uint64_t ns) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64,
                  ns / uint64_t{3600000000000}, ns / uint64_t{60000000000} % 60,
                  ns / uint64_t{1000000000} % 60, ns % uint64_t{1000000000} / uint64_t{1000000});
    return buf;
}

std::string XmlEscape(const std::string& text) {
    std::string out;
    const TextSink sink = [&out](std::string_view piece) { out.append(piece); };
    PieceWriter w(sink);
    PutEscaped(w, text);
    w.Flush();
    return out;
}

void WriteChaptersXml(const mkv::Chapters& chapters, const TextSink& sink) {
    XmlWriter w("Chapters", "matroskachapters.dtd", sink);
    w.Open("Chapters");
    for (const auto& e : chapters.editions) {
        w.Open("EditionEntry");
        if (e.uid)
            w.Number("EditionUID", *e.uid);
        w.Flag("EditionFlagHidden", e.flagHidden);
        w.Flag("EditionFlagDefault", e.flagDefault);
        w.Flag("EditionFlagOrdered", e.flagOrdered);
        for (const auto& a : e.atoms)
            WriteAtom(w, a);
        w.Close("EditionEntry");
    }
    w.Close("Chapters");
    w.Finish();
}

void WriteChaptersSimple(const mkv::Chapters& chapters, const TextSink& sink) {
    PieceWriter w(sink);
    unsigned n = 0;
    for (const auto& e : chapters.editions) {
        for (const auto& a : e.atoms)
            Flatten(a, w, n);
    }
    w.Flush();
}

void WriteTagsXml(const mkv::Tags& tags, const TextSink& sink) {
    XmlWriter w("Tags", "matroskatags.dtd", sink);
    w.Open("Tags");
    for (const auto& t : tags.tags) {
        w.Open("Tag");
        const bool emptyTargets = !t.targetTypeValue && !t.targetType && t.trackUids.empty() &&
                                  t.editionUids.empty() && t.chapterUids.empty() &&
                                  t.attachmentUids.empty();
        if (emptyTargets) {
            w.Empty("Targets");
        } else {
            w.Open("Targets");
            if (t.targetTypeValue)
                w.Number("TargetTypeValue", *t.targetTypeValue);
            if (t.targetType)
                w.Text("TargetType", *t.targetType);
            for (uint64_t uid : t.trackUids)
                w.Number("TrackUID", uid);
            for (uint64_t uid : t.editionUids)
                w.Number("EditionUID", uid);
            for (uint64_t uid : t.chapterUids)
                w.Number("ChapterUID", uid);
            for (uint64_t uid : t.attachmentUids)
                w.Number("AttachmentUID", uid);
            w.Close("Targets");
        }
        for (const auto& s : t.simpleTags)
            WriteSimple(w, s);
        w.Close("Tag");
    }
    w.Close("Tags");
    w.Finish();
}

std::string ChaptersXml(const mkv::Chapters& chapters) {
    return Whole(WriteChaptersXml, chapters);
}
std::string ChaptersSimple(const mkv::Chapters& chapters) {
    return Whole(WriteChaptersSimple, chapters);
}
std::string TagsXml(const mkv::Tags& tags) {
    return Whole(WriteTagsXml, tags);
}

}  // namespace quarvel
