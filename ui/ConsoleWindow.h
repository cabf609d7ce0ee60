// The console window of an extraction run: the tool's output as it comes, a
// progress bar, and a button that ends the tool. The main window reaches it
// through TConsoleRunner, so that tests can run the tools without a window.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process/ConsoleRun.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSocketNotifier;

// How one run ended, and what the tool said on the way (MessageLines: its
// output without the progress lines), at most kMaxMessages lines.
struct TConsoleResult {
    static constexpr std::size_t kMaxMessages = 1000;
    torvane::RunOutcome outcome;
    std::vector<std::string> messages;
};

class TConsoleRunner {
  public:
    virtual ~TConsoleRunner() = default;

    // Runs one command line to its end. A bare program name is looked for in
    // programFolder first, then on the search path.
    virtual TConsoleResult Run(QWidget* parent, const std::string& commandLine,
                               const std::string& programFolder) = 0;
};

// What happened to a run, in the language in force, without a final full
// stop: "ended with exit status 2", "cancelled", ...
QString DescribeOutcome(const torvane::RunOutcome& outcome);

// A tool's message lines for a box: each after a line break of its own, at
// most the first 20, then "…" when there were more; empty for no line.
QString ToolMessagesText(const std::vector<std::string>& lines);

// The real runner: each run in a TConsoleWindow of its own.
class TConsoleWindowRunner : public TConsoleRunner {
  public:
    TConsoleResult Run(QWidget* parent, const std::string& commandLine,
                       const std::string& programFolder) override;
};

// A modal window titled with the command line. Output lines are shown as they
// come (decoded as UTF-8); "Progress: N%" lines move the bar and are redrawn
// in place rather than piling up.
// The window closes by itself when the tool ends with status 0 or 1 (done,
// with warnings that the main window then shows), or once a cancelled tool
// has ended; on any other end it stays open with the output and what
// happened, and its button (Cancel until then) becomes Close. Escape, the
// title bar's close button and Enter on the button cancel while the tool
// runs.
class TConsoleWindow : public QDialog {
    Q_OBJECT
  public:
    explicit TConsoleWindow(QWidget* parent = nullptr);
    ~TConsoleWindow() override;

    // Starts the tool and shows the window until it closes. A tool that
    // cannot be started shows no window.
    TConsoleResult Run(const std::string& commandLine, const std::string& programFolder);

    // True between the start of the tool and its end.
    bool Running() const { return run_ != nullptr && !outcome_; }

  public slots:
    void reject() override;

  private:
    void ReadOutput();
    void CheckEnd();
    // Shows the lines the bytes complete; last also shows an unfinished one.
    void Show(const std::string& bytes, bool last = false);
    void Cancel();
    void Finish(const torvane::RunOutcome& outcome);

    QPlainTextEdit* output_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* button_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    QTimer ticker_;
    std::unique_ptr<torvane::ConsoleRun> run_;
    torvane::ConsoleLines lines_;
    std::optional<torvane::RunOutcome> outcome_;
    std::vector<std::string> messages_;
    bool progressShown_ = false;  // the last line shown is a progress line
};
