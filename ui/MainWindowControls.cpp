// The main window's controls as the design places them, its menu, and the
// wiring of each control to its handler.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>
#include <initializer_list>

#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/PlacementAndFonts.h"
#include "ui/WebLinks.h"

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    // Enter on a focused button presses it.
    button->setAutoDefault(true);
    return button;
}

QTextEdit* MakeCommandBox(QWidget* parent, const char* name, QRect place) {
    auto* box = new QTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(place);
    box->setReadOnly(true);
    box->setAcceptRichText(false);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setFont(NearestMonoFont(11));
    return box;
}

QPlainTextEdit* MakeHiddenMemo(QWidget* parent, const char* name, QRect place) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setGeometry(place);
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->hide();
    return memo;
}

}  // namespace

void MainWindow::BuildPages() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(656, 449);
    setCentralWidget(client);

    pages_ = new QTabWidget(client);
    pages_->setObjectName(QStringLiteral("Pest"));
    pages_->setGeometry(8, 4, 641, 437);
    generalPage_ = new QWidget;
    generalPage_->setObjectName(QStringLiteral("TabSheet9"));
    chaptersPage_ = new QWidget;
    chaptersPage_->setObjectName(QStringLiteral("TabSheet10"));
    pages_->addTab(generalPage_, QStringLiteral("General"));
    pages_->addTab(chaptersPage_, QStringLiteral("Capítulos"));

    BuildSourceAndFolderFields(*generalPage_);
    BuildItemList(*generalPage_);
    BuildSelectionButtons(*generalPage_);
    BuildCommandBoxes(*generalPage_);
    BuildHiddenMemos(*generalPage_);
    BuildChaptersPage(*chaptersPage_);
    for (QWidget* control : std::initializer_list<QWidget*>{
             chooseSourceButton_, chooseOutputFolderButton_, checkAllButton_, uncheckAllButton_,
             extractButton_, chapterFormatBox_, xmlChaptersButton_, simpleChaptersButton_}) {
        FitTextToWidth(*control);
    }
    SetKeyboardOrder();

    // Enter in the one-line fields and the list presses the Extract button.
    sourceEdit_->installEventFilter(this);
    outputFolderEdit_->installEventFilter(this);
    itemList_->installEventFilter(this);
}

void MainWindow::BuildSourceAndFolderFields(QWidget& page) {
    sourceLabel_ = MakeLabel(&page, "Label2", QStringLiteral("Archivo Matroska"), 16, 8);
    sourceEdit_ = new QLineEdit(&page);
    sourceEdit_->setObjectName(QStringLiteral("Edit1"));
    sourceEdit_->setGeometry(16, 24, 481, 21);
    sourceEdit_->setReadOnly(true);
    sourceEdit_->setToolTip(QStringLiteral("Elige el archivo matroska a demultiplexar"));
    chooseSourceButton_ =
        MakeButton(&page, "Button1", QStringLiteral("Seleccionar"), {520, 22, 97, 25});

    outputFolderLabel_ =
        MakeLabel(&page, "Label7",
                  QStringLiteral("Directorio Salida (Los archivos serán extraídos aquí)"), 16, 56);
    outputFolderEdit_ = new QLineEdit(&page);
    outputFolderEdit_->setObjectName(QStringLiteral("Edit2"));
    outputFolderEdit_->setGeometry(16, 72, 481, 21);
    outputFolderEdit_->setToolTip(
        QStringLiteral("Elige la carpeta donde serán extraídos los archivos"));
    chooseOutputFolderButton_ =
        MakeButton(&page, "Button4", QStringLiteral("Seleccionar"), {520, 70, 97, 25});
}

void MainWindow::BuildItemList(QWidget& page) {
    itemListLabel_ = MakeLabel(&page, "Label3",
                               QStringLiteral("Tracks / Attachments / Capítulos / Tags"), 16, 104);
    itemList_ = new QListWidget(&page);
    itemList_->setObjectName(QStringLiteral("CheckListBox1"));
    itemList_->setGeometry(16, 120, 481, 177);
    itemList_->setToolTip(
        QStringLiteral("Listado de cadenas de vídeo, audio, capítulos y tags extraíbles"));
    // One column as wide as the box; items that do not fit its height go on
    // in a further column to the right, reached by the horizontal bar.
    itemList_->setViewMode(QListView::ListMode);
    itemList_->setFlow(QListView::TopToBottom);
    itemList_->setWrapping(true);
    itemList_->setResizeMode(QListView::Adjust);
    itemList_->setUniformItemSizes(true);
    itemList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    itemList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    itemList_->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    itemList_->setSelectionMode(QAbstractItemView::SingleSelection);
    const int frame = itemList_->frameWidth() * 2;
    const int rowHeight = std::max(13, std::max(itemList_->fontMetrics().height(),
                                                style()->pixelMetric(QStyle::PM_IndicatorHeight)) +
                                           2);
    itemList_->setGridSize(QSize(481 - frame, rowHeight));
}

