// The main window: it wires its controls to the window-free functions of
// core/ and process/ and shows their results. Every handler runs inside one
// guard that turns an exception into the program's error box.
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Exception.h"
#include "core/ExtractionRules.h"
#include "core/Formats.h"
#include "core/Settings.h"
#include "process/CapturedRun.h"
#include "process/ConsoleRun.h"
#include "ui/ConsoleWindow.h"
#include "ui/ErrorBox.h"
#include "ui/FormatBook.h"
#include "ui/Languages.h"
#include "ui/Messages.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMimeData;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTextEdit;
class NewFormatDialog;
class TBatchWindow;
class TDialogs;
class SpanishAboutWindow;
class EnglishAboutWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // programFolder ends in a separator; userFolder, the per-user folder,
    // too (or is empty when there is none). settings names Torvane.cfg, fixed
    // at start-up because the file dialog later moves the current folder.
    // formats is the program's format book, which the batch window shares.
    MainWindow(TDialogs& dialogs, FormatBook& formats, std::string programFolder,
               std::string userFolder, torvane::SettingsFile settings, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The other three windows, made after this one and living as long; the
    // new-format dialog takes the language set here.
    void AttachWindows(NewFormatDialog& newFormatDialog, SpanishAboutWindow& spanishAbout,
                       EnglishAboutWindow& englishAbout);

    // What the extraction run reads: the last build's command lines and the
    // captured previews, byte for byte as the tools printed them.
    const std::string& TracksCommandLine() const { return tracksCommandLine_; }
    const std::string& AttachmentsCommandLine() const { return attachmentsCommandLine_; }
    const std::string& ChaptersCommandLine() const { return chaptersCommandLine_; }
    const std::string& ChaptersPreview() const { return chaptersPreview_; }
    const std::string& TagsPreview() const { return tagsPreview_; }
    const std::vector<std::string>& Listing() const { return listing_; }
    const torvane::FormatTable& Formats() const { return formats_.Table(); }
    QString SourcePath() const { return sourcePath_; }

    // An error whose text reaches the error box as given: a handler throws it
    // to end the user's action there.
    static torvane::Exception UserError(const QString& text);

    // How long a captured tool run may stay silent before it is stopped and
    // reported (torvane::kCaptureSilenceMs unless a test shortens it).
    void SetCaptureSilence(int milliseconds) { captureSilenceMs_ = milliseconds; }

    // Runs an action the way every handler runs (the free Guarded), the error
    // box over this window.
    template <class F>
    bool Guarded(F&& action) {
        return ::Guarded(dialogs_, this, std::forward<F>(action));
    }

    // Start-up, exit and shutdown.
    void StartUp();
    void onExitClicked();
    void SaveFormatTable();

    // The batch window, made at its first opening.
    void onBatchClicked();

    // Languages and the Help menu.
    void onSpanishClicked();
    void onEnglishClicked();
    void onInfoClicked();
    void onAboutClicked();
    void onProgramPageClicked();
    void onFormatPageClicked();

    // Inspecting a source file.
    void onChooseSourceClicked();
    // Does what confirming the file in the source button's dialog does: for a
    // file named on the command line or dropped on the window. A path that
    // names no file is refused with a message.
    void OpenSourceFile(const QString& path);
    // The one Matroska file a drag carries, or empty when it carries anything
    // else (more files, a folder, a remote address, another kind of file).
    static QString DroppedSourceFile(const QMimeData& data);
    void ReadTags();
    void ReadChapters();
    void ReadTrackList();

    // Classification and the command lines.
    std::string ClassifyItem(const std::string& line);
    void LoadTextFormats();
    void BuildCommandLines();

    // Selection and output folder.
    void onItemCheckToggled();
    void onCheckAllClicked();
    void onUncheckAllClicked();
    void onXmlChaptersChosen();
    void onSimpleChaptersChosen();
    void onOutputFolderEdited();
    void onChooseOutputFolderClicked();

    // The extraction run (MainWindowExtraction.cpp). Each run of the tool goes through
    // the runner given here, or the console window when none was given.
    void SetConsoleRunner(TConsoleRunner* runner);
    void onExtractClicked();
    TConsoleResult RunExtractionTool(const std::string& commandLine);

    // What became of one run of the extraction tool.
    struct TStepEnd {
        UserText step;
        TConsoleResult result;
    };

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The controls, the menu and the wiring (MainWindowControls.cpp).
    void BuildPages();
    void BuildSourceAndFolderFields(QWidget& page);
    void BuildItemList(QWidget& page);
    void BuildSelectionButtons(QWidget& page);
    void BuildCommandBoxes(QWidget& page);
    void BuildHiddenMemos(QWidget& page);
    void BuildChaptersPage(QWidget& page);
    void SetKeyboardOrder();
    void BuildMenu();
    void ConnectHandlers();
    bool ChooseSource(QString& fileName);
    void ToolPresenceTest(torvane::Language language);
    void ApplyLanguage(TLanguage language);
    // Runs a tool with its output captured; a tool that cannot be started,
    // or goes silent for the whole limit and is stopped, ends the action
    // with an error naming it as `what`.
    torvane::CapturedOutput RunCaptured(const std::string& command, const char* what);
    void ShowPreview(QPlainTextEdit& memo, const std::string& captured);
    void SetAllChecks(bool checked);
    // The check state of every item, in list order.
    std::vector<bool> Checks() const;
    torvane::ChapterFormat ChosenChapterFormat() const;
    void ShowFormatTable();
    // The chosen source's short form, empty before any is chosen. A source
    // that has gone since, or cannot be named to the tools, is reported
    // (thrown) instead: no command line is built without it.
    std::string SourceShortPath() const;

    // The steps of the Extract button (MainWindowExtraction.cpp).
    void MakeOutputFolderReady();
    std::vector<TStepEnd> RunExtractionSteps(const torvane::ExtractionChoice& choice);
    // Saves the chosen previews; the error of one that could not be saved,
    // or the empty text.
    QString SavePreviews(const torvane::ExtractionChoice& choice);
    void ShowExtractionReport(const torvane::ExtractionReport& report,
                              const std::vector<TStepEnd>& steps, const QString& saveError);

    TDialogs& dialogs_;
    FormatBook& formats_;
    NewFormatDialog* newFormatDialog_ = nullptr;
    std::string programFolder_;
    std::string userFolder_;
    torvane::SettingsFile settings_;
    SpanishAboutWindow* spanishAbout_ = nullptr;
    EnglishAboutWindow* englishAbout_ = nullptr;
    bool shown_ = false;
    bool settingChecks_ = false;
    // The tool's console is always shown: on Windows its own console window,
    // elsewhere the program's console window; tests give a runner of their own.
    TConsoleWindowRunner windowRunner_;
    TConsoleRunner* consoleRunner_ = &windowRunner_;
    int captureSilenceMs_ = torvane::kCaptureSilenceMs;

    // The file name the open-file dialog holds: the last confirmed file.
    QString sourcePath_;
    // A file given otherwise, taken by the source button as the dialog's answer.
    std::optional<QString> givenSource_;
    // The identification listing (line 0 the file line), as captured bytes.
    std::vector<std::string> listing_;
    std::string chaptersPreview_;
    std::string tagsPreview_;
    std::string tracksCommandLine_;
    std::string attachmentsCommandLine_;
    std::string chaptersCommandLine_;
    // What the last build of the command lines chose to extract.
    torvane::ExtractionChoice choice_;

    QIcon icon_;
    QTabWidget* pages_ = nullptr;
    QWidget* generalPage_ = nullptr;
    QWidget* chaptersPage_ = nullptr;
    QLabel* sourceLabel_ = nullptr;
    QLineEdit* sourceEdit_ = nullptr;
    QPushButton* chooseSourceButton_ = nullptr;
    QLabel* outputFolderLabel_ = nullptr;
    QLineEdit* outputFolderEdit_ = nullptr;
    QPushButton* chooseOutputFolderButton_ = nullptr;
    QLabel* itemListLabel_ = nullptr;
    QListWidget* itemList_ = nullptr;
    QPushButton* checkAllButton_ = nullptr;
    QPushButton* uncheckAllButton_ = nullptr;
    QPushButton* extractButton_ = nullptr;
    QLabel* tracksCommandLabel_ = nullptr;
    QTextEdit* tracksCommandBox_ = nullptr;
    QLabel* attachmentsCommandLabel_ = nullptr;
    QTextEdit* attachmentsCommandBox_ = nullptr;
    QPlainTextEdit* listingMemo_ = nullptr;
    QPlainTextEdit* tagsMemo_ = nullptr;
    QPlainTextEdit* formatsMemo_ = nullptr;
    QLabel* chaptersLabel_ = nullptr;
    QPlainTextEdit* chaptersMemo_ = nullptr;
    QLabel* chaptersCommandLabel_ = nullptr;
    QTextEdit* chaptersCommandBox_ = nullptr;
    QGroupBox* chapterFormatBox_ = nullptr;
    QRadioButton* xmlChaptersButton_ = nullptr;
    QRadioButton* simpleChaptersButton_ = nullptr;

    QMenu* fileMenu_ = nullptr;
    QAction* batchAction_ = nullptr;
    TBatchWindow* batchWindow_ = nullptr;
    QAction* exitAction_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QAction* spanishAction_ = nullptr;
    QAction* englishAction_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* infoAction_ = nullptr;
    QAction* programPageAction_ = nullptr;
    QAction* formatPageAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
};
