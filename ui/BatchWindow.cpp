#include "ui/BatchWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "core/BatchRuleFile.h"
#include "core/Formats.h"
#include "platform/ProgramFolder.h"
#include "process/BatchSummary.h"
#include "ui/BatchReport.h"
#include "ui/BatchRuleBox.h"
#include "ui/Dialogs.h"
#include "ui/ErrorBox.h"
#include "ui/FileFilter.h"
#include "ui/FormatBook.h"
#include "ui/LocalText.h"
#include "ui/Messages.h"
#include "ui/TrackNames.h"

namespace {

using torvane::BatchSource;
using torvane::FilePlan;

// Identifications at once: the tools are quick, the machine may be small.
constexpr int kIdentifiers = 2;

// The progress shown at most this often.
constexpr int kProgressMs = 40;

QPushButton* MakeButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    // Enter on a focused button presses it.
    button->setAutoDefault(true);
    return button;
}

QTreeWidget* MakeTree(QWidget* parent, const char* name) {
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QString::fromLatin1(name));
    tree->setColumnCount(2);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->header()->setStretchLastSection(true);
    tree->setColumnWidth(0, 300);
    return tree;
}

QString SizeText(std::uint64_t bytes) {
    const QLocale locale(LanguageInForce() == TLanguage::Spanish ? QLocale::Spanish
                                                                 : QLocale::English);
    return locale.formattedDataSize(static_cast<qint64>(bytes));
}

}  // namespace

// Passes the run's news, told on the run's thread, to the window's.
class TBatchWindow::Listener : public torvane::BatchListener {
  public:
    explicit Listener(TBatchWindow& window) : window_(window) {}

    void StepStarted(std::size_t file, torvane::BatchStep step) override {
        Post([window = &window_, file, step] { window->StepStarted(file, step); });
    }
    void StepProgress(std::size_t file, int percent) override {
        Post([window = &window_, file, percent] { window->StepProgress(file, percent); });
    }
    void FileEnded(const torvane::BatchFileEnd& end) override {
        Post([window = &window_, end] { window->FileEnded(end); });
    }
    void RunEnded(bool cancelled) override {
        Post([window = &window_, cancelled] { window->RunEnded(cancelled); });
    }

  private:
    template <class F>
    void Post(F&& call) {
        QMetaObject::invokeMethod(&window_, std::forward<F>(call), Qt::QueuedConnection);
    }
    TBatchWindow& window_;
};

TBatchWindow::TBatchWindow(FormatBook& formats, TDialogs& dialogs, std::string programFolder,
                           QWidget* parent)
    : QWidget(parent, Qt::Window),
      formats_(formats),
      dialogs_(dialogs),
      programFolder_(std::move(programFolder)),
      silenceMs_(torvane::kCaptureSilenceMs) {
    setObjectName(QStringLiteral("BatchWindow"));
    // The main window's end ends the program, this window or not.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAcceptDrops(true);
    identifiers_.setMaxThreadCount(kIdentifiers);
    progressTimer_.setSingleShot(true);
    progressTimer_.setInterval(kProgressMs);
    connect(&progressTimer_, &QTimer::timeout, this, [this] { ShowProgress(); });
    BuildControls();
    ConnectHandlers();
    Retranslate();
    resize(960, 740);
    SourcesChanged();
}

TBatchWindow::~TBatchWindow() {
    run_.reset();
    identifiers_.waitForDone();
}

void TBatchWindow::BuildControls() {
    ruleBox_ = new TBatchRuleBox(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("BatchTabs"));
    preview_ = MakeTree(tabs_, "BatchPreview");
    preview_->setRootIsDecorated(true);
    summaryText_ = new QPlainTextEdit(tabs_);
    summaryText_->setObjectName(QStringLiteral("BatchSummaryText"));
    summaryText_->setReadOnly(true);
    tabs_->addTab(preview_, QString());
    tabs_->addTab(summaryText_, QString());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildSources(), 1);
    layout->addWidget(ruleBox_);
    layout->addWidget(BuildOutput());
    layout->addWidget(tabs_, 3);
    layout->addWidget(BuildRunControls());
}

