#include "ui/ConsoleWindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <cstdlib>

#include "platform/ProgramFolder.h"
#include "process/BatchSummary.h"
#include "ui/LocalText.h"
#include "ui/Messages.h"

namespace {

// How often the window looks whether the tool has ended. Output does not wait
// for it: the pipe's notifier shows it at once.
constexpr int kTickMs = 40;

// Lines kept on screen; older ones scroll away so a talkative tool cannot
// fill the memory.
constexpr int kMaxLines = 20000;

QString Sentence(QString sentence) {
    if (!sentence.isEmpty()) {
        sentence[0] = sentence[0].toUpper();
    }
    return sentence + QLatin1Char('.');
}

}  // namespace

QString DescribeOutcome(const torvane::RunOutcome& outcome) {
    return Decode(torvane::DescribeOutcome(outcome, CoreLanguage()));
}

QString ToolMessagesText(const std::vector<std::string>& lines) {
    return Decode(torvane::ToolMessagesText(lines));
}

TConsoleResult TConsoleWindowRunner::Run(QWidget* parent, const std::string& commandLine,
                                         const std::string& programFolder) {
    TConsoleWindow window(parent);
    return window.Run(commandLine, programFolder);
}

TConsoleWindow::TConsoleWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ConsoleWindow"));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    resize(640, 320);

    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("ConsoleOutput"));
    output_->setReadOnly(true);
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);
    output_->setMaximumBlockCount(kMaxLines);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ConsoleProgress"));
    bar_->setRange(0, 100);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("ConsoleStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    button_ = new QPushButton(Message(UserText::ConsoleCancel), this);
    button_->setObjectName(QStringLiteral("ConsoleButton"));
    // Enter on the focused button presses it.
    button_->setAutoDefault(true);
    connect(button_, &QPushButton::clicked, this, [this] {
        if (Running()) {
            Cancel();
        } else {
            done(QDialog::Rejected);
        }
    });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(button_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(output_, 1);
    layout->addWidget(bar_);
    layout->addLayout(bottom);

    ticker_.setInterval(kTickMs);
    connect(&ticker_, &QTimer::timeout, this, [this] { CheckEnd(); });
}

TConsoleWindow::~TConsoleWindow() = default;

TConsoleResult TConsoleWindow::Run(const std::string& commandLine,
                                   const std::string& programFolder) {
    run_ = std::make_unique<torvane::ConsoleRun>(commandLine, programFolder, torvane::SearchPath());
    outcome_.reset();
    messages_.clear();
    lines_ = torvane::ConsoleLines();
    if (!run_->Started()) {
        TConsoleResult result{*run_->Poll(), {}};
        run_.reset();
        return result;
    }

    setWindowTitle(Decode(commandLine));
    output_->clear();
    progressShown_ = false;
    bar_->setValue(0);
    status_->setText(Message(UserText::ConsoleRunning));
    button_->setText(Message(UserText::ConsoleCancel));
    button_->setEnabled(true);
    if (run_->OutputHandle() >= 0) {
        notifier_ = new QSocketNotifier(run_->OutputHandle(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadOutput(); });
    } else {
        // The tool writes to a console of its own: nothing to show but that
        // it is still at work.
        bar_->setRange(0, 0);
        output_->setPlainText(Message(UserText::ConsoleOwnConsole));
    }
    ticker_.start();
    exec();

    ticker_.stop();
    delete notifier_;
    notifier_ = nullptr;
    // Closed some other way while the tool still ran (the application is
    // quitting): the run's end is awaited here, cancelled.
    if (!outcome_) {
        run_->Cancel();
        outcome_ = run_->Wait();
    }
    run_.reset();
    bar_->setRange(0, 100);
    return {*outcome_, std::move(messages_)};
}

void TConsoleWindow::ReadOutput() {
    if (!run_) {
        return;
    }
    std::string bytes;
    const bool more = run_->ReadAvailable(bytes);
    Show(bytes);
    if (!more) {
        // The tool closed its output: it is ending, so look at once.
        notifier_->setEnabled(false);
        CheckEnd();
    }
}

void TConsoleWindow::Show(const std::string& bytes, bool last) {
    // Ordinary lines are gathered and appended together; a progress line
    // moves the bar and is redrawn in place, as a terminal shows a tool that
    // rewrites its progress.
    QString text;
    bool any = false;
    auto flush = [&] {
        if (any) {
            output_->appendPlainText(text);
            text.clear();
            any = false;
            progressShown_ = false;
        }
    };
    auto take = [&](const std::string& line) {
        const QString decoded = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
        if (const auto percent = torvane::ParseProgressLine(line)) {
            flush();
            bar_->setValue(*percent);
            if (progressShown_) {
                QTextCursor cursor(output_->document()->lastBlock());
                cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
                cursor.insertText(decoded);
            } else {
                output_->appendPlainText(decoded);
                progressShown_ = true;
            }
            return;
        }
        if (any) {
            text += QLatin1Char('\n');
        }
        text += decoded;
        any = true;
        if (!line.empty() && messages_.size() < TConsoleResult::kMaxMessages) {
            messages_.push_back(line);
        }
    };
    for (const std::string& line : lines_.Add(bytes)) {
        take(line);
    }
    if (last) {
        if (const auto unfinished = lines_.Finish()) {
            take(*unfinished);
        }
    }
    flush();
}

void TConsoleWindow::CheckEnd() {
    if (!run_ || outcome_) {
        return;
    }
    const auto outcome = run_->Poll();
    if (!outcome) {
        return;
    }
    // What the tool wrote last, then an unfinished last line.
    std::string bytes;
    while (run_->ReadAvailable(bytes) && !bytes.empty()) {
        Show(bytes);
        bytes.clear();
    }
    Show(bytes, true);
    Finish(*outcome);
}

void TConsoleWindow::Cancel() {
    if (!Running()) {
        return;
    }
    run_->Cancel();
    status_->setText(Message(UserText::ConsoleCancelling));
    button_->setEnabled(false);
}

void TConsoleWindow::Finish(const torvane::RunOutcome& outcome) {
    outcome_ = outcome;
    ticker_.stop();
    if (notifier_ != nullptr) {
        notifier_->setEnabled(false);
    }
    if (outcome.Succeeded() || outcome.CompletedWithWarnings()) {
        done(QDialog::Accepted);
        return;
    }
    if (outcome.kind == torvane::RunOutcome::Kind::Cancelled) {
        // The user asked for the end; the main window reports it.
        done(QDialog::Rejected);
        return;
    }
    bar_->setRange(0, 100);
    status_->setText(Sentence(DescribeOutcome(outcome)));
    button_->setText(Message(UserText::ConsoleClose));
    button_->setEnabled(true);
    button_->setFocus();
}

void TConsoleWindow::reject() {
    if (Running()) {
        Cancel();
        return;
    }
    QDialog::reject();
}
