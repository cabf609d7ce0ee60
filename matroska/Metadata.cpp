#include "matroska/Metadata.h"

#include <zlib.h>

#include <cstdio>
#include <iterator>

#include "matroska/SafeText.h"

namespace mkv::detail {

// ---- Parser helpers -------------------------------------------------------

bool Parser::ReadChild(uint64_t pos, const ElementHeader& parent, ElementHeader& child) {
    Error error;
    if (!ReadElementHeader(source_, pos, parent.End(), child, error)) {
        Problem(error.offset, error.message + " inside " + ElementName(parent.id));
        return false;
    }
    if (child.unknownSize) {
        Problem(child.offset, ElementName(child.id) + " inside " + ElementName(parent.id) +
                                  " has an unknown size, which only Segment and Cluster may have");
        return false;
    }
    return true;
}

void Parser::ReportOverrun(const ElementHeader& parent, const ElementHeader& child) {
    Problem(child.offset, ElementName(child.id) + " declares " + std::to_string(child.size) +
                              " bytes, but its parent " + ElementName(parent.id) + " has only " +
                              std::to_string(parent.End() - child.dataOffset) + " left");
}

bool Parser::EnterMaster(const ElementHeader& parent) {
    if (depth_ >= kMaxDepth) {
        Problem(parent.offset, ElementName(parent.id) + " is nested more than " +
                                   std::to_string(kMaxDepth) + " levels deep; skipped");
        return false;
    }
    ++depth_;
    return true;
}

bool Parser::CountElement(uint64_t pos) {
    if (elements_ >= kMaxMetadataElements) {
        if (elements_++ == kMaxMetadataElements) {
            Problem(pos, "more than " + std::to_string(kMaxMetadataElements) +
                             " metadata elements; the rest are ignored");
        }
        return false;
    }
    ++elements_;
    return true;
}

namespace {

struct LimitText {
    uint64_t limit;
    const char* what;
};
// By Limit, in its order.
constexpr LimitText kLimitTexts[] = {
    {kMaxTracks, "tracks"},
    {kMaxAttachments, "attachments"},
    {kMaxSeekEntries, "SeekHead entries"},
    {kMaxContentEncodings, "ContentEncodings in one track"},
    {kMaxChapterAtoms, "chapters"},
    {kMaxSimpleTags, "SimpleTags"},
    {kMaxTagsElements, "Tags elements"},
    {kMaxMetadataBytes, "bytes of metadata values"},
};
static_assert(std::size(kLimitTexts) == static_cast<size_t>(Limit::kCount));

}  // namespace

void Parser::PassOver(Limit limit, uint64_t offset) {
    const auto which = static_cast<size_t>(limit);
    Passed& passed = passed_[which];
    const LimitText& text = kLimitTexts[which];
    std::string message = "more than " + std::to_string(text.limit) + " " + text.what + "; " +
                          std::to_string(++passed.count) + " more ignored";
    if (passed.count == 1) {
        passed.problem = problems_.size();
        Problem(offset, std::move(message));
    } else {
        problems_[passed.problem].message = std::move(message);
    }
}

namespace {

bool ReadBytes(Parser& p, const ElementHeader& h, std::vector<uint8_t>& out) {
    out.resize(static_cast<size_t>(h.size));
    const size_t got = h.size == 0 ? 0 : p.Source().ReadAt(h.dataOffset, out.data(), out.size());
    if (got != out.size()) {
        p.Problem(h.offset, ElementName(h.id) + ": expected " + std::to_string(h.size) +
                                " bytes of data, found " + std::to_string(got) +
                                " before the end of the file");
        return false;
    }
    return true;
}

}  // namespace

bool Parser::DecodeValue(const ElementHeader& h, Kind kind, uint64_t uintDefault,
                         double floatDefault, Value& v) {
    switch (kind) {
        case Kind::kUint:
        case Kind::kSint:
        case Kind::kFloat:
            return DecodeNumber(h, kind, uintDefault, floatDefault, v);
        case Kind::kText:
        case Kind::kBinary:
            return DecodeBytes(h, kind, v);
        case Kind::kMaster:
        case Kind::kLocation:
            return true;
    }
    return false;
}

bool Parser::DecodeNumber(const ElementHeader& h, Kind kind, uint64_t uintDefault,
                          double floatDefault, Value& v) {
    if (h.size > 8) {
        Problem(h.offset, ElementName(h.id) + ": expected a number of at most 8 bytes, found " +
                              std::to_string(h.size) + " bytes");
        return false;
    }
    uint8_t buf[8];
    const auto n = static_cast<size_t>(h.size);
    if (n > 0 && source_.ReadAt(h.dataOffset, buf, n) != n) {
        Problem(h.offset, ElementName(h.id) + ": value cut short by the end of the file");
        return false;
    }
    if (kind == Kind::kUint) {
        v.u = n == 0 ? uintDefault : DecodeUint(buf, n);
    } else if (kind == Kind::kSint) {
        v.i = DecodeSint(buf, n);
    } else if (n == 0) {
        v.f = floatDefault;
    } else {
        v.f = DecodeFloat(buf, n);
        if (!v.f) {
            Problem(h.offset, ElementName(h.id) + ": a float of " + std::to_string(n) +
                                  " bytes is not valid (4 or 8 expected); ignored");
            return false;
        }
    }
    return true;
}

bool Parser::DecodeBytes(const ElementHeader& h, Kind kind, Value& v) {
    if (h.size > kMaxHeldElementSize) {
        Problem(h.offset, ElementName(h.id) + " of " + std::to_string(h.size) +
                              " bytes is larger than the reader holds in memory (" +
                              std::to_string(kMaxHeldElementSize) + " bytes); skipped");
        return false;
    }
    if (heldBytes_ + h.size > kMaxMetadataBytes) {
        PassOver(Limit::kMetadataBytes, h.offset);
        return false;
    }
    heldBytes_ += h.size;
    std::vector<uint8_t> bytes;
    if (!ReadBytes(*this, h, bytes))
        return false;
    if (kind == Kind::kText) {
        v.s = DecodeText(bytes.data(), bytes.size());
    } else {
        v.b = std::move(bytes);
    }
    return true;
}

void Parser::VerifyCrc(const ElementHeader& parent, const ElementHeader& crc) {
    if (crc.size != 4) {
        Problem(crc.offset, "CRC-32 of " + ElementName(parent.id) + " holds " +
                                std::to_string(crc.size) + " bytes instead of 4; not checked");
        return;
    }
    const uint64_t from = crc.End();
    const uint64_t to = parent.End();
    if (to - from > kMaxHeldElementSize)
        return;  // too large to check cheaply
    uint8_t stored[4];
    if (source_.ReadAt(crc.dataOffset, stored, 4) != 4)
        return;
    const uint32_t expected =
        stored[0] | (stored[1] << 8) | (stored[2] << 16) | (static_cast<uint32_t>(stored[3]) << 24);
    uLong crcValue = crc32(0, nullptr, 0);
    std::vector<uint8_t> chunk(size_t{64} * 1024);
    for (uint64_t at = from; at < to;) {
        const auto n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), to - at));
        const size_t got = source_.ReadAt(at, chunk.data(), n);
        if (got != n)
            return;  // a short file is reported elsewhere
        crcValue = crc32(crcValue, chunk.data(), static_cast<uInt>(n));
        at += n;
    }
    if (crcValue != expected) {
        char buf[96];
        std::snprintf(buf, sizeof buf,
                      " (stored %08X, computed %08X); its data is used all the same", expected,
                      static_cast<uint32_t>(crcValue));
        Problem(crc.offset, "CRC-32 of " + ElementName(parent.id) + " does not match" + buf);
    }
}