void MainWindow::BuildSelectionButtons(QWidget& page) {
    checkAllButton_ =
        MakeButton(&page, "Button2", QStringLiteral("Marcar Todos"), {520, 136, 97, 33});
    checkAllButton_->setToolTip(QStringLiteral("Marca todos los archivos de la lista"));
    uncheckAllButton_ =
        MakeButton(&page, "Button3", QStringLiteral("Desmarcar Todos"), {520, 192, 97, 33});
    uncheckAllButton_->setToolTip(QStringLiteral("Desmarca todos los archivos de la lista"));
    extractButton_ = MakeButton(&page, "BitBtn1", QStringLiteral("Extraer"), {520, 248, 97, 33});
    QFont bold = font();
    bold.setBold(true);
    extractButton_->setFont(bold);
    extractButton_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    extractButton_->setEnabled(false);
    extractButton_->setDefault(true);
}

void MainWindow::BuildCommandBoxes(QWidget& page) {
    tracksCommandLabel_ =
        MakeLabel(&page, "Label1", QStringLiteral("Línea de Comandos (Tracks)"), 16, 304);
    tracksCommandBox_ = MakeCommandBox(&page, "LineaComandos", {16, 320, 289, 81});
    tracksCommandBox_->setToolTip(QStringLiteral("Línea de comandos para extraer los tracks"));
    attachmentsCommandLabel_ =
        MakeLabel(&page, "Label8", QStringLiteral("Línea de Comandos (Attachments)"), 328, 304);
    attachmentsCommandBox_ = MakeCommandBox(&page, "LineaComandosAtt", {320, 320, 297, 81});
    attachmentsCommandBox_->setToolTip(
        QStringLiteral("Línea de comandos para extraer los attachments"));
}

void MainWindow::BuildHiddenMemos(QWidget& page) {
    listingMemo_ = MakeHiddenMemo(&page, "AMemo", {392, 40, 33, 25});
    listingMemo_->setEnabled(false);
    tagsMemo_ = MakeHiddenMemo(&page, "TagsMemo", {440, 48, 33, 17});
    formatsMemo_ = MakeHiddenMemo(&page, "FormatsMemo", {336, 48, 41, 17});
    formatsMemo_->setEnabled(false);
}

void MainWindow::BuildChaptersPage(QWidget& page) {
    chaptersLabel_ = MakeLabel(&page, "Label11", QStringLiteral("Capítulos"), 16, 8);
    chaptersMemo_ = new QPlainTextEdit(&page);
    chaptersMemo_->setObjectName(QStringLiteral("ChaptersMemo"));
    chaptersMemo_->setGeometry(16, 24, 601, 257);
    chaptersMemo_->setReadOnly(true);
    chaptersMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    chaptersMemo_->setToolTip(QStringLiteral("Lista de capítulos"));
    chaptersCommandLabel_ =
        MakeLabel(&page, "Label10", QStringLiteral("Línea de comandos (Capítulos)"), 16, 288);
    chaptersCommandBox_ = MakeCommandBox(&page, "LineaComandosChapter", {16, 312, 337, 89});
    chaptersCommandBox_->setToolTip(
        QStringLiteral("Línea de comandos para extraer el listado de capítulos"));
    chapterFormatBox_ = new QGroupBox(QStringLiteral("Formato de salida de capítulos."), &page);
    chapterFormatBox_->setObjectName(QStringLiteral("GroupBox3"));
    chapterFormatBox_->setGeometry(376, 312, 233, 89);
    xmlChaptersButton_ = new QRadioButton(QStringLiteral("XML (.xml)"), chapterFormatBox_);
    xmlChaptersButton_->setObjectName(QStringLiteral("RadioButton1"));
    xmlChaptersButton_->setGeometry(24, 24, 73, 17);
    xmlChaptersButton_->setToolTip(QStringLiteral("Capítulos en formato .xml (Matroska)"));
    xmlChaptersButton_->setChecked(true);
    simpleChaptersButton_ =
        new QRadioButton(QStringLiteral("Formato OGG (.txt)"), chapterFormatBox_);
    simpleChaptersButton_->setObjectName(QStringLiteral("RadioButton2"));
    simpleChaptersButton_->setGeometry(24, 56, 169, 17);
    simpleChaptersButton_->setToolTip(
        QStringLiteral("Capítulos en formato simple .txt (Ogg, etc)"));
}

// The keyboard order of the design.
void MainWindow::SetKeyboardOrder() {
    setTabOrder(chooseSourceButton_, itemList_);
    setTabOrder(itemList_, sourceEdit_);
    setTabOrder(sourceEdit_, tracksCommandBox_);
    setTabOrder(tracksCommandBox_, chooseOutputFolderButton_);
    setTabOrder(chooseOutputFolderButton_, outputFolderEdit_);
    setTabOrder(outputFolderEdit_, attachmentsCommandBox_);
    setTabOrder(attachmentsCommandBox_, checkAllButton_);
    setTabOrder(checkAllButton_, uncheckAllButton_);
    setTabOrder(uncheckAllButton_, extractButton_);
    setTabOrder(chaptersMemo_, xmlChaptersButton_);
    setTabOrder(xmlChaptersButton_, simpleChaptersButton_);
    setTabOrder(simpleChaptersButton_, chaptersCommandBox_);
}

