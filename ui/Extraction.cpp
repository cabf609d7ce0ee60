// The Extract button: the tracks run, the attachments run, then the chapter
// and tag previews saved as files, one after the other.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTextEdit>
#include <filesystem>
#include <vector>

#include "ConsoleWindow.h"
#include "Dialogs.h"
#include "Messages.h"
#include "core/Exception.h"
#include "core/FileIo.h"
#include "core/ShortPath.h"
#include "unit1.h"

namespace {

struct FailedStep {
    TMessage step;
    torvane::ConsoleOutcome outcome;
};

// One line per failed run, naming the step and what happened to it.
QString FailureReport(const std::vector<FailedStep>& failures) {
    QString report = Message(TMessage::ExtractionFailed);
    for (const FailedStep& failure : failures) {
        report +=
            QLatin1Char('\n') + Message(TMessage::FailedStep)
                                    .arg(Message(failure.step), DescribeOutcome(failure.outcome));
    }
    return report;
}

// The report travels as an exception to the window's error box, which
// decodes it as the local 8-bit text.
torvane::Exception ReportError(const QString& report) {
    return torvane::Exception(report.toLocal8Bit().toStdString());
}

// The preview as the tool printed it, plus the line break the memo adds.
// A path without a folder lands in the current folder; the message names it
// in full. The old file, if any, stays until the new one is complete.
void SavePreview(const std::string& path, const std::string& preview) {
    std::string full = path;
    if (!full.empty() && !std::filesystem::path(full).is_absolute()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(full, error);
        if (!error) {
            full = absolute.string();
        }
    }
    torvane::fileio::ReplaceFile(full, preview + "\r\n");
}

}  // namespace

void TForm1::SetConsoleRunner(TConsoleRunner* runner) {
    consoleRunner_ = runner;
}

void TForm1::BitBtn1Click() {
    bitBtn1_->setEnabled(false);

    // Every step that was asked for is tried, even after one has failed, so
    // that nothing is skipped without a word; the failures are told together
    // at the end.
    std::vector<FailedStep> failures;
    if (lineaComandos_->isEnabled()) {
        const torvane::ConsoleOutcome outcome = ejecutarquarvel(ComandoTracks(), 5);
        if (!outcome.Succeeded()) {
            failures.push_back({TMessage::StepTracks, outcome});
        }
    }
    if (lineaComandosAtt_->isEnabled()) {
        const torvane::ConsoleOutcome outcome = ejecutarquarvel(ComandoAtt(), 5);
        if (!outcome.Succeeded()) {
            failures.push_back({TMessage::StepAttachments, outcome});
        }
    }

    // A file that cannot be written ends the handler with the button left
    // disabled; a user toggle or check all enables it again.
    try {
        if (lineaComandosChapter_->isEnabled()) {
            const std::string folder =
                torvane::ExtractShortPathName(edit2_->text().toLocal8Bit().toStdString());
            SavePreview(folder + (radioButton1_->isChecked() ? "Chapters.xml" : "Chapters.txt"),
                        ChaptersPreview());
        }
        if (tagsMemo_->isEnabled()) {
            const std::string folder =
                torvane::ExtractShortPathName(edit2_->text().toLocal8Bit().toStdString());
            SavePreview(folder + "Tags.xml", TagsPreview());
        }
    } catch (const torvane::IoError& error) {
        if (failures.empty()) {
            throw;
        }
        throw ReportError(FailureReport(failures) + QLatin1Char('\n') +
                          QString::fromLocal8Bit(error.what()));
    }

    bitBtn1_->setEnabled(true);
    if (!failures.empty()) {
        throw ReportError(FailureReport(failures));
    }
    dialogs_.MessageBox(this, QStringLiteral("INFO"),
                        QStringLiteral("¡Archivos extraídos corréctamente!"), TDialogs::Buttons::Ok,
                        TDialogs::Icon::Information);
}

torvane::ConsoleOutcome TForm1::ejecutarquarvel(const std::string& commandLine, int /*showState*/) {
    // The tool's console is always shown: on Windows its own console window,
    // elsewhere the program's console window.
    static TConsoleWindowRunner windowRunner;
    TConsoleRunner& runner = consoleRunner_ != nullptr ? *consoleRunner_ : windowRunner;
    return runner.Run(this, commandLine, programFolder_);
}
