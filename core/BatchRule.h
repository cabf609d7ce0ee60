// The one rule a batch extraction applies to every source: which tracks (by
// type, language and codec), which attachments (by kind), which chapter file
// and whether the tags.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/BatchSource.h"
#include "core/CommandLine.h"

namespace torvane {

// The track types a rule offers, in the order the window shows them.
inline constexpr std::array<TrackType, 3> kRuleTrackTypes{TrackType::Video, TrackType::Audio,
                                                          TrackType::Subtitles};

// What the rule takes of one track type.
struct TrackChoice {
    bool wanted = false;
    // std::nullopt takes every language (codec); a set takes only those in
    // it, so an empty set takes none.
    std::optional<std::set<std::string>> languages;
    std::optional<std::set<std::string>> codecs;

    bool operator==(const TrackChoice&) const = default;
};

struct BatchRule {
    std::array<TrackChoice, kRuleTrackTypes.size()> tracks;  // in kRuleTrackTypes order
    // The kinds of attachment taken: none when empty, all with every kind.
    std::set<AttachmentKind> attachments;
    std::optional<ChapterFormat> chapters;  // std::nullopt: no chapter file
    bool tags = false;

    TrackChoice& For(TrackType type);
    const TrackChoice& For(TrackType type) const;

    bool operator==(const BatchRule&) const = default;
};

// Every kind of attachment, in the order the window and the rule file name
// them.
inline constexpr std::array<AttachmentKind, 3> kAttachmentKinds{
    AttachmentKind::Font, AttachmentKind::Image, AttachmentKind::Other};

// True when the rule takes the track: its type is wanted, and its language
// and its codec are among those chosen. A track of another type never is.
bool Takes(const BatchRule& rule, const SourceTrack& track);

// True when the rule takes attachments of the attachment's kind.
bool Takes(const BatchRule& rule, const SourceAttachment& attachment);

// What the readable sources hold of one track type: the languages and the
// codecs a rule can choose from, sorted.
struct TrackOffer {
    std::set<std::string> languages;
    std::set<std::string> codecs;
};

// One offer per type of kRuleTrackTypes, in that order.
std::array<TrackOffer, kRuleTrackTypes.size()> OffersOf(const std::vector<BatchSource>& sources);

}  // namespace torvane
