// The batch window: many sources, one rule, a preview of every output, and a
// run of the files one after another. It wires its controls to the batch
// logic of core/ (rule, plan, steps) and process/ (identification, run) and
// shows their results; the sources are identified and the files extracted
// off the window's thread, so it stays responsive.
#pragma once

#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/BatchPlan.h"
#include "core/BatchSteps.h"
#include "process/BatchRun.h"
#include "process/SourceProbe.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class TBatchRuleBox;
class TDialogs;
class FormatBook;
class QGroupBox;

class TBatchWindow : public QWidget {
    Q_OBJECT
  public:
    // formats is the program's format book, which the main window shares;
    // programFolder holds both tools. The error box stands over the parent.
    TBatchWindow(FormatBook& formats, TDialogs& dialogs, std::string programFolder,
                 QWidget* parent = nullptr);
    // A run still going is cancelled and awaited, as are identifications.
    ~TBatchWindow() override;

    // Sets every text in the language in force.
    void Retranslate();

    // Adds sources: a file as it is, a folder by its Matroska files in name
    // order. A path already listed is passed over. Each new source is
    // identified off the window's thread; the list and the preview follow.
    void AddPaths(const QStringList& paths);

    bool Identifying() const;
    bool Running() const { return run_ != nullptr; }
    const std::vector<torvane::FilePlan>& Plan() const { return plan_; }
    QString Summary() const { return summary_; }

    // How long a tool may stay silent before it is stopped. Tests shorten it.
    void SetCaptureSilence(int milliseconds) { silenceMs_ = milliseconds; }

    // The buttons' handlers.
    void AddFilesClick();
    void AddFolderClick();
    void RemoveClick();
    void BrowseClick();
    void StartClick();
    void CancelClick();
    void CopySummaryClick();
    // The rule and the layout saved to a rule file, or loaded from one.
    void SaveRuleClick();
    void LoadRuleClick();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    class Listener;
    struct TEntry {
        quint64 id = 0;
        torvane::SourceProbe probe;  // its source Identifying until the probe comes
    };

    void BuildControls();
    QWidget* BuildSources();
    QWidget* BuildOutput();
    QWidget* BuildRunControls();
    void ConnectHandlers();
    void Identified(quint64 id, const torvane::SourceProbe& probe);
    // After a change of the sources: their list, what they offer the rule,
    // then Rebuild.
    void SourcesChanged();
    // The plan anew from the sources, the rule, the folder and the layout;
    // then the preview and the buttons.
    void Rebuild();
    void ShowSources();
    void ShowPreview();
    void ShowButtons();
    void ShowProgress();
    // Shows the progress soon: a tool tells of every percent, the eye needs
    // far fewer pictures.
    void ShowProgressSoon();
    std::string OutputFolder() const;
    torvane::OutputLayout Layout() const;
    void SetCurrent(std::optional<std::size_t> file);

    // The run's news, on the window's thread.
    void StepStarted(std::size_t file, torvane::BatchStep step);
    void StepProgress(std::size_t file, int percent);
    void FileEnded(const torvane::BatchFileEnd& end);
    void RunEnded(bool cancelled);

    FormatBook& formats_;
    TDialogs& dialogs_;
    std::string programFolder_;
    int silenceMs_;
    QThreadPool identifiers_;
    quint64 nextId_ = 1;
    std::vector<TEntry> entries_;
    std::vector<torvane::FilePlan> plan_;

    std::unique_ptr<Listener> listener_;
    std::unique_ptr<torvane::BatchRun> run_;
    std::vector<std::optional<torvane::BatchFileEnd>> ends_;
    torvane::BatchProgress progress_;
    std::optional<std::size_t> current_;  // the file at work
    torvane::BatchStep currentStep_ = torvane::BatchStep::Folder;
    bool cancelling_ = false;
    QTimer progressTimer_;
    bool closeWhenDone_ = false;
    QString summary_;
    QString rulePath_;  // the rule file last saved or loaded

    QGroupBox* sourcesBox_ = nullptr;
    QTreeWidget* sourceList_ = nullptr;
    QLabel* sourcesHint_ = nullptr;
    QPushButton* addFiles_ = nullptr;
    QPushButton* addFolder_ = nullptr;
    QPushButton* remove_ = nullptr;
    TBatchRuleBox* ruleBox_ = nullptr;
    QGroupBox* outputBox_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QRadioButton* perSource_ = nullptr;
    QRadioButton* prefixed_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* preview_ = nullptr;
    QPlainTextEdit* summaryText_ = nullptr;
    QProgressBar* overall_ = nullptr;
    QLabel* overallLabel_ = nullptr;
    QProgressBar* fileProgress_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* close_ = nullptr;
};
