#include "ui/BatchReport.h"

#include <array>
#include <map>

#include "process/ConsoleRun.h"
#include "ui/ConsoleWindow.h"
#include "ui/LocalText.h"
#include "ui/Messages.h"
#include "ui/TrackNames.h"

namespace {

using torvane::BatchStep;
using torvane::BatchStepEnd;
using torvane::FileStatus;
using torvane::StepResult;
using torvane::TrackType;
using Problem = BatchStepEnd::Problem;

constexpr auto kIndent = QLatin1String("    ");

QString TypeText(TrackType type) {
    switch (type) {
        case TrackType::Video:
            return Message(TMessage::BatchVideo);
        case TrackType::Audio:
            return Message(TMessage::BatchAudio);
        case TrackType::Subtitles:
            return Message(TMessage::BatchSubtitles);
        case TrackType::Other:
            break;
    }
    return {};
}

QString Seconds(int milliseconds) {
    return QString::number(milliseconds / 1000.0);
}

// The tool and its mode as a step runs it.
QString ToolOfStep(BatchStep step) {
    return QStringLiteral("quarvel ") +
           (step == BatchStep::Chapters ? QStringLiteral("chapters") : QStringLiteral("tags"));
}

QString ListingProblem(const torvane::SourceProbe& probe, int silenceMs) {
    if (probe.silent) {
        return Message(TMessage::CaptureTimedOut)
            .arg(QStringLiteral("ostrem -i"), Seconds(silenceMs));
    }
    QString problem =
        probe.startError.empty()
            ? DescribeOutcome(torvane::OutcomeOfCapture(probe.listingEnd))
            : Message(TMessage::OutcomeNotStarted).arg(Decode(probe.startError).simplified());
    return Message(TMessage::ListingFailed).arg(problem) + ToolMessagesText(probe.source.messages);
}

QString StepProblem(const torvane::FilePlan& file, const BatchStepEnd& end, int silenceMs) {
    const QString folder = Decode(file.folder);
    switch (end.problem) {
        case Problem::SourceGone:
            return Message(TMessage::SourceGone).arg(Decode(file.source));
        case Problem::SourceNotNamed:
            return Message(TMessage::SourceNotNamed).arg(Decode(file.source));
        case Problem::FolderNotMade:
            return Message(TMessage::BatchFolderNotMade).arg(folder, Decode(end.detail));
        case Problem::FolderNotNamed:
            return Message(TMessage::BatchFolderNotNamed).arg(folder);
        case Problem::ToolNotStarted:
            return Message(TMessage::FailedStep)
                .arg(StepName(end.step),
                     Message(TMessage::OutcomeNotStarted).arg(Decode(end.detail).simplified()));
        case Problem::ToolSilent:
            return Message(TMessage::CaptureTimedOut).arg(ToolOfStep(end.step), Seconds(silenceMs));
        case Problem::NothingPrinted:
            return Message(TMessage::BatchNothingPrinted).arg(ToolOfStep(end.step));
        case Problem::FileNotWritten:
        case Problem::Unexpected:
            return Decode(end.detail);
        case Problem::None:
            break;
    }
    return Message(TMessage::FailedStep).arg(StepName(end.step), DescribeOutcome(end.outcome)) +
           ToolMessagesText(end.messages);
}

// A reason spanning lines, each line under the file's.
QString Indented(const QString& reason) {
    QString text = kIndent + reason;
    text.replace(QLatin1Char('\n'), QLatin1Char('\n') + kIndent);
    return text;
}

QString StatusText(FileStatus status) {
    switch (status) {
        case FileStatus::Done:
            return Message(TMessage::BatchFileDone);
        case FileStatus::DoneWithWarnings:
            return Message(TMessage::BatchFileWarnings);
        case FileStatus::Failed:
            return Message(TMessage::BatchFileFailed);
        case FileStatus::Cancelled:
            return Message(TMessage::BatchFileCancelled);
        case FileStatus::Skipped:
            break;
    }
    return Message(TMessage::BatchFileSkipped);
}

QStringList LeftOut(const torvane::FilePlan& file) {
    QStringList reasons;
    for (const torvane::UnnamedTrack& track : file.unnamed) {
        reasons << Message(TMessage::BatchTrackLeftOut)
                       .arg(QString::number(track.number), CodecText(track.codec));
    }
    return reasons;
}

}  // namespace