// ---- Rule tables ------------------------------------------------------------

namespace {

using H = ElementHeader;

// EBML header
constexpr Rule<EbmlHeader> kEbmlRules[] = {
    {id::kEbmlReadVersion, Kind::kUint, false, Set<EbmlHeader, &EbmlHeader::readVersion>, 1},
    {id::kEbmlMaxIdLength, Kind::kUint, false, Set<EbmlHeader, &EbmlHeader::maxIdLength>, 4},
    {id::kEbmlMaxSizeLength, Kind::kUint, false, Set<EbmlHeader, &EbmlHeader::maxSizeLength>, 8},
    {id::kDocType, Kind::kText, false, Set<EbmlHeader, &EbmlHeader::docType>},
    {id::kDocTypeReadVersion, Kind::kUint, false, Set<EbmlHeader, &EbmlHeader::docTypeReadVersion>,
     1},
};

// SeekHead
constexpr Rule<SeekEntry> kSeekRules[] = {
    {id::kSeekId, Kind::kBinary, false,
     [](SeekEntry& e, Parser&, const H&, Value& v) {
         if (!v.b.empty() && v.b.size() <= 4)
             e.id = static_cast<uint32_t>(DecodeUint(v.b.data(), v.b.size()));
     }},
    {id::kSeekPosition, Kind::kUint, false, Set<SeekEntry, &SeekEntry::position>},
};
constexpr Rule<SeekHead> kSeekHeadRules[] = {
    {id::kSeek, Kind::kMaster, true,
     [](SeekHead& s, Parser& p, const H& h, Value&) {
         SeekEntry e;
         p.Walk(h, e, kSeekRules);
         if (e.id == 0)
             return;
         if (s.entries.size() >= kMaxSeekEntries) {
             p.PassOver(Limit::kSeekEntries, h.offset);
             return;
         }
         s.entries.push_back(e);
     }},
};

// Info
constexpr Rule<SegmentInfo> kInfoRules[] = {
    {id::kSegmentUuid, Kind::kBinary, false, Set<SegmentInfo, &SegmentInfo::segmentUuid>},
    {id::kTimestampScale, Kind::kUint, false,
     [](SegmentInfo& i, Parser& p, const H& h, Value& v) {
         if (v.u == 0) {
             p.Problem(h.offset, "TimestampScale is 0; taken as 1000000");
             return;
         }
         i.timestampScale = v.u;
     },
     1000000},
    {id::kDuration, Kind::kFloat, false, Set<SegmentInfo, &SegmentInfo::duration>},
    {id::kDateUtc, Kind::kSint, false, Set<SegmentInfo, &SegmentInfo::dateUtc>},
    {id::kTitle, Kind::kText, false, Set<SegmentInfo, &SegmentInfo::title>},
    {id::kMuxingApp, Kind::kText, false, Set<SegmentInfo, &SegmentInfo::muxingApp>},
    {id::kWritingApp, Kind::kText, false, Set<SegmentInfo, &SegmentInfo::writingApp>},
};

// Tracks
constexpr Rule<VideoInfo> kVideoRules[] = {
    {id::kFlagInterlaced, Kind::kUint, false, Set<VideoInfo, &VideoInfo::flagInterlaced>},
    {id::kStereoMode, Kind::kUint, false, Set<VideoInfo, &VideoInfo::stereoMode>},
    {id::kPixelWidth, Kind::kUint, false, Set<VideoInfo, &VideoInfo::pixelWidth>},
    {id::kPixelHeight, Kind::kUint, false, Set<VideoInfo, &VideoInfo::pixelHeight>},
    {id::kPixelCropBottom, Kind::kUint, false, Set<VideoInfo, &VideoInfo::cropBottom>},
    {id::kPixelCropTop, Kind::kUint, false, Set<VideoInfo, &VideoInfo::cropTop>},
    {id::kPixelCropLeft, Kind::kUint, false, Set<VideoInfo, &VideoInfo::cropLeft>},
    {id::kPixelCropRight, Kind::kUint, false, Set<VideoInfo, &VideoInfo::cropRight>},
    {id::kDisplayWidth, Kind::kUint, false, Set<VideoInfo, &VideoInfo::displayWidth>},
    {id::kDisplayHeight, Kind::kUint, false, Set<VideoInfo, &VideoInfo::displayHeight>},
    {id::kDisplayUnit, Kind::kUint, false, Set<VideoInfo, &VideoInfo::displayUnit>},
};
constexpr Rule<AudioInfo> kAudioRules[] = {
    {id::kSamplingFrequency, Kind::kFloat, false, Set<AudioInfo, &AudioInfo::samplingFrequency>, 0,
     8000.0},
    {id::kOutputSamplingFrequency, Kind::kFloat, false,
     Set<AudioInfo, &AudioInfo::outputSamplingFrequency>},
    {id::kChannels, Kind::kUint, false, Set<AudioInfo, &AudioInfo::channels>, 1},
    {id::kBitDepth, Kind::kUint, false, Set<AudioInfo, &AudioInfo::bitDepth>},
};
constexpr Rule<ContentEncoding> kCompressionRules[] = {
    {id::kContentCompAlgo, Kind::kUint, false, Set<ContentEncoding, &ContentEncoding::compAlgo>},
    {id::kContentCompSettings, Kind::kBinary, false,
     Set<ContentEncoding, &ContentEncoding::compSettings>},
};
constexpr Rule<ContentEncoding> kEncryptionRules[] = {
    {id::kContentEncAlgo, Kind::kUint, false, Set<ContentEncoding, &ContentEncoding::encAlgo>},
    {id::kContentEncKeyId, Kind::kBinary, false, Set<ContentEncoding, &ContentEncoding::encKeyId>},
};
constexpr Rule<ContentEncoding> kContentEncodingRules[] = {
    {id::kContentEncodingOrder, Kind::kUint, false, Set<ContentEncoding, &ContentEncoding::order>},
    {id::kContentEncodingScope, Kind::kUint, false, Set<ContentEncoding, &ContentEncoding::scope>,
     1},
    {id::kContentEncodingType, Kind::kUint, false, Set<ContentEncoding, &ContentEncoding::type>},
    {id::kContentCompression, Kind::kMaster, false,
     [](ContentEncoding& e, Parser& p, const H& h, Value&) {
         e.hasCompression = true;
         p.Walk(h, e, kCompressionRules);
     }},
    {id::kContentEncryption, Kind::kMaster, false,
     [](ContentEncoding& e, Parser& p, const H& h, Value&) {
         e.hasEncryption = true;
         p.Walk(h, e, kEncryptionRules);
     }},
};
constexpr Rule<Track> kContentEncodingsRules[] = {
    {id::kContentEncoding, Kind::kMaster, true,
     [](Track& t, Parser& p, const H& h, Value&) {
         if (t.contentEncodings.size() >= kMaxContentEncodings) {
             p.PassOver(Limit::kContentEncodings, h.offset);
             return;
         }
         ContentEncoding e;
         p.Walk(h, e, kContentEncodingRules);
         t.contentEncodings.push_back(std::move(e));
     }},
};
constexpr Rule<Track> kTrackRules[] = {
    {id::kTrackNumber, Kind::kUint, false, Set<Track, &Track::number>},
    {id::kTrackUid, Kind::kUint, false, Set<Track, &Track::uid>},
    {id::kTrackType, Kind::kUint, false, Set<Track, &Track::type>},
    {id::kFlagEnabled, Kind::kUint, false, Set<Track, &Track::flagEnabled>, 1},
    {id::kFlagDefault, Kind::kUint, false, Set<Track, &Track::flagDefault>, 1},
    {id::kFlagForced, Kind::kUint, false, Set<Track, &Track::flagForced>},
    {id::kFlagLacing, Kind::kUint, false, Set<Track, &Track::flagLacing>, 1},
    {id::kDefaultDuration, Kind::kUint, false, Set<Track, &Track::defaultDuration>},
    {id::kTrackTimestampScale, Kind::kFloat, false, Set<Track, &Track::trackTimestampScale>, 0,
     1.0},
    {id::kName, Kind::kText, false, Set<Track, &Track::name>},
    {id::kLanguage, Kind::kText, false,
     [](Track& t, Parser&, const H&, Value& v) { t.language = v.s.empty() ? "eng" : v.s; }},
    {id::kLanguageBcp47, Kind::kText, false, Set<Track, &Track::languageBcp47>},
    {id::kCodecId, Kind::kText, false, Set<Track, &Track::codecId>},
    {id::kCodecPrivate, Kind::kBinary, false, Set<Track, &Track::codecPrivate>},
    {id::kCodecName, Kind::kText, false, Set<Track, &Track::codecName>},
    {id::kCodecDelay, Kind::kUint, false, Set<Track, &Track::codecDelay>},
    {id::kSeekPreRoll, Kind::kUint, false, Set<Track, &Track::seekPreRoll>},
    {id::kVideo, Kind::kMaster, false,
     [](Track& t, Parser& p, const H& h, Value&) {
         VideoInfo v;
         p.Walk(h, v, kVideoRules);
         // Without a stored display size, the cropped pixel size is shown.
         if (v.displayUnit == 0) {
             const uint64_t cropW = v.cropLeft + v.cropRight, cropH = v.cropTop + v.cropBottom;
             if (v.displayWidth == 0)
                 v.displayWidth = v.pixelWidth > cropW ? v.pixelWidth - cropW : 0;
             if (v.displayHeight == 0)
                 v.displayHeight = v.pixelHeight > cropH ? v.pixelHeight - cropH : 0;
         }
         t.video = v;
     }},
    {id::kAudio, Kind::kMaster, false,
     [](Track& t, Parser& p, const H& h, Value&) {
         AudioInfo a;
         p.Walk(h, a, kAudioRules);
         t.audio = a;
     }},
    {id::kContentEncodings, Kind::kMaster, false,
     [](Track& t, Parser& p, const H& h, Value&) { p.Walk(h, t, kContentEncodingsRules); }},
};
constexpr Rule<std::vector<Track>> kTracksRules[] = {
    {id::kTrackEntry, Kind::kMaster, true,
     [](std::vector<Track>& tracks, Parser& p, const H& h, Value&) {
         if (tracks.size() >= kMaxTracks) {
             p.PassOver(Limit::kTracks, h.offset);
             return;
         }
         Track t;
         p.Walk(h, t, kTrackRules);
         if (t.number == 0)
             p.Problem(h.offset, "TrackEntry without a TrackNumber");
         if (t.codecId.empty())
             p.Problem(h.offset, "TrackEntry without a CodecID");
         t.position = tracks.size() + 1;
         tracks.push_back(std::move(t));
     }},
};

// Attachments
struct AttachedFileReading : Attachment {
    bool hasData = false;
};
constexpr Rule<AttachedFileReading> kAttachedFileRules[] = {
    {id::kFileDescription, Kind::kText, false, Set<AttachedFileReading, &Attachment::description>},
    {id::kFileName, Kind::kText, false, Set<AttachedFileReading, &Attachment::name>},
    {id::kFileMediaType, Kind::kText, false, Set<AttachedFileReading, &Attachment::mediaType>},
    {id::kFileUid, Kind::kUint, false, Set<AttachedFileReading, &Attachment::uid>},
    {id::kFileData, Kind::kLocation, false,
     [](AttachedFileReading& a, Parser&, const H& h, Value&) {
         a.dataOffset = h.dataOffset;
         a.dataSize = h.size;
         a.hasData = true;
     }},
};
constexpr Rule<std::vector<Attachment>> kAttachmentsRules[] = {
    {id::kAttachedFile, Kind::kMaster, true,
     [](std::vector<Attachment>& list, Parser& p, const H& h, Value&) {
         if (list.size() >= kMaxAttachments) {
             p.PassOver(Limit::kAttachments, h.offset);
             return;
         }
         AttachedFileReading a;
         p.Walk(h, a, kAttachedFileRules);
         if (!a.hasData) {
             p.Problem(h.offset,
                       "AttachedFile '" + SafeText(a.name) + "' has no whole FileData; left out");
             return;
         }
         list.push_back(static_cast<Attachment&>(a));
     }},
};

// Chapters
void ReadAtom(Parser& p, const H& h, ChapterAtom& atom);

bool TakeAtom(Parser& p, const H& h) {
    if (p.chapterAtoms >= kMaxChapterAtoms) {
        p.PassOver(Limit::kChapterAtoms, h.offset);
        return false;
    }
    ++p.chapterAtoms;
    return true;
}

constexpr Rule<ChapterDisplay> kDisplayRules[] = {
    {id::kChapString, Kind::kText, false, Set<ChapterDisplay, &ChapterDisplay::string>},
    {id::kChapLanguage, Kind::kText, true, Set<ChapterDisplay, &ChapterDisplay::languages>},
    {id::kChapLanguageBcp47, Kind::kText, true,
     Set<ChapterDisplay, &ChapterDisplay::languagesBcp47>},
    {id::kChapCountry, Kind::kText, true, Set<ChapterDisplay, &ChapterDisplay::countries>},
};
constexpr Rule<ChapterAtom> kChapterTrackRules[] = {
    {id::kChapterTrackUid, Kind::kUint, true, Set<ChapterAtom, &ChapterAtom::trackUids>},
};
constexpr Rule<ChapterAtom> kAtomRules[] = {
    {id::kChapterUid, Kind::kUint, false, Set<ChapterAtom, &ChapterAtom::uid>},
    {id::kChapterStringUid, Kind::kText, false, Set<ChapterAtom, &ChapterAtom::stringUid>},
    {id::kChapterTimeStart, Kind::kUint, false, Set<ChapterAtom, &ChapterAtom::timeStart>},
    {id::kChapterTimeEnd, Kind::kUint, false, Set<ChapterAtom, &ChapterAtom::timeEnd>},
    {id::kChapterFlagHidden, Kind::kUint, false, Set<ChapterAtom, &ChapterAtom::flagHidden>},
    {id::kChapterFlagEnabled, Kind::kUint, false, Set<ChapterAtom, &ChapterAtom::flagEnabled>, 1},
    {id::kChapterSegmentUuid, Kind::kBinary, false, Set<ChapterAtom, &ChapterAtom::segmentUuid>},
    {id::kChapterSegmentEditionUid, Kind::kUint, false,
     Set<ChapterAtom, &ChapterAtom::segmentEditionUid>},
    {id::kChapterPhysicalEquiv, Kind::kUint, false, Set<ChapterAtom, &ChapterAtom::physicalEquiv>},
    {id::kChapterTrack, Kind::kMaster, false,
     [](ChapterAtom& a, Parser& p, const H& h, Value&) { p.Walk(h, a, kChapterTrackRules); }},
    {id::kChapterDisplay, Kind::kMaster, true,
     [](ChapterAtom& a, Parser& p, const H& h, Value&) {
         ChapterDisplay d;
         p.Walk(h, d, kDisplayRules);
         a.displays.push_back(std::move(d));
     }},
    {id::kChapterAtom, Kind::kMaster, true,
     [](ChapterAtom& a, Parser& p, const H& h, Value&) {
         if (!TakeAtom(p, h))
             return;
         ChapterAtom child;
         ReadAtom(p, h, child);
         a.children.push_back(std::move(child));
     }},
};
void ReadAtom(Parser& p, const H& h, ChapterAtom& atom) {
    p.Walk(h, atom, kAtomRules);
}

constexpr Rule<Edition> kEditionRules[] = {
    {id::kEditionUid, Kind::kUint, false, Set<Edition, &Edition::uid>},
    {id::kEditionFlagHidden, Kind::kUint, false, Set<Edition, &Edition::flagHidden>},
    {id::kEditionFlagDefault, Kind::kUint, false, Set<Edition, &Edition::flagDefault>},
    {id::kEditionFlagOrdered, Kind::kUint, false, Set<Edition, &Edition::flagOrdered>},
    {id::kChapterAtom, Kind::kMaster, true,
     [](Edition& e, Parser& p, const H& h, Value&) {
         if (!TakeAtom(p, h))
             return;
         ChapterAtom atom;
         ReadAtom(p, h, atom);
         e.atoms.push_back(std::move(atom));
     }},
};
constexpr Rule<Chapters> kChaptersRules[] = {
    {id::kEditionEntry, Kind::kMaster, true,
     [](Chapters& c, Parser& p, const H& h, Value&) {
         Edition e;
         p.Walk(h, e, kEditionRules);
         c.editions.push_back(std::move(e));
     }},
};

// Tags
void ReadSimpleTag(Parser& p, const H& h, SimpleTag& tag);

bool TakeSimpleTag(Parser& p, const H& h) {
    if (p.simpleTags >= kMaxSimpleTags) {
        p.PassOver(Limit::kSimpleTags, h.offset);
        return false;
    }
    ++p.simpleTags;
    return true;
}

constexpr Rule<SimpleTag> kSimpleTagRules[] = {
    {id::kTagName, Kind::kText, false, Set<SimpleTag, &SimpleTag::name>},
    {id::kTagLanguage, Kind::kText, false,
     [](SimpleTag& t, Parser&, const H&, Value& v) { t.language = v.s.empty() ? "und" : v.s; }},
    {id::kTagLanguageBcp47, Kind::kText, false, Set<SimpleTag, &SimpleTag::languageBcp47>},
    {id::kTagDefault, Kind::kUint, false, Set<SimpleTag, &SimpleTag::tagDefault>, 1},
    {id::kTagDefaultBogus, Kind::kUint, false,
     [](SimpleTag& t, Parser&, const H&, Value& v) {
         if (!t.tagDefault)
             t.tagDefault = v.u;
     },
     1},
    {id::kTagString, Kind::kText, false, Set<SimpleTag, &SimpleTag::string>},
    {id::kTagBinary, Kind::kBinary, false, Set<SimpleTag, &SimpleTag::binary>},
    {id::kSimpleTag, Kind::kMaster, true,
     [](SimpleTag& t, Parser& p, const H& h, Value&) {
         if (!TakeSimpleTag(p, h))
             return;
         SimpleTag child;
         ReadSimpleTag(p, h, child);
         t.children.push_back(std::move(child));
     }},
};
void ReadSimpleTag(Parser& p, const H& h, SimpleTag& tag) {
    p.Walk(h, tag, kSimpleTagRules);
}

constexpr Rule<Tag> kTargetsRules[] = {
    {id::kTargetTypeValue, Kind::kUint, false, Set<Tag, &Tag::targetTypeValue>, 50},
    {id::kTargetType, Kind::kText, false, Set<Tag, &Tag::targetType>},
    {id::kTagTrackUid, Kind::kUint, true, Set<Tag, &Tag::trackUids>},
    {id::kTagEditionUid, Kind::kUint, true, Set<Tag, &Tag::editionUids>},
    {id::kTagChapterUid, Kind::kUint, true, Set<Tag, &Tag::chapterUids>},
    {id::kTagAttachmentUid, Kind::kUint, true, Set<Tag, &Tag::attachmentUids>},
};
constexpr Rule<Tag> kTagRules[] = {
    {id::kTargets, Kind::kMaster, false,
     [](Tag& t, Parser& p, const H& h, Value&) { p.Walk(h, t, kTargetsRules); }},
    {id::kSimpleTag, Kind::kMaster, true,
     [](Tag& t, Parser& p, const H& h, Value&) {
         if (!TakeSimpleTag(p, h))
             return;
         SimpleTag child;
         ReadSimpleTag(p, h, child);
         t.simpleTags.push_back(std::move(child));
     }},
};
constexpr Rule<Tags> kTagsRules[] = {
    {id::kTag, Kind::kMaster, true,
     [](Tags& tags, Parser& p, const H& h, Value&) {
         if (p.simpleTags >= kMaxSimpleTags)
             return;  // counted and reported per SimpleTag
         Tag t;
         p.Walk(h, t, kTagRules);
         tags.tags.push_back(std::move(t));
     }},
};

}  // namespace

void ReadEbmlHeader(Parser& p, const ElementHeader& m, EbmlHeader& out) {
    p.Walk(m, out, kEbmlRules);
}
void ReadSeekHead(Parser& p, const ElementHeader& m, SeekHead& out) {
    p.Walk(m, out, kSeekHeadRules);
}
void ReadInfo(Parser& p, const ElementHeader& m, SegmentInfo& out) {
    p.Walk(m, out, kInfoRules);
}
void ReadTracks(Parser& p, const ElementHeader& m, std::vector<Track>& out) {
    p.Walk(m, out, kTracksRules);
}
void ReadAttachments(Parser& p, const ElementHeader& m, std::vector<Attachment>& out) {
    p.Walk(m, out, kAttachmentsRules);
}
void ReadChapters(Parser& p, const ElementHeader& m, Chapters& out) {
    p.Walk(m, out, kChaptersRules);
}
void ReadTags(Parser& p, const ElementHeader& m, Tags& out) {
    p.Walk(m, out, kTagsRules);
}

}  // namespace mkv::detail
