// The Extract button: the output folder made ready, the tracks run, the
// attachments run, then the chapter and tag previews saved as files, one
// after the other; and one box that tells how it went. What runs, what is
// saved where and what the box says are decided in core/ExtractionRules.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTextEdit>
#include <vector>

#include "core/Exception.h"
#include "core/ExtractionRules.h"
#include "core/OutputFolder.h"
#include "ui/ConsoleWindow.h"
#include "ui/Dialogs.h"
#include "ui/LocalText.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"

namespace {

using Headline = torvane::ExtractionReport::Headline;

QString HeadlineText(Headline headline) {
    switch (headline) {
        case Headline::Success:
            return QStringLiteral("¡Archivos extraídos corréctamente!");
        case Headline::Warnings:
            return Message(UserText::ExtractionWarnings);
        case Headline::Failed:
            return Message(UserText::ExtractionFailed);
        case Headline::Cancelled:
            return Message(UserText::ExtractionCancelled);
        case Headline::NotSaved:
            break;
    }
    return {};
}

// A run the report names: the tool's words when it warned, what happened to
// it when it failed.
QString StepText(const MainWindow::TStepEnd& end) {
    const torvane::RunOutcome& outcome = end.result.outcome;
    if (outcome.CompletedWithWarnings()) {
        return Message(UserText::StepWarnings).arg(Message(end.step)) +
               ToolMessagesText(end.result.messages);
    }
    return Message(UserText::FailedStep).arg(Message(end.step), DescribeOutcome(outcome));
}

// The headline, each run named with what became of it, then the error of
// the preview that could not be saved: one line each.
QString ReportText(const torvane::ExtractionReport& report,
                   const std::vector<MainWindow::TStepEnd>& steps, const QString& saveError) {
    QStringList lines;
    if (report.headline != Headline::NotSaved) {
        lines << HeadlineText(report.headline);
    }
    for (const std::size_t k : report.named) {
        lines << StepText(steps[k]);
    }
    if (report.saveError) {
        lines << saveError;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

void MainWindow::SetConsoleRunner(TConsoleRunner* runner) {
    consoleRunner_ = runner != nullptr ? runner : &windowRunner_;
}

void MainWindow::onExtractClicked() {
    const torvane::ExtractionChoice choice = choice_;
    if (!choice.Any()) {
        return;
    }
    // The source may have gone since it was read: then this says so, and
    // nothing is run or made without it.
    SourceShortPath();
    extractButton_->setEnabled(false);
    MakeOutputFolderReady();
    const std::vector<TStepEnd> steps = RunExtractionSteps(choice);
    std::vector<torvane::StepResult> results;
    for (const TStepEnd& end : steps) {
        results.push_back(torvane::StepResultOf(end.result.outcome));
    }
    const bool cancelled = !results.empty() && results.back() == torvane::StepResult::Cancelled;
    const QString saveError = cancelled ? QString() : SavePreviews(choice);
    const torvane::ExtractionReport report =
        torvane::ReportExtraction(results, !saveError.isEmpty());
    extractButton_->setEnabled(report.extractEnabled);
    ShowExtractionReport(report, steps, saveError);
}

void MainWindow::MakeOutputFolderReady() {
    // The folder exists before anything is written into it; the lines were
    // built while it did not, with bare file names, so they are built again.
    const torvane::OutputFolderCheck folder =
        torvane::PrepareOutputFolder(Encode(outputFolderEdit_->text()));
    if (folder.result == torvane::OutputFolderCheck::Result::Failed) {
        extractButton_->setEnabled(true);
        throw UserError(Message(UserText::OutputFolderFailed)
                            .arg(outputFolderEdit_->text(), QString::fromLocal8Bit(folder.reason)));
    }
    if (folder.result == torvane::OutputFolderCheck::Result::Created) {
        BuildCommandLines();
    }
}

std::vector<MainWindow::TStepEnd> MainWindow::RunExtractionSteps(
    const torvane::ExtractionChoice& choice) {
    // A failed run lets the next one run, so that nothing is skipped without
    // a word; Cancel stops the extraction where it is.
    std::vector<TStepEnd> steps;
    if (choice.tracks) {
        steps.push_back({UserText::StepTracks, RunExtractionTool(TracksCommandLine())});
    }
    const bool cancelled =
        !steps.empty() && steps.back().result.outcome.kind == torvane::RunOutcome::Kind::Cancelled;
    if (choice.attachments && !cancelled) {
        steps.push_back({UserText::StepAttachments, RunExtractionTool(AttachmentsCommandLine())});
    }
    return steps;
}

QString MainWindow::SavePreviews(const torvane::ExtractionChoice& choice) {
    try {
        torvane::SaveChosenPreviews(Encode(outputFolderEdit_->text()), choice,
                                    ChosenChapterFormat(), ChaptersPreview(), TagsPreview());
    } catch (const torvane::IoError& error) {
        return QString::fromLocal8Bit(error.what());
    }
    return {};
}

void MainWindow::ShowExtractionReport(const torvane::ExtractionReport& report,
                                      const std::vector<TStepEnd>& steps,
                                      const QString& saveError) {
    const QString text = ReportText(report, steps, saveError);
    switch (report.headline) {
        case Headline::Success:
            dialogs_.MessageBox(this, QStringLiteral("INFO"), text, TDialogs::Buttons::Ok,
                                TDialogs::Icon::Information);
            break;
        case Headline::Warnings:
            dialogs_.MessageBox(this, QStringLiteral("Torvane"), text, TDialogs::Buttons::Ok,
                                TDialogs::Icon::Warning);
            break;
        case Headline::Cancelled:
            dialogs_.MessageBox(this, QStringLiteral("Torvane"), text, TDialogs::Buttons::Ok,
                                TDialogs::Icon::Information);
            break;
        case Headline::Failed:
        case Headline::NotSaved:
            ShowErrorBox(dialogs_, this, text);
            break;
    }
}

TConsoleResult MainWindow::RunExtractionTool(const std::string& commandLine) {
    return consoleRunner_->Run(this, commandLine, programFolder_);
}