QWidget* TBatchWindow::BuildSources() {
    sourcesBox_ = new QGroupBox(this);
    sourceList_ = MakeTree(sourcesBox_, "BatchSourceList");
    sourceList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Room for a few sources; the preview below takes what is left.
    sourceList_->setMinimumHeight(5 * sourceList_->fontMetrics().height());
    sourceList_->setMaximumHeight(7 * sourceList_->fontMetrics().height());
    sourcesHint_ = new QLabel(sourcesBox_);
    addFiles_ = MakeButton(sourcesBox_, "BatchAddFiles");
    addFolder_ = MakeButton(sourcesBox_, "BatchAddFolder");
    remove_ = MakeButton(sourcesBox_, "BatchRemove");
    sourcesHint_->setWordWrap(true);
    sourcesHint_->setFixedWidth(150);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(addFiles_);
    buttons->addWidget(addFolder_);
    buttons->addWidget(remove_);
    buttons->addWidget(sourcesHint_);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(sourcesBox_);
    layout->addWidget(sourceList_, 1);
    layout->addLayout(buttons);
    return sourcesBox_;
}

QWidget* TBatchWindow::BuildOutput() {
    outputBox_ = new QGroupBox(this);
    folder_ = new QLineEdit(outputBox_);
    folder_->setObjectName(QStringLiteral("BatchFolder"));
    browse_ = MakeButton(outputBox_, "BatchBrowse");
    perSource_ = new QRadioButton(outputBox_);
    perSource_->setObjectName(QStringLiteral("BatchFolderPerSource"));
    perSource_->setChecked(true);
    prefixed_ = new QRadioButton(outputBox_);
    prefixed_->setObjectName(QStringLiteral("BatchPrefixedNames"));
    auto* line = new QHBoxLayout;
    line->addWidget(folder_, 1);
    line->addWidget(browse_);
    auto* layouts = new QHBoxLayout;
    layouts->addWidget(perSource_);
    layouts->addSpacing(24);
    layouts->addWidget(prefixed_);
    layouts->addStretch(1);
    auto* layout = new QVBoxLayout(outputBox_);
    layout->addLayout(line);
    layout->addLayout(layouts);
    return outputBox_;
}

QWidget* TBatchWindow::BuildRunControls() {
    auto* panel = new QWidget(this);
    overall_ = new QProgressBar(panel);
    overall_->setObjectName(QStringLiteral("BatchOverallProgress"));
    overall_->setRange(0, 1000);
    overall_->setTextVisible(false);
    overallLabel_ = new QLabel(panel);
    overallLabel_->setObjectName(QStringLiteral("BatchOverallLabel"));
    fileProgress_ = new QProgressBar(panel);
    fileProgress_->setObjectName(QStringLiteral("BatchFileProgress"));
    fileProgress_->setRange(0, 100);
    fileLabel_ = new QLabel(panel);
    fileLabel_->setObjectName(QStringLiteral("BatchFileLabel"));
    start_ = MakeButton(panel, "BatchStart");
    start_->setDefault(true);
    cancel_ = MakeButton(panel, "BatchCancel");
    copy_ = MakeButton(panel, "BatchCopySummary");
    close_ = MakeButton(panel, "BatchClose");
    // The bars with their labels, the buttons beside them.
    auto* layout = new QGridLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(overallLabel_, 0, 0);
    layout->addWidget(overall_, 0, 1);
    layout->addWidget(fileLabel_, 1, 0);
    layout->addWidget(fileProgress_, 1, 1);
    layout->addWidget(start_, 0, 2);
    layout->addWidget(cancel_, 0, 3);
    layout->addWidget(copy_, 1, 2);
    layout->addWidget(close_, 1, 3);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 3);
    return panel;
}

