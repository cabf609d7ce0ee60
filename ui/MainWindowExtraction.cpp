// The Extract button: the output folder made ready, the tracks run, the
// attachments run, then the chapter and tag previews saved as files, one
// after the other; and one box that tells how it went.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTextEdit>
#include <filesystem>
#include <vector>

#include "core/CommandLine.h"
#include "core/Exception.h"
#include "core/FileIo.h"
#include "core/OutputFolder.h"
#include "core/ShortPath.h"
#include "ui/ConsoleWindow.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"

namespace {

using Kind = torvane::ConsoleOutcome::Kind;

// What became of one run of the extraction tool.
struct StepEnd {
    TMessage step;
    TConsoleResult result;
};

bool Failed(const StepEnd& end) {
    const torvane::ConsoleOutcome& outcome = end.result.outcome;
    return !outcome.Succeeded() && !outcome.CompletedWithWarnings() &&
           outcome.kind != Kind::Cancelled;
}

// The headline, then each step that failed with what happened to it, and
// each step that ended with warnings with the tool's words.
QString Report(TMessage headline, const std::vector<StepEnd>& steps) {
    QString report = Message(headline);
    for (const StepEnd& end : steps) {
        const torvane::ConsoleOutcome& outcome = end.result.outcome;
        if (outcome.CompletedWithWarnings()) {
            report += QLatin1Char('\n') + Message(TMessage::StepWarnings).arg(Message(end.step)) +
                      ToolMessagesText(end.result.messages);
        } else if (Failed(end)) {
            report +=
                QLatin1Char('\n') +
                Message(TMessage::FailedStep).arg(Message(end.step), DescribeOutcome(outcome));
        }
    }
    return report;
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
    const bool tracks = lineaComandos_->isEnabled();
    const bool attachments = lineaComandosAtt_->isEnabled();
    const bool chapters = lineaComandosChapter_->isEnabled();
    const bool tags = tagsMemo_->isEnabled();
    // An extraction that would do nothing reports nothing, least of all
    // success.
    if (!tracks && !attachments && !chapters && !tags) {
        return;
    }
    bitBtn1_->setEnabled(false);

    // The folder exists before anything is written into it; the lines were
    // built while it did not, with bare file names, so they are built again.
    const torvane::OutputFolderCheck folder =
        torvane::PrepareOutputFolder(edit2_->text().toLocal8Bit().toStdString());
    if (folder.result == torvane::OutputFolderCheck::Result::Failed) {
        bitBtn1_->setEnabled(true);
        throw UserError(Message(TMessage::OutputFolderFailed)
                            .arg(edit2_->text(), QString::fromLocal8Bit(folder.reason)));
    }
    if (folder.result == torvane::OutputFolderCheck::Result::Created) {
        CrearLineaComandos();
    }

    // A failed step lets the others run, so that nothing is skipped without a
    // word; Cancel stops the extraction where it is.
    std::vector<StepEnd> steps;
    bool cancelled = false;
    auto run = [&](TMessage step, const std::string& commandLine) {
        steps.push_back({step, ejecutarquarvel(commandLine, 5)});
        cancelled = steps.back().result.outcome.kind == Kind::Cancelled;
    };
    if (tracks) {
        run(TMessage::StepTracks, ComandoTracks());
    }
    if (attachments && !cancelled) {
        run(TMessage::StepAttachments, ComandoAtt());
    }

    bool failed = false;
    bool warned = false;
    for (const StepEnd& end : steps) {
        failed = failed || Failed(end);
        warned = warned || end.result.outcome.CompletedWithWarnings();
    }

    // A file that cannot be written ends the handler with the button left
    // disabled; a user toggle or check all enables it again.
    if (!cancelled) {
        try {
            const std::string prefix = torvane::OutputFolderPrefix(
                torvane::ExtractShortPathName(edit2_->text().toLocal8Bit().toStdString()));
            if (chapters) {
                SavePreview(
                    prefix + std::string(torvane::ChaptersFile(
                                 radioButton1_->isChecked() ? torvane::ChapterFormat::Xml
                                                            : torvane::ChapterFormat::SimpleText)),
                    ChaptersPreview());
            }
            if (tags) {
                SavePreview(prefix + std::string(torvane::kTagsFile), TagsPreview());
            }
        } catch (const torvane::IoError& error) {
            if (!failed && !warned) {
                throw;
            }
            throw UserError(Report(TMessage::ExtractionFailed, steps) + QLatin1Char('\n') +
                            QString::fromLocal8Bit(error.what()));
        }
    }

    bitBtn1_->setEnabled(true);
    if (cancelled) {
        dialogs_.MessageBox(this, QStringLiteral("Torvane"),
                            Report(TMessage::ExtractionCancelled, steps), TDialogs::Buttons::Ok,
                            TDialogs::Icon::Information);
    } else if (failed) {
        ShowError(Report(TMessage::ExtractionFailed, steps));
    } else if (warned) {
        dialogs_.MessageBox(this, QStringLiteral("Torvane"),
                            Report(TMessage::ExtractionWarnings, steps), TDialogs::Buttons::Ok,
                            TDialogs::Icon::Warning);
    } else {
        dialogs_.MessageBox(this, QStringLiteral("INFO"),
                            QStringLiteral("¡Archivos extraídos corréctamente!"),
                            TDialogs::Buttons::Ok, TDialogs::Icon::Information);
    }
}

TConsoleResult TForm1::ejecutarquarvel(const std::string& commandLine, int /*showState*/) {
    // The tool's console is always shown: on Windows its own console window,
    // elsewhere the program's console window.
    static TConsoleWindowRunner windowRunner;
    TConsoleRunner& runner = consoleRunner_ != nullptr ? *consoleRunner_ : windowRunner;
    return runner.Run(this, commandLine, programFolder_);
}
