// The main window: it wires its controls to the window-free functions of
// core/ and process/ and shows their results. Every handler runs inside one
// guard that turns an exception into the program's error box.
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "core/ExtractionRules.h"
#include "core/Formats.h"
#include "core/Settings.h"
#include "process/CapturedRun.h"
#include "process/ConsoleRun.h"
#include "ui/ConsoleWindow.h"
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
class TBatchWindow;
class TDialogs;
class TForm2;
class TForm3;
class TForm4;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // programFolder ends in a separator; userFolder, the per-user folder,
    // too (or is empty when there is none). settings names Torvane.cfg, fixed
    // at start-up because the file dialog later moves the current folder.
    TForm1(TDialogs& dialogs, std::string programFolder, std::string userFolder,
           torvane::SettingsFile settings, QWidget* parent = nullptr);
    ~TForm1() override;

    // The other three windows, made after this one and living as long.
    void AttachWindows(TForm2& form2, TForm3& form3, TForm4& form4);

    // What the extraction run reads: the last build's command lines and the
    // captured previews, byte for byte as the tools printed them.
    const std::string& ComandoTracks() const { return comandoTracks_; }
    const std::string& ComandoAtt() const { return comandoAtt_; }
    const std::string& ComandoChapter() const { return comandoChapter_; }
    const std::string& ChaptersPreview() const { return chaptersPreview_; }
    const std::string& TagsPreview() const { return tagsPreview_; }
    const std::vector<std::string>& Listing() const { return listado_; }
    const torvane::FormatTable& Formats() const { return formats_; }
    QString SourcePath() const { return sourcePath_; }

    // Turns an exception's message into the error box's text: a "." is added
    // when the last character sorts after ".".
    static QString ErrorText(const QString& message);

    // An error whose text reaches the error box as given: a handler throws it
    // to end the user's action there.
    static torvane::Exception UserError(const QString& text);

    // How long a captured tool run may stay silent before it is stopped and
    // reported; generous, since the end of a tool's output ends the read at
    // once. Tests shorten it.
    static constexpr int kCaptureSilenceMs = 30000;
    void SetCaptureSilence(int milliseconds) { captureSilenceMs_ = milliseconds; }

    // Runs an action the way every handler runs: an exception ends it and is
    // shown in the error box. Returns false when the action ended that way.
    template <class F>
    bool Guarded(F&& action) {
        try {
            action();
            return true;
        } catch (const std::exception& error) {
            ShowError(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            ShowError(Message(TMessage::UnknownError));
        }
        return false;
    }

    // Start-up, exit and shutdown.
    void FormShow();
    void Salir1Click();
    void FormClose();

    // The batch window, made at its first opening.
    void Varios1Click();

    // Languages and the Help menu.
    void Espaol1Click();
    void Ingls1Click();
    void Acercade2Click();
    void Acercade3Click();
    void wwwsite1Click();
    void wwwformat1Click();

    // Inspecting a source file.
    void Button1Click();
    // Does what confirming the file in the source button's dialog does: for a
    // file named on the command line or dropped on the window. A path that
    // names no file is refused with a message.
    void OpenSourceFile(const QString& path);
    // The one Matroska file a drag carries, or empty when it carries anything
    // else (more files, a folder, a remote address, another kind of file).
    static QString DroppedSourceFile(const QMimeData& data);
    void LeerTags();
    void LeerCapitulos();
    void LeerTrackList();

    // Classification and the command lines.
    std::string Averiguatipo(const std::string& line);
    void LoadTextFormats();
    void CrearLineaComandos();

    // Selection and output folder.
    void CheckListBox1ClickCheck();
    void Button2Click();
    void Button3Click();
    void RadioButton1Click();
    void RadioButton2Click();
    void Edit2Change();
    void Button4Click();

    // The extraction run (MainWindowExtraction.cpp). Each run of the tool goes through
    // the runner given here, or the console window when none was given.
    void SetConsoleRunner(TConsoleRunner* runner);
    void BitBtn1Click();
    TConsoleResult ejecutarquarvel(const std::string& commandLine, int showState);

    // What became of one run of the extraction tool.
    struct TStepEnd {
        TMessage step;
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
    void ShowError(const QString& message);
    bool ChooseSource(QString& fileName);
    void ToolPresenceTest(torvane::Language language);
    void ApplyLanguage(TLanguage language);
    // Runs a tool with its output captured; a tool that goes silent for the
    // whole limit is stopped and reported, naming it as `what`.
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
    std::string programFolder_;
    std::string userFolder_;
    torvane::SettingsFile settings_;
    TForm2* form2_ = nullptr;
    TForm3* form3_ = nullptr;
    TForm4* form4_ = nullptr;
    bool shown_ = false;
    bool settingChecks_ = false;
    TConsoleRunner* consoleRunner_ = nullptr;
    int captureSilenceMs_ = kCaptureSilenceMs;

    // The file name the open-file dialog holds: the last confirmed file.
    QString sourcePath_;
    // A file given otherwise, taken by the source button as the dialog's answer.
    std::optional<QString> givenSource_;
    // The identification listing (line 0 the file line), as captured bytes.
    std::vector<std::string> listado_;
    std::string chaptersPreview_;
    std::string tagsPreview_;
    torvane::FormatTable formats_;
    std::string comandoTracks_;
    std::string comandoAtt_;
    std::string comandoChapter_;

    QIcon icon_;
    QTabWidget* pest_ = nullptr;
    QWidget* tabSheet9_ = nullptr;
    QWidget* tabSheet10_ = nullptr;
    QLabel* label2_ = nullptr;
    QLineEdit* edit1_ = nullptr;
    QPushButton* button1_ = nullptr;
    QLabel* label7_ = nullptr;
    QLineEdit* edit2_ = nullptr;
    QPushButton* button4_ = nullptr;
    QLabel* label3_ = nullptr;
    QListWidget* checkListBox1_ = nullptr;
    QPushButton* button2_ = nullptr;
    QPushButton* button3_ = nullptr;
    QPushButton* bitBtn1_ = nullptr;
    QLabel* label1_ = nullptr;
    QTextEdit* lineaComandos_ = nullptr;
    QLabel* label8_ = nullptr;
    QTextEdit* lineaComandosAtt_ = nullptr;
    QPlainTextEdit* aMemo_ = nullptr;
    QPlainTextEdit* tagsMemo_ = nullptr;
    QPlainTextEdit* formatsMemo_ = nullptr;
    QLabel* label11_ = nullptr;
    QPlainTextEdit* chaptersMemo_ = nullptr;
    QLabel* label10_ = nullptr;
    QTextEdit* lineaComandosChapter_ = nullptr;
    QGroupBox* groupBox3_ = nullptr;
    QRadioButton* radioButton1_ = nullptr;
    QRadioButton* radioButton2_ = nullptr;

    QMenu* archivo2_ = nullptr;
    QAction* varios1_ = nullptr;
    TBatchWindow* batch_ = nullptr;
    QAction* salir1_ = nullptr;
    QMenu* archivo1_ = nullptr;
    QMenu* lenguaje1_ = nullptr;
    QAction* espaol1_ = nullptr;
    QAction* ingls1_ = nullptr;
    QMenu* acercade1_ = nullptr;
    QAction* acercade2_ = nullptr;
    QAction* wwwsite1_ = nullptr;
    QAction* wwwformat1_ = nullptr;
    QAction* acercade3_ = nullptr;
};