QString SourceContentsText(const torvane::SourceProbe& probe, int silenceMs) {
    const torvane::BatchSource& source = probe.source;
    if (source.state == torvane::BatchSource::State::Identifying) {
        return Message(TMessage::BatchIdentifying);
    }
    if (source.state == torvane::BatchSource::State::Unreadable) {
        // The tool's first words say it best; the whole story is in the
        // tooltip.
        const QString why =
            source.messages.empty()
                ? SourceMessagesText(probe, silenceMs).section(QLatin1Char('\n'), 0, 0)
                : Decode(source.messages.front());
        return Message(TMessage::BatchUnreadable).arg(why);
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
        parts << Message(TMessage::BatchOneAttachment);
    } else if (attachments > 1) {
        parts << Message(TMessage::BatchAttachmentCount).arg(attachments);
    }
    if (source.contents.chapters) {
        parts << Message(TMessage::BatchChaptersPresent);
    }
    if (source.contents.tags) {
        parts << Message(TMessage::BatchTagsPresent);
    }
    if (parts.isEmpty()) {
        parts << Message(TMessage::BatchNoContents);
    }
    if (!source.messages.empty()) {
        parts << Message(TMessage::BatchReadWithWarnings);
    }
    return parts.join(QStringLiteral(" · "));
}

QString SourceMessagesText(const torvane::SourceProbe& probe, int silenceMs) {
    switch (probe.source.state) {
        case torvane::BatchSource::State::Unreadable:
            return ListingProblem(probe, silenceMs);
        case torvane::BatchSource::State::Readable:
            if (!probe.source.messages.empty()) {
                return Message(TMessage::ListingWarnings) + ToolMessagesText(probe.source.messages);
            }
            break;
        case torvane::BatchSource::State::Identifying:
            break;
    }
    return {};
}

QString OutputHoldsText(const torvane::PlannedOutput& output) {
    using Kind = torvane::PlannedOutput::Kind;
    switch (output.kind) {
        case Kind::Track:
            return TypeText(output.type) + QStringLiteral(" · ") +
                   LanguageText(output.language, LanguageInForce()) + QStringLiteral(" · ") +
                   CodecText(output.codec);
        case Kind::Attachment:
            return Message(TMessage::BatchAttachmentOutput).arg(Decode(output.id));
        case Kind::Chapters:
            return Message(TMessage::StepChapters);
        case Kind::Tags:
            break;
    }
    return Message(TMessage::StepTags);
}

QString StepName(BatchStep step) {
    switch (step) {
        case BatchStep::Folder:
            return Message(TMessage::StepFolder);
        case BatchStep::Tracks:
            return Message(TMessage::StepTracks);
        case BatchStep::Attachments:
            return Message(TMessage::StepAttachments);
        case BatchStep::Chapters:
            return Message(TMessage::StepChapters);
        case BatchStep::Tags:
            break;
    }
    return Message(TMessage::StepTags);
}

TBatchFileReport ReportFile(const torvane::FilePlan& file, const torvane::SourceProbe& probe,
                            const torvane::BatchFileEnd* run, bool cancelledBefore, int silenceMs) {
    TBatchFileReport report;
    if (file.state == torvane::FilePlan::State::Unreadable) {
        report.status = FileStatus::Failed;
        report.reasons << SourceMessagesText(probe, silenceMs);
        return report;
    }
    if (run == nullptr) {
        report.status = FileStatus::Skipped;
        if (cancelledBefore && file.state == torvane::FilePlan::State::Outputs) {
            report.reasons << Message(TMessage::BatchNotRunAfterCancel);
        } else {
            report.reasons = LeftOut(file);
            if (report.reasons.isEmpty()) {
                report.reasons << Message(TMessage::BatchNothingForRule);
            }
        }
        return report;
    }
    std::vector<StepResult> results;
    for (const BatchStepEnd& end : run->steps) {
        results.push_back(end.result);
        if (end.result == StepResult::Warnings) {
            report.reasons << Message(TMessage::StepWarnings).arg(StepName(end.step)) +
                                  ToolMessagesText(end.messages);
        } else if (end.result == StepResult::Failed) {
            report.reasons << StepProblem(file, end, silenceMs);
        }
    }
    report.reasons << LeftOut(file);
    report.status = torvane::StatusOfSteps(results, !file.unnamed.empty());
    return report;
}

QString SummaryText(const std::vector<QString>& names,
                    const std::vector<TBatchFileReport>& reports) {
    std::map<FileStatus, int> counts;
    QStringList lines;
    for (std::size_t k = 0; k < reports.size() && k < names.size(); ++k) {
        ++counts[reports[k].status];
        lines << names[k] + QStringLiteral(": ") + StatusText(reports[k].status);
        for (const QString& reason : reports[k].reasons) {
            lines << Indented(reason);
        }
    }
    const QString totals = Message(TMessage::BatchTotals)
                               .arg(QString::number(counts[FileStatus::Done]),
                                    QString::number(counts[FileStatus::DoneWithWarnings]),
                                    QString::number(counts[FileStatus::Failed]),
                                    QString::number(counts[FileStatus::Cancelled]),
                                    QString::number(counts[FileStatus::Skipped]));
    return totals + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