void TBatchWindow::ConnectHandlers() {
    auto wire = [this](QPushButton* button, void (TBatchWindow::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] {
            Guarded(dialogs_, parentWidget(), [&] { (this->*handler)(); });
        });
    };
    wire(addFiles_, &TBatchWindow::AddFilesClick);
    wire(addFolder_, &TBatchWindow::AddFolderClick);
    wire(remove_, &TBatchWindow::RemoveClick);
    wire(browse_, &TBatchWindow::BrowseClick);
    wire(start_, &TBatchWindow::StartClick);
    wire(cancel_, &TBatchWindow::CancelClick);
    wire(copy_, &TBatchWindow::CopySummaryClick);
    connect(ruleBox_, &TBatchRuleBox::saveRequested, this,
            [this] { Guarded(dialogs_, parentWidget(), [this] { SaveRuleClick(); }); });
    connect(ruleBox_, &TBatchRuleBox::loadRequested, this,
            [this] { Guarded(dialogs_, parentWidget(), [this] { LoadRuleClick(); }); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(ruleBox_, &TBatchRuleBox::changed, this, [this] { Rebuild(); });
    connect(folder_, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    connect(perSource_, &QRadioButton::toggled, this, [this] { Rebuild(); });
    connect(sourceList_, &QTreeWidget::itemSelectionChanged, this, [this] { ShowButtons(); });
}

void TBatchWindow::Retranslate() {
    setWindowTitle(Message(UserText::BatchTitle));
    sourcesBox_->setTitle(Message(UserText::BatchSources));
    sourceList_->setHeaderLabels(
        {Message(UserText::BatchColumnFile), Message(UserText::BatchColumnContents)});
    sourcesHint_->setText(Message(UserText::BatchSourcesHint));
    addFiles_->setText(Message(UserText::BatchAddFiles));
    addFolder_->setText(Message(UserText::BatchAddFolder));
    remove_->setText(Message(UserText::BatchRemove));
    ruleBox_->Retranslate();
    outputBox_->setTitle(Message(UserText::BatchOutput));
    folder_->setPlaceholderText(Message(UserText::BatchOutputBeside));
    browse_->setText(Message(UserText::BatchBrowse));
    perSource_->setText(Message(UserText::BatchFolderPerSource));
    prefixed_->setText(Message(UserText::BatchPrefixedNames));
    tabs_->setTabText(0, Message(UserText::BatchPreview));
    tabs_->setTabText(1, Message(UserText::BatchSummary));
    preview_->setHeaderLabels(
        {Message(UserText::BatchColumnOutput), Message(UserText::BatchColumnHolds)});
    start_->setText(Message(UserText::BatchStart));
    cancel_->setText(Message(UserText::ConsoleCancel));
    copy_->setText(Message(UserText::BatchCopySummary));
    close_->setText(Message(UserText::ConsoleClose));
    ShowSources();
    ShowPreview();
    ShowProgress();
}

// ---- Sources ---------------------------------------------------------------

void TBatchWindow::AddPaths(const QStringList& paths) {
    if (Running()) {
        return;
    }
    std::vector<std::string> full;
    for (const QString& path : paths) {
        full.push_back(Encode(QFileInfo(path).absoluteFilePath()));
    }
    std::vector<std::string> listed;
    for (const TEntry& entry : entries_) {
        listed.push_back(entry.probe.source.path);
    }
    for (const std::string& file : torvane::NewSources(full, listed)) {
        TEntry entry;
        entry.id = nextId_++;
        entry.probe.source.path = file;
        entries_.push_back(entry);
        const quint64 id = entry.id;
        const std::string folder = programFolder_;
        const int silence = silenceMs_;
        identifiers_.start([this, id, file, folder, silence] {
            const torvane::SourceProbe probe = torvane::ProbeSource(file, folder, silence);
            QMetaObject::invokeMethod(
                this, [this, id, probe] { Identified(id, probe); }, Qt::QueuedConnection);
        });
    }
    SourcesChanged();
}

void TBatchWindow::Identified(quint64 id, const torvane::SourceProbe& probe) {
    for (TEntry& entry : entries_) {
        if (entry.id == id) {
            entry.probe = probe;
            SourcesChanged();
            return;
        }
    }
    // Removed meanwhile: nothing to show.
}

bool TBatchWindow::Identifying() const {
    return std::any_of(entries_.begin(), entries_.end(), [](const TEntry& entry) {
        return entry.probe.source.state == BatchSource::State::Identifying;
    });
}

void TBatchWindow::AddFilesClick() {
    AddPaths(dialogs_.OpenFiles(this, kSourceFilter, Decode(programFolder_)));
}

void TBatchWindow::AddFolderClick() {
    const QString folder = dialogs_.SelectDirectory(
        this, Message(UserText::BatchChooseSourceFolder), QString(), QString());
    if (!folder.isEmpty()) {
        AddPaths({folder});
    }
}

void TBatchWindow::RemoveClick() {
    if (Running()) {
        return;
    }
    std::vector<bool> chosen(entries_.size(), false);
    for (QTreeWidgetItem* item : sourceList_->selectedItems()) {
        const int row = sourceList_->indexOfTopLevelItem(item);
        if (row >= 0 && static_cast<std::size_t>(row) < chosen.size()) {
            chosen[static_cast<std::size_t>(row)] = true;
        }
    }
    std::vector<TEntry> kept;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
        if (!chosen[k]) {
            kept.push_back(std::move(entries_[k]));
        }
    }
    entries_ = std::move(kept);
    SourcesChanged();
}

void TBatchWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!Running() && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void TBatchWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        Guarded(dialogs_, parentWidget(), [&] { AddPaths(paths); });
    }
}