void MainWindow::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setNativeMenuBar(false);

    fileMenu_ = bar->addMenu(QStringLiteral("Archivo"));
    fileMenu_->setObjectName(QStringLiteral("Archivo2"));
    batchAction_ = new QAction(Message(UserText::BatchMenuItem, TLanguage::Spanish), fileMenu_);
    batchAction_->setObjectName(QStringLiteral("Varios1"));
    fileMenu_->addAction(batchAction_);
    exitAction_ = new QAction(QStringLiteral("Salir"), fileMenu_);
    exitAction_->setObjectName(QStringLiteral("Salir1"));
    exitAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    exitAction_->setShortcutContext(Qt::WindowShortcut);
    fileMenu_->addAction(exitAction_);

    optionsMenu_ = bar->addMenu(QStringLiteral("Opciones"));
    optionsMenu_->setObjectName(QStringLiteral("Archivo1"));
    languageMenu_ = optionsMenu_->addMenu(QStringLiteral("Lenguaje"));
    languageMenu_->setObjectName(QStringLiteral("Lenguaje1"));
    spanishAction_ = new QAction(QStringLiteral("Español"), languageMenu_);
    spanishAction_->setObjectName(QStringLiteral("Espaol1"));
    languageMenu_->addAction(spanishAction_);
    englishAction_ = new QAction(QStringLiteral("Inglés"), languageMenu_);
    englishAction_->setObjectName(QStringLiteral("Ingls1"));
    languageMenu_->addAction(englishAction_);

    helpMenu_ = bar->addMenu(QStringLiteral("Ayuda"));
    helpMenu_->setObjectName(QStringLiteral("Acercade1"));
    infoAction_ = new QAction(QStringLiteral("Info"), helpMenu_);
    infoAction_->setObjectName(QStringLiteral("Acercade2"));
    helpMenu_->addAction(infoAction_);
    programPageAction_ = new QAction(QString::fromLatin1(kProgramPageCaption), helpMenu_);
    programPageAction_->setObjectName(QStringLiteral("wwwsite1"));
    helpMenu_->addAction(programPageAction_);
    formatPageAction_ = new QAction(QString::fromLatin1(kFormatHost), helpMenu_);
    formatPageAction_->setObjectName(QStringLiteral("wwwformat1"));
    helpMenu_->addAction(formatPageAction_);
    QAction* n1 = helpMenu_->addSeparator();
    n1->setObjectName(QStringLiteral("N1"));
    aboutAction_ = new QAction(QStringLiteral("Acerca de..."), helpMenu_);
    aboutAction_->setObjectName(QStringLiteral("Acercade3"));
    helpMenu_->addAction(aboutAction_);
}

void MainWindow::ConnectHandlers() {
    auto wire = [this](auto* sender, auto signal, void (MainWindow::*handler)()) {
        connect(sender, signal, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
    };
    wire(batchAction_, &QAction::triggered, &MainWindow::onBatchClicked);
    wire(exitAction_, &QAction::triggered, &MainWindow::onExitClicked);
    wire(spanishAction_, &QAction::triggered, &MainWindow::onSpanishClicked);
    wire(englishAction_, &QAction::triggered, &MainWindow::onEnglishClicked);
    wire(infoAction_, &QAction::triggered, &MainWindow::onInfoClicked);
    wire(aboutAction_, &QAction::triggered, &MainWindow::onAboutClicked);
    wire(programPageAction_, &QAction::triggered, &MainWindow::onProgramPageClicked);
    wire(formatPageAction_, &QAction::triggered, &MainWindow::onFormatPageClicked);
    wire(chooseSourceButton_, &QPushButton::clicked, &MainWindow::onChooseSourceClicked);
    wire(checkAllButton_, &QPushButton::clicked, &MainWindow::onCheckAllClicked);
    wire(uncheckAllButton_, &QPushButton::clicked, &MainWindow::onUncheckAllClicked);
    wire(chooseOutputFolderButton_, &QPushButton::clicked,
         &MainWindow::onChooseOutputFolderClicked);
    wire(extractButton_, &QPushButton::clicked, &MainWindow::onExtractClicked);
    wire(outputFolderEdit_, &QLineEdit::textChanged, &MainWindow::onOutputFolderEdited);
    connect(xmlChaptersButton_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Guarded([this] { onXmlChaptersChosen(); });
        }
    });
    connect(simpleChaptersButton_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Guarded([this] { onSimpleChaptersChosen(); });
        }
    });
    // Only the user's toggles reach the handler; the program's own check
    // changes (adding items, check all, uncheck all) pass silently.
    connect(itemList_, &QListWidget::itemChanged, this, [this](QListWidgetItem*) {
        if (!settingChecks_) {
            Guarded([this] { onItemCheckToggled(); });
        }
    });
}
