#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "core/CapturedCommands.h"
#include "core/CommandLine.h"
#include "core/ExtractionRules.h"
#include "core/Listing.h"
#include "core/ShortPath.h"
#include "core/Version.h"
#include "platform/ProgramFolder.h"
#include "process/CapturedRun.h"
#include "ui/AboutWindows.h"
#include "ui/BatchWindow.h"
#include "ui/Dialogs.h"
#include "ui/FileFilter.h"
#include "ui/LocalText.h"
#include "ui/NewFormatDialog.h"
#include "ui/PlacementAndFonts.h"
#include "ui/WebLinks.h"

namespace {

// Shows a captured text in a memo: its CR LF line breaks become the memo's.
QString ForDisplay(const std::string& bytes) {
    QString text = Decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

MainWindow::MainWindow(TDialogs& dialogs, FormatBook& formats, std::string programFolder,
                       std::string userFolder, torvane::SettingsFile settings, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      formats_(formats),
      programFolder_(std::move(programFolder)),
      userFolder_(std::move(userFolder)),
      settings_(std::move(settings)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Torvane " TORVANE_VERSION_TEXT));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(NearestSansFont(11));
    icon_ = QIcon(QStringLiteral(":/torvane/torvane.png"));
    setWindowIcon(icon_);

    BuildPages();
    BuildMenu();
    ConnectHandlers();
    // A row the user adds from either window shows in the table's memo.
    formats_.SetOnChange([this] { ShowFormatTable(); });
    // The listing starts with one empty file line and no item.
    listing_.assign(1, std::string());
    // A Matroska file dropped anywhere on the window becomes the source; no
    // control takes drops of its own (the output folder field would take the
    // file's path as text).
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setAcceptDrops(false);
    }
    setAcceptDrops(true);
    // A new window shows the design texts, which are Spanish, until a
    // language is applied; the program's own messages follow suit.
    SetLanguageInForce(TLanguage::Spanish);
    // The client area below the menu is fixed; the window follows it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

MainWindow::~MainWindow() = default;

void MainWindow::AttachWindows(NewFormatDialog& newFormatDialog, SpanishAboutWindow& spanishAbout,
                               EnglishAboutWindow& englishAbout) {
    newFormatDialog_ = &newFormatDialog;
    spanishAbout_ = &spanishAbout;
    englishAbout_ = &englishAbout;
}

torvane::Exception MainWindow::UserError(const QString& text) {
    return torvane::Exception(Encode(text));
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Guarded([this] { StartUp(); });
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The window closes whatever becomes of the format table: a table that
    // cannot be saved anywhere is reported, and a window that could never be
    // closed would be worse than a question asked again next time.
    Guarded([this] { SaveFormatTable(); });
    event->accept();
}

QString MainWindow::DroppedSourceFile(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return {};
    }
    const QFileInfo file(urls.front().toLocalFile());
    if (!file.isFile() || !FilterAccepts(kSourceFilter, file.fileName())) {
        return {};
    }
    return file.absoluteFilePath();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedSourceFile(*event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString file = DroppedSourceFile(*event->mimeData());
    if (file.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // The drop completes first: the tools run, and any box shows, after the
    // desktop has finished the drag.
    QTimer::singleShot(0, this, [this, file] { Guarded([&] { OpenSourceFile(file); }); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && extractButton_->isEnabled()) {
            extractButton_->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Start-up, exit and shutdown ------------------------------------------

void MainWindow::StartUp() {
    CentreOnScreen(*this);
    std::string word;
    try {
        word = settings_.ReadWord();
    } catch (...) {
        // The start-up stops here, but the format table is loaded all the same
        // so that closing never writes a table that lacks the stored rows.
        try {
            LoadTextFormats();
        } catch (const std::exception&) {
            // An unreadable table stays unloaded and is then never written.
        }
        throw;
    }
    const torvane::Language language = torvane::LanguageFromWord(word);
    if (language != torvane::Language::Unrecognised) {
        ToolPresenceTest(language);
    }
    LoadTextFormats();
    if (language == torvane::Language::Spanish) {
        onSpanishClicked();
    } else if (language == torvane::Language::English) {
        onEnglishClicked();
    }
}

void MainWindow::ToolPresenceTest(torvane::Language language) {
    const std::string folder = torvane::ExtractShortPathName(programFolder_);
    if (!folder.empty() && torvane::ToolsPresent(folder)) {
        return;
    }
    dialogs_.MessageBox(this, Message(UserText::ToolsMissingTitle, language),
                        Message(UserText::ToolsMissing, language), TDialogs::Buttons::Ok,
                        TDialogs::Icon::Warning);
}

void MainWindow::onExitClicked() {
    const torvane::Language language = torvane::LanguageFromWord(settings_.ReadWord());
    // A settings file naming neither language asks nothing and stays open.
    if (language == torvane::Language::Unrecognised) {
        return;
    }
    const TDialogs::Answer answer = dialogs_.MessageBox(
        this, Message(UserText::ExitTitle, language), Message(UserText::ExitQuestion, language),
        TDialogs::Buttons::OkCancel, TDialogs::Icon::Question);
    if (answer == TDialogs::Answer::Ok) {
        close();
    }
}

void MainWindow::SaveFormatTable() {
    const std::string name(torvane::kFormatsFileName);
    try {
        formats_.Table().Save(programFolder_ + name,
                              userFolder_.empty() ? std::string() : userFolder_ + name);
    } catch (const std::exception& error) {
        throw torvane::Exception(
            Encode(Message(UserText::FormatsNotSaved).arg(QString::fromLocal8Bit(error.what()))));
    }
}

void MainWindow::onBatchClicked() {
    if (batchWindow_ == nullptr) {
        batchWindow_ = new TBatchWindow(formats_, dialogs_, programFolder_, this);
    }
    batchWindow_->show();
    batchWindow_->raise();
    batchWindow_->activateWindow();
}

// ---- Languages and the Help menu ------------------------------------------

void MainWindow::ApplyLanguage(TLanguage language) {
    // The settings file first: when it cannot be written nothing changes on
    // screen.
    settings_.WriteWord(Encode(LanguageWord(language)));
    if (newFormatDialog_ == nullptr) {
        throw torvane::Exception("The new-format dialog does not exist yet");
    }
    ApplyLanguageTexts(language, *this, *newFormatDialog_);
    SetLanguageInForce(language);
    newFormatDialog_->ArrangeControls();
    batchAction_->setText(Message(UserText::BatchMenuItem));
    if (batchWindow_ != nullptr) {
        batchWindow_->Retranslate();
    }
}

void MainWindow::onSpanishClicked() {
    ApplyLanguage(TLanguage::Spanish);
}

void MainWindow::onEnglishClicked() {
    ApplyLanguage(TLanguage::English);
}

void MainWindow::onInfoClicked() {
    // Deliberately not the project's version: the Info box has always said
    // this, and users and guides quote it.
    dialogs_.ShowInfo(this, QStringLiteral("Torvane 1.5.1.1"), icon_);
}

void MainWindow::onAboutClicked() {
    const torvane::Language language = torvane::LanguageFromWord(settings_.ReadWord());
    if (language == torvane::Language::Spanish && spanishAbout_ != nullptr) {
        dialogs_.ShowAbout(*spanishAbout_);
    } else if (language == torvane::Language::English && englishAbout_ != nullptr) {
        dialogs_.ShowAbout(*englishAbout_);
    }
}

void MainWindow::onProgramPageClicked() {
    dialogs_.OpenUrl(ProgramPage(Decode(programFolder_), LanguageInForce()));
}

void MainWindow::onFormatPageClicked() {
    dialogs_.OpenUrl(QString::fromLatin1(kFormatPage));
}

// ---- Inspecting a source file ---------------------------------------------

bool MainWindow::ChooseSource(QString& fileName) {
    if (givenSource_) {
        fileName = *std::exchange(givenSource_, std::nullopt);
        return true;
    }
    return dialogs_.OpenFile(this, kSourceFilter, Decode(programFolder_), fileName);
}

void MainWindow::OpenSourceFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile()) {
        throw torvane::Exception(Encode(Message(UserText::SourceNotFound).arg(path)));
    }
    // The source button then runs as if its dialog had been confirmed.
    givenSource_ = file.absoluteFilePath();
    onChooseSourceClicked();
}

void MainWindow::onChooseSourceClicked() {
    QString fileName = sourcePath_;
    if (ChooseSource(fileName)) {
        sourcePath_ = QDir::toNativeSeparators(fileName);
        sourceEdit_->setText(sourcePath_);
        // As the desktop's file dialog does on Windows: the chosen file's
        // folder becomes the current one, where output without a folder lands.
        QDir::setCurrent(QFileInfo(fileName).absolutePath());
    }
    listing_.clear();
    listingMemo_->clear();
    settingChecks_ = true;
    itemList_->clear();
    settingChecks_ = false;
    // Nothing is checked now: Extract waits for the user's choice.
    extractButton_->setEnabled(false);
    ReadTags();
    ReadChapters();
    ReadTrackList();
    BuildCommandLines();
}

std::string MainWindow::SourceShortPath() const {
    // Before any file is chosen there is none to name.
    if (sourcePath_.isEmpty()) {
        return {};
    }
    const torvane::SourceCheck source = torvane::CheckSource(Encode(sourcePath_));
    if (source.result != torvane::SourceCheck::Result::Present) {
        throw UserError(Message(source.result == torvane::SourceCheck::Result::Gone
                                    ? UserText::SourceGone
                                    : UserText::SourceNotNamed)
                            .arg(sourcePath_));
    }
    return source.shortForm;
}

torvane::CapturedOutput MainWindow::RunCaptured(const std::string& command, const char* what) {
    torvane::CapturedOutput capture = torvane::RunCaptured(command, captureSilenceMs_);
    // A tool that cannot be started ends the user's action with the
    // captured run's own message.
    if (capture.end.kind == torvane::RunOutcome::Kind::NotStarted) {
        throw torvane::Exception(capture.end.reason);
    }
    if (capture.end.kind == torvane::RunOutcome::Kind::TimedOut) {
        throw UserError(
            Message(UserText::CaptureTimedOut)
                .arg(QString::fromLatin1(what), QString::number(captureSilenceMs_ / 1000.0)));
    }
    return capture;
}

void MainWindow::ShowPreview(QPlainTextEdit& memo, const std::string& captured) {
    memo.setPlainText(ForDisplay(captured));
}

void MainWindow::ReadTags() {
    tagsPreview_.clear();
    tagsMemo_->clear();
    tagsPreview_ =
        RunCaptured(torvane::TagsCommand(programFolder_, SourceShortPath()), "quarvel tags").output;
    ShowPreview(*tagsMemo_, tagsPreview_);
}

void MainWindow::ReadChapters() {
    if (sourceEdit_->text().isEmpty()) {
        return;
    }
    chaptersPreview_.clear();
    chaptersMemo_->clear();
    const std::string command =
        torvane::ChaptersCommand(programFolder_, SourceShortPath(), ChosenChapterFormat());
    chaptersPreview_ = RunCaptured(command, "quarvel chapters").output;
    ShowPreview(*chaptersMemo_, chaptersPreview_);
}

void MainWindow::ReadTrackList() {
    const torvane::CapturedOutput captured =
        RunCaptured(torvane::ListingCommand(programFolder_, SourceShortPath()), "ostrem -i");
    // A file the tool cannot read gives no list but the tool's own words.
    // Before any file was chosen there is nothing to read and nothing to say.
    const bool said = !sourcePath_.isEmpty() && !captured.end.Succeeded();
    const bool warned = said && captured.end.CompletedWithWarnings();
    if (said && !warned) {
        throw UserError(Message(UserText::ListingFailed).arg(DescribeOutcome(captured.end)) +
                        ToolMessagesText(torvane::MessageLines(captured.errors)));
    }
    const torvane::Listing listing =
        torvane::BuildListing(captured.output, torvane::PreviewLineCount(chaptersPreview_) > 1,
                              torvane::PreviewLineCount(tagsPreview_) > 1);
    for (const std::string& line : listing.lines) {
        listing_.push_back(line);
        listingMemo_->appendPlainText(Decode(line));
    }
    settingChecks_ = true;
    for (const std::string& text : listing.items) {
        auto* item = new QListWidgetItem(Decode(text), itemList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    settingChecks_ = false;
    if (warned) {
        dialogs_.MessageBox(this, QStringLiteral("Torvane"),
                            Message(UserText::ListingWarnings) +
                                ToolMessagesText(torvane::MessageLines(captured.errors)),
                            TDialogs::Buttons::Ok, TDialogs::Icon::Warning);
    }
}

// ---- Classification and the command lines ---------------------------------

std::string MainWindow::ClassifyItem(const std::string& line) {
    return formats_.ClassifyOrAsk(line);
}

void MainWindow::ShowFormatTable() {
    QStringList lines;
    for (const std::string& line : formats_.Table().Lines()) {
        lines << Decode(line);
    }
    formatsMemo_->setPlainText(lines.join(QLatin1Char('\n')));
}

void MainWindow::LoadTextFormats() {
    const std::string name(torvane::kFormatsFileName);
    formats_.Table().LoadFromFile(programFolder_ + name);
    // The rows this user added where the program folder's table could not
    // take them come after its rows, so that they win.
    if (!userFolder_.empty()) {
        formats_.Table().LoadUserRowsFromFile(userFolder_ + name);
    }
    ShowFormatTable();
}

void MainWindow::BuildCommandLines() {
    std::vector<torvane::CommandItem> items;
    const std::size_t count = std::min<std::size_t>(listing_.empty() ? 0 : listing_.size() - 1,
                                                    static_cast<std::size_t>(itemList_->count()));
    for (std::size_t k = 0; k < count; ++k) {
        items.push_back(
            {listing_[k + 1], itemList_->item(static_cast<int>(k))->checkState() == Qt::Checked});
    }
    const torvane::CommandLines lines = torvane::ComposeCommandLines(
        Encode(sourcePath_), Encode(outputFolderEdit_->text()), items, ChosenChapterFormat(),
        [this](const std::string& line) { return ClassifyItem(line); },
        [](const std::string& line) { return torvane::AttachmentId(line); },
        [](const std::string& line) { return torvane::AttachmentFileName(line); },
        [](const std::string& path) { return torvane::ExtractShortPathName(path); });
    tracksCommandLine_ = lines.tracks;
    attachmentsCommandLine_ = lines.attachments;
    chaptersCommandLine_ = lines.chapters;
    tracksCommandBox_->setPlainText(Decode(tracksCommandLine_));
    attachmentsCommandBox_->setPlainText(Decode(attachmentsCommandLine_));
    chaptersCommandBox_->setPlainText(Decode(chaptersCommandLine_));
    choice_ = {lines.tracksSelected, lines.attachmentsSelected, lines.chaptersSelected,
               lines.tagsSelected};
    tracksCommandBox_->setEnabled(lines.tracksSelected);
    attachmentsCommandBox_->setEnabled(lines.attachmentsSelected);
    chaptersCommandBox_->setEnabled(lines.chaptersSelected);
    tagsMemo_->setEnabled(lines.tagsSelected);
}

// ---- Selection and output folder ------------------------------------------

std::vector<bool> MainWindow::Checks() const {
    std::vector<bool> checks;
    for (int k = 0; k < itemList_->count(); ++k) {
        checks.push_back(itemList_->item(k)->checkState() == Qt::Checked);
    }
    return checks;
}

torvane::ChapterFormat MainWindow::ChosenChapterFormat() const {
    return xmlChaptersButton_->isChecked() ? torvane::ChapterFormat::Xml
                                           : torvane::ChapterFormat::SimpleText;
}

void MainWindow::SetAllChecks(bool checked) {
    settingChecks_ = true;
    for (int k = 0; k < itemList_->count(); ++k) {
        itemList_->item(k)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    settingChecks_ = false;
}

void MainWindow::onItemCheckToggled() {
    extractButton_->setEnabled(false);
    extractButton_->setEnabled(torvane::ExtractEnabled(Checks()));
    BuildCommandLines();
}

void MainWindow::onCheckAllClicked() {
    SetAllChecks(true);
    // An empty list has nothing to extract.
    extractButton_->setEnabled(torvane::ExtractEnabled(Checks()));
    BuildCommandLines();
}

void MainWindow::onUncheckAllClicked() {
    extractButton_->setEnabled(false);
    SetAllChecks(false);
    BuildCommandLines();
}

void MainWindow::onXmlChaptersChosen() {
    ReadChapters();
    BuildCommandLines();
}

void MainWindow::onSimpleChaptersChosen() {
    ReadChapters();
    BuildCommandLines();
}

void MainWindow::onOutputFolderEdited() {
    BuildCommandLines();
}

void MainWindow::onChooseOutputFolderClicked() {
    const QString folder = dialogs_.SelectDirectory(
        this, QStringLiteral("Selecciona la carpeta de salida"), QString(), QString());
    if (!folder.isEmpty()) {
        // The separator is appended whatever the path ends in, so the output
        // file names can follow the folder directly.
        outputFolderEdit_->setText(QDir::toNativeSeparators(folder) + QDir::separator());
    }
    BuildCommandLines();
}