// ---- The rule, the plan and what shows them --------------------------------

std::string TBatchWindow::OutputFolder() const {
    const QString typed = folder_->text().trimmed();
    return typed.isEmpty() ? std::string() : Encode(QFileInfo(typed).absoluteFilePath());
}

torvane::OutputLayout TBatchWindow::Layout() const {
    return perSource_->isChecked() ? torvane::OutputLayout::FolderPerSource
                                   : torvane::OutputLayout::PrefixedNames;
}

void TBatchWindow::SourcesChanged() {
    std::vector<BatchSource> sources;
    for (const TEntry& entry : entries_) {
        sources.push_back(entry.probe.source);
    }
    ruleBox_->SetOffers(torvane::OffersOf(sources));
    ShowSources();
    Rebuild();
}

void TBatchWindow::Rebuild() {
    if (Running()) {
        return;
    }
    std::vector<BatchSource> sources;
    for (const TEntry& entry : entries_) {
        sources.push_back(entry.probe.source);
    }
    // The program's table, never changed here: a codec it lacks is asked for
    // once, when the extraction starts.
    const torvane::FormatTable& table = formats_.Table();
    plan_ = torvane::PlanBatch(sources, ruleBox_->Rule(), Layout(), OutputFolder(),
                               [&table](const std::string& line) {
                                   const std::string kind = torvane::ClassifyCodec(line, table);
                                   return kind == torvane::kKindUnknown ? std::string() : kind;
                               });
    ShowPreview();
    ShowButtons();
}

void TBatchWindow::ShowSources() {
    sourceList_->clear();
    for (const TEntry& entry : entries_) {
        const BatchSource& source = entry.probe.source;
        auto* item = new QTreeWidgetItem(sourceList_);
        item->setText(0, Decode(torvane::FileNameOf(source.path)));
        item->setText(1, SourceContentsText(entry.probe, silenceMs_));
        const QString said = SourceMessagesText(entry.probe, silenceMs_);
        item->setToolTip(0, Decode(source.path));
        item->setToolTip(1, said.isEmpty() ? item->text(1) : said);
    }
}

