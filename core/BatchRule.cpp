#include "core/BatchRule.h"

#include <algorithm>

#include "core/Exception.h"

namespace torvane {
namespace {

std::size_t IndexOf(TrackType type) {
    const auto found = std::find(kRuleTrackTypes.begin(), kRuleTrackTypes.end(), type);
    if (found == kRuleTrackTypes.end()) {
        throw Exception("A batch rule has no choice for this track type");
    }
    return static_cast<std::size_t>(found - kRuleTrackTypes.begin());
}

bool Among(const std::optional<std::set<std::string>>& chosen, const std::string& value) {
    return !chosen || chosen->count(value) != 0;
}

}  // namespace

TrackChoice& BatchRule::For(TrackType type) {
    return tracks[IndexOf(type)];
}

const TrackChoice& BatchRule::For(TrackType type) const {
    return tracks[IndexOf(type)];
}

bool Takes(const BatchRule& rule, const SourceTrack& track) {
    if (track.type == TrackType::Other) {
        return false;
    }
    const TrackChoice& choice = rule.For(track.type);
    return choice.wanted && Among(choice.languages, track.language) &&
           Among(choice.codecs, track.codec);
}

bool Takes(const BatchRule& rule, const SourceAttachment& attachment) {
    return rule.attachments.count(attachment.kind) != 0;
}

std::array<TrackOffer, kRuleTrackTypes.size()> OffersOf(const std::vector<BatchSource>& sources) {
    std::array<TrackOffer, kRuleTrackTypes.size()> offers;
    for (const BatchSource& source : sources) {
        if (source.state != BatchSource::State::Readable) {
            continue;
        }
        for (const SourceTrack& track : source.contents.tracks) {
            if (track.type == TrackType::Other) {
                continue;
            }
            TrackOffer& offer = offers[IndexOf(track.type)];
            offer.languages.insert(track.language);
            offer.codecs.insert(track.codec);
        }
    }
    return offers;
}

}  // namespace torvane
