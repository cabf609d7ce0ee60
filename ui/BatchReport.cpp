#include "ui/BatchReport.h"

#include <QStringList>

#include "process/BatchSummary.h"
#include "ui/LocalText.h"
#include "ui/Messages.h"
#include "ui/TrackNames.h"

namespace {

using torvane::BatchStep;
using torvane::TrackType;

QString TypeText(TrackType type) {
    switch (type) {
        case TrackType::Video:
            return Message(UserText::BatchVideo);
        case TrackType::Audio:
            return Message(UserText::BatchAudio);
        case TrackType::Subtitles:
            return Message(UserText::BatchSubtitles);
        case TrackType::Other:
            break;
    }
    return {};
}

QString AttachmentKindText(torvane::AttachmentKind kind) {
    switch (kind) {
        case torvane::AttachmentKind::Font:
            return Message(UserText::BatchKindFont);
        case torvane::AttachmentKind::Image:
            return Message(UserText::BatchKindImage);
        case torvane::AttachmentKind::Other:
            break;
    }
    return Message(UserText::BatchKindOther);
}

}  // namespace

QString SourceContentsText(const torvane::SourceProbe& probe, int silenceMs) {
    const torvane::BatchSource& source = probe.source;
    if (source.state == torvane::BatchSource::State::Identifying) {
        return Message(UserText::BatchIdentifying);
    }
    if (source.state == torvane::BatchSource::State::Unreadable) {
        // The tool's first words say it best; the whole story is in the
        // tooltip.
        const QString why =
            source.messages.empty()
                ? SourceMessagesText(probe, silenceMs).section(QLatin1Char('\n'), 0, 0)
                : Decode(source.messages.front());
        return Message(UserText::BatchUnreadable).arg(why);
    }
    QStringList parts;
    for (const TrackType type : torvane::kRuleTrackTypes) {
        QStringList languages;
        for (const torvane::SourceTrack& track : source.contents.tracks) {
            if (track.type == type) {
                languages << LanguageText(track.language, LanguageInForce());
            }
        }
        if (!languages.isEmpty()) {
            parts << TypeText(type) + QStringLiteral(": ") + languages.join(QStringLiteral(", "));
        }
    }
    const std::size_t attachments = source.contents.attachments.size();
    if (attachments == 1) {
        parts << Message(UserText::BatchOneAttachment);
    } else if (attachments > 1) {
        parts << Message(UserText::BatchAttachmentCount).arg(attachments);
    }
    if (source.contents.chapters) {
        parts << Message(UserText::BatchChaptersPresent);
    }
    if (source.contents.tags) {
        parts << Message(UserText::BatchTagsPresent);
    }
    if (parts.isEmpty()) {
        parts << Message(UserText::BatchNoContents);
    }
    if (!source.messages.empty()) {
        parts << Message(UserText::BatchReadWithWarnings);
    }
    return parts.join(QStringLiteral(" · "));
}

QString SourceMessagesText(const torvane::SourceProbe& probe, int silenceMs) {
    return Decode(torvane::SourceProblemText(probe, silenceMs, CoreLanguage()));
}

QString OutputHoldsText(const torvane::PlannedOutput& output) {
    using Kind = torvane::PlannedOutput::Kind;
    switch (output.kind) {
        case Kind::Track:
            return TypeText(output.type) + QStringLiteral(" · ") +
                   LanguageText(output.language, LanguageInForce()) + QStringLiteral(" · ") +
                   CodecText(output.codec);
        case Kind::Attachment:
            return Message(UserText::BatchAttachmentOutput)
                .arg(Decode(output.id), AttachmentKindText(output.attachmentKind));
        case Kind::Chapters:
            return Message(UserText::StepChapters);
        case Kind::Tags:
            break;
    }
    return Message(UserText::StepTags);
}

QString StepName(BatchStep step) {
    return Decode(torvane::StepName(step, CoreLanguage()));
}