void TBatchWindow::ShowPreview() {
    preview_->clear();
    for (std::size_t k = 0; k < plan_.size() && k < entries_.size(); ++k) {
        const FilePlan& file = plan_[k];
        auto* item = new QTreeWidgetItem(preview_);
        item->setText(0, Decode(torvane::FileNameOf(file.source)));
        QString status;
        switch (file.state) {
            case FilePlan::State::Identifying:
            case FilePlan::State::Unreadable:
                status = SourceContentsText(entries_[k].probe, silenceMs_);
                break;
            case FilePlan::State::Nothing:
                status = Message(UserText::BatchGivesNothing);
                break;
            case FilePlan::State::Outputs:
                status = file.outputs.size() == 1
                             ? Message(UserText::BatchGivesOne)
                             : Message(UserText::BatchGivesMany).arg(file.outputs.size());
                break;
        }
        item->setText(1, status);
        for (const torvane::PlannedOutput& output : file.outputs) {
            auto* child = new QTreeWidgetItem(item);
            child->setText(0, Decode(torvane::ShownPath(file, output)));
            child->setText(1, OutputHoldsText(output));
        }
        for (const torvane::UnnamedTrack& track : file.unnamed) {
            auto* child = new QTreeWidgetItem(item);
            child->setText(0, Decode(torvane::ShownPath(file, track)));
            child->setText(1, Message(UserText::BatchUnnamedTrack).arg(CodecText(track.codec)));
        }
    }
    preview_->expandAll();
}

void TBatchWindow::ShowButtons() {
    const bool idle = !Running();
    start_->setEnabled(idle && torvane::PlanGivesOutputs(plan_) && !Identifying());
    cancel_->setEnabled(Running() && !cancelling_);
    copy_->setEnabled(!summary_.isEmpty());
    remove_->setEnabled(idle && !sourceList_->selectedItems().isEmpty());
    for (QWidget* control :
         std::initializer_list<QWidget*>{addFiles_, addFolder_, ruleBox_, outputBox_}) {
        control->setEnabled(idle);
    }
}

void TBatchWindow::BrowseClick() {
    const QString folder = dialogs_.SelectDirectory(this, Message(UserText::BatchChooseOutput),
                                                    QString(), folder_->text());
    if (!folder.isEmpty()) {
        folder_->setText(folder);
    }
}

bool TBatchWindow::event(QEvent* event) {
    // The main window may have learnt an extension meanwhile.
    if (event->type() == QEvent::WindowActivate) {
        Rebuild();
    }
    return QWidget::event(event);
}

// ---- The run ---------------------------------------------------------------

void TBatchWindow::StartClick() {
    if (Running() || Identifying()) {
        return;
    }
    // A codec no table knows is asked for once, as the main window asks, and
    // the answer kept in its table; then the plan holds the names to write.
    for (const std::string& line : torvane::UnknownCodecLines(plan_)) {
        formats_.ClassifyOrAsk(line);
    }
    Rebuild();
    progress_ = torvane::BatchProgress();
    for (std::size_t k = 0; k < plan_.size(); ++k) {
        if (plan_[k].state == FilePlan::State::Outputs) {
            ++progress_.filesToRun;
            progress_.bytesToRun += entries_[k].probe.source.bytes;
        }
    }
    ends_.assign(plan_.size(), std::nullopt);
    SetCurrent(std::nullopt);
    cancelling_ = false;
    summary_.clear();
    summaryText_->clear();
    tabs_->setCurrentWidget(preview_);

    listener_ = std::make_unique<Listener>(*this);
    run_ = std::make_unique<torvane::BatchRun>(
        plan_, torvane::BatchRunSettings{programFolder_, torvane::SearchPath(), silenceMs_},
        *listener_);
    ShowButtons();
    ShowProgress();
}

void TBatchWindow::CancelClick() {
    if (run_ && !cancelling_) {
        cancelling_ = true;
        run_->Cancel();
        ShowButtons();
    }
}

void TBatchWindow::CopySummaryClick() {
    QApplication::clipboard()->setText(summary_);
}

void TBatchWindow::SaveRuleClick() {
    const QString path = dialogs_.SaveFile(this, Message(UserText::BatchSaveRuleTitle),
                                           Message(UserText::BatchRuleFilter), rulePath_);
    if (path.isEmpty()) {
        return;
    }
    try {
        torvane::SaveRuleFile(Encode(path), {ruleBox_->Rule(), Layout()}, CoreLanguage());
    } catch (const std::exception& failure) {
        // The system's words in its own encoding, the rule's in UTF-8.
        throw torvane::Exception(Encode(Decode(failure.what())));
    }
    rulePath_ = path;
}

void TBatchWindow::LoadRuleClick() {
    QString path;
    if (!dialogs_.OpenFile(this, Message(UserText::BatchRuleFilter),
                           rulePath_.isEmpty() ? QString() : QFileInfo(rulePath_).absolutePath(),
                           path)) {
        return;
    }
    const torvane::RuleFileRead read = torvane::LoadRuleFile(Encode(path));
    if (!read.contents) {
        throw torvane::Exception(
            Encode(Decode(torvane::RuleProblemText(read.problem, Encode(path), CoreLanguage()))));
    }
    rulePath_ = path;
    (read.contents->layout == torvane::OutputLayout::FolderPerSource ? perSource_ : prefixed_)
        ->setChecked(true);
    ruleBox_->SetRule(read.contents->rule);
}

void TBatchWindow::SetCurrent(std::optional<std::size_t> file) {
    current_ = file && *file < entries_.size() ? file : std::nullopt;
    progress_.currentBytes = current_ ? entries_[*current_].probe.source.bytes : 0;
    if (!current_) {
        progress_.currentPercent = 0;
    }
}

void TBatchWindow::StepStarted(std::size_t file, torvane::BatchStep step) {
    SetCurrent(file);
    currentStep_ = step;
    if (step == torvane::BatchStep::Folder) {
        progress_.currentPercent = 0;
    }
    ShowProgressSoon();
}

void TBatchWindow::StepProgress(std::size_t file, int percent) {
    SetCurrent(file);
    progress_.currentPercent = percent;
    ShowProgressSoon();
}

void TBatchWindow::FileEnded(const torvane::BatchFileEnd& end) {
    const bool cancelled = std::any_of(end.steps.begin(), end.steps.end(), [](const auto& step) {
        return step.result == torvane::StepResult::Cancelled;
    });
    std::uint64_t bytes = 0;
    if (end.file < ends_.size()) {
        ends_[end.file] = end;
        bytes = entries_[end.file].probe.source.bytes;
    }
    progress_.FileEnded(bytes, cancelled);
    SetCurrent(std::nullopt);
    ShowProgressSoon();
}

void TBatchWindow::RunEnded(bool cancelled) {
    run_.reset();
    listener_.reset();
    std::vector<torvane::SourceProbe> probes;
    for (const TEntry& entry : entries_) {
        probes.push_back(entry.probe);
    }
    // The command line's summary too.
    summary_ = Decode(
        torvane::BatchSummaryText(plan_, probes, ends_, cancelled, silenceMs_, CoreLanguage()));
    summaryText_->setPlainText(summary_);
    tabs_->setCurrentWidget(summaryText_);
    cancelling_ = false;
    ShowProgress();
    ShowButtons();
    if (closeWhenDone_) {
        close();
    }
}

void TBatchWindow::ShowProgressSoon() {
    if (!progressTimer_.isActive()) {
        progressTimer_.start();
    }
}

void TBatchWindow::ShowProgress() {
    progressTimer_.stop();
    if (progress_.filesToRun == 0) {
        overall_->setValue(0);
        fileProgress_->setValue(0);
        overallLabel_->setText(Message(UserText::BatchWaiting));
        fileLabel_->clear();
        return;
    }
    overall_->setValue(progress_.Permille());
    overallLabel_->setText(
        Message(UserText::BatchOverall)
            .arg(QString::number(progress_.FileShown()), QString::number(progress_.filesToRun),
                 SizeText(progress_.BytesDone()), SizeText(progress_.bytesToRun)));
    // The label first: whoever watches the bar reads which file it is for.
    fileLabel_->setText(current_ ? Message(UserText::BatchCurrentFile)
                                       .arg(Decode(torvane::FileNameOf(plan_[*current_].source)),
                                            StepName(currentStep_))
                                 : QString());
    fileProgress_->setValue(current_ ? progress_.currentPercent : 0);
}

void TBatchWindow::closeEvent(QCloseEvent* event) {
    // A running extraction is cancelled first, as in the console window; the
    // window goes once the tool has ended.
    if (Running()) {
        closeWhenDone_ = true;
        CancelClick();
        event->ignore();
        return;
    }
    closeWhenDone_ = false;
    event->accept();
}
