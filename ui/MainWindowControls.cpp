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

void TForm1::BuildPages() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(656, 449);
    setCentralWidget(client);

    pest_ = new QTabWidget(client);
    pest_->setObjectName(QStringLiteral("Pest"));
    pest_->setGeometry(8, 4, 641, 437);
    tabSheet9_ = new QWidget;
    tabSheet9_->setObjectName(QStringLiteral("TabSheet9"));
    tabSheet10_ = new QWidget;
    tabSheet10_->setObjectName(QStringLiteral("TabSheet10"));
    pest_->addTab(tabSheet9_, QStringLiteral("General"));
    pest_->addTab(tabSheet10_, QStringLiteral("Capítulos"));

    BuildSourceAndFolderFields(*tabSheet9_);
    BuildItemList(*tabSheet9_);
    BuildSelectionButtons(*tabSheet9_);
    BuildCommandBoxes(*tabSheet9_);
    BuildHiddenMemos(*tabSheet9_);
    BuildChaptersPage(*tabSheet10_);
    for (QWidget* control :
         std::initializer_list<QWidget*>{button1_, button4_, button2_, button3_, bitBtn1_,
                                         groupBox3_, radioButton1_, radioButton2_}) {
        FitTextToWidth(*control);
    }
    SetKeyboardOrder();

    // Enter in the one-line fields and the list presses the Extract button.
    edit1_->installEventFilter(this);
    edit2_->installEventFilter(this);
    checkListBox1_->installEventFilter(this);
}

void TForm1::BuildSourceAndFolderFields(QWidget& page) {
    label2_ = MakeLabel(&page, "Label2", QStringLiteral("Archivo Matroska"), 16, 8);
    edit1_ = new QLineEdit(&page);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(16, 24, 481, 21);
    edit1_->setReadOnly(true);
    edit1_->setToolTip(QStringLiteral("Elige el archivo matroska a demultiplexar"));
    button1_ = MakeButton(&page, "Button1", QStringLiteral("Seleccionar"), {520, 22, 97, 25});

    label7_ =
        MakeLabel(&page, "Label7",
                  QStringLiteral("Directorio Salida (Los archivos serán extraídos aquí)"), 16, 56);
    edit2_ = new QLineEdit(&page);
    edit2_->setObjectName(QStringLiteral("Edit2"));
    edit2_->setGeometry(16, 72, 481, 21);
    edit2_->setToolTip(QStringLiteral("Elige la carpeta donde serán extraídos los archivos"));
    button4_ = MakeButton(&page, "Button4", QStringLiteral("Seleccionar"), {520, 70, 97, 25});
}

void TForm1::BuildItemList(QWidget& page) {
    label3_ = MakeLabel(&page, "Label3", QStringLiteral("Tracks / Attachments / Capítulos / Tags"),
                        16, 104);
    checkListBox1_ = new QListWidget(&page);
    checkListBox1_->setObjectName(QStringLiteral("CheckListBox1"));
    checkListBox1_->setGeometry(16, 120, 481, 177);
    checkListBox1_->setToolTip(
        QStringLiteral("Listado de cadenas de vídeo, audio, capítulos y tags extraíbles"));
    // One column as wide as the box; items that do not fit its height go on
    // in a further column to the right, reached by the horizontal bar.
    checkListBox1_->setViewMode(QListView::ListMode);
    checkListBox1_->setFlow(QListView::TopToBottom);
    checkListBox1_->setWrapping(true);
    checkListBox1_->setResizeMode(QListView::Adjust);
    checkListBox1_->setUniformItemSizes(true);
    checkListBox1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    checkListBox1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    checkListBox1_->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    checkListBox1_->setSelectionMode(QAbstractItemView::SingleSelection);
    const int frame = checkListBox1_->frameWidth() * 2;
    const int rowHeight = std::max(13, std::max(checkListBox1_->fontMetrics().height(),
                                                style()->pixelMetric(QStyle::PM_IndicatorHeight)) +
                                           2);
    checkListBox1_->setGridSize(QSize(481 - frame, rowHeight));
}

void TForm1::BuildSelectionButtons(QWidget& page) {
    button2_ = MakeButton(&page, "Button2", QStringLiteral("Marcar Todos"), {520, 136, 97, 33});
    button2_->setToolTip(QStringLiteral("Marca todos los archivos de la lista"));
    button3_ = MakeButton(&page, "Button3", QStringLiteral("Desmarcar Todos"), {520, 192, 97, 33});
    button3_->setToolTip(QStringLiteral("Desmarca todos los archivos de la lista"));
    bitBtn1_ = MakeButton(&page, "BitBtn1", QStringLiteral("Extraer"), {520, 248, 97, 33});
    QFont bold = font();
    bold.setBold(true);
    bitBtn1_->setFont(bold);
    bitBtn1_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    bitBtn1_->setEnabled(false);
    bitBtn1_->setDefault(true);
}

void TForm1::BuildCommandBoxes(QWidget& page) {
    label1_ = MakeLabel(&page, "Label1", QStringLiteral("Línea de Comandos (Tracks)"), 16, 304);
    lineaComandos_ = MakeCommandBox(&page, "LineaComandos", {16, 320, 289, 81});
    lineaComandos_->setToolTip(QStringLiteral("Línea de comandos para extraer los tracks"));
    label8_ =
        MakeLabel(&page, "Label8", QStringLiteral("Línea de Comandos (Attachments)"), 328, 304);
    lineaComandosAtt_ = MakeCommandBox(&page, "LineaComandosAtt", {320, 320, 297, 81});
    lineaComandosAtt_->setToolTip(QStringLiteral("Línea de comandos para extraer los attachments"));
}

void TForm1::BuildHiddenMemos(QWidget& page) {
    aMemo_ = MakeHiddenMemo(&page, "AMemo", {392, 40, 33, 25});
    aMemo_->setEnabled(false);
    tagsMemo_ = MakeHiddenMemo(&page, "TagsMemo", {440, 48, 33, 17});
    formatsMemo_ = MakeHiddenMemo(&page, "FormatsMemo", {336, 48, 41, 17});
    formatsMemo_->setEnabled(false);
}

void TForm1::BuildChaptersPage(QWidget& page) {
    label11_ = MakeLabel(&page, "Label11", QStringLiteral("Capítulos"), 16, 8);
    chaptersMemo_ = new QPlainTextEdit(&page);
    chaptersMemo_->setObjectName(QStringLiteral("ChaptersMemo"));
    chaptersMemo_->setGeometry(16, 24, 601, 257);
    chaptersMemo_->setReadOnly(true);
    chaptersMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    chaptersMemo_->setToolTip(QStringLiteral("Lista de capítulos"));
    label10_ =
        MakeLabel(&page, "Label10", QStringLiteral("Línea de comandos (Capítulos)"), 16, 288);
    lineaComandosChapter_ = MakeCommandBox(&page, "LineaComandosChapter", {16, 312, 337, 89});
    lineaComandosChapter_->setToolTip(
        QStringLiteral("Línea de comandos para extraer el listado de capítulos"));
    groupBox3_ = new QGroupBox(QStringLiteral("Formato de salida de capítulos."), &page);
    groupBox3_->setObjectName(QStringLiteral("GroupBox3"));
    groupBox3_->setGeometry(376, 312, 233, 89);
    radioButton1_ = new QRadioButton(QStringLiteral("XML (.xml)"), groupBox3_);
    radioButton1_->setObjectName(QStringLiteral("RadioButton1"));
    radioButton1_->setGeometry(24, 24, 73, 17);
    radioButton1_->setToolTip(QStringLiteral("Capítulos en formato .xml (Matroska)"));
    radioButton1_->setChecked(true);
    radioButton2_ = new QRadioButton(QStringLiteral("Formato OGG (.txt)"), groupBox3_);
    radioButton2_->setObjectName(QStringLiteral("RadioButton2"));
    radioButton2_->setGeometry(24, 56, 169, 17);
    radioButton2_->setToolTip(QStringLiteral("Capítulos en formato simple .txt (Ogg, etc)"));
}

// The keyboard order of the design.
void TForm1::SetKeyboardOrder() {
    setTabOrder(button1_, checkListBox1_);
    setTabOrder(checkListBox1_, edit1_);
    setTabOrder(edit1_, lineaComandos_);
    setTabOrder(lineaComandos_, button4_);
    setTabOrder(button4_, edit2_);
    setTabOrder(edit2_, lineaComandosAtt_);
    setTabOrder(lineaComandosAtt_, button2_);
    setTabOrder(button2_, button3_);
    setTabOrder(button3_, bitBtn1_);
    setTabOrder(chaptersMemo_, radioButton1_);
    setTabOrder(radioButton1_, radioButton2_);
    setTabOrder(radioButton2_, lineaComandosChapter_);
}

void TForm1::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setNativeMenuBar(false);

    archivo2_ = bar->addMenu(QStringLiteral("Archivo"));
    archivo2_->setObjectName(QStringLiteral("Archivo2"));
    varios1_ = new QAction(Message(TMessage::BatchMenuItem, TLanguage::Spanish), archivo2_);
    varios1_->setObjectName(QStringLiteral("Varios1"));
    archivo2_->addAction(varios1_);
    salir1_ = new QAction(QStringLiteral("Salir"), archivo2_);
    salir1_->setObjectName(QStringLiteral("Salir1"));
    salir1_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    salir1_->setShortcutContext(Qt::WindowShortcut);
    archivo2_->addAction(salir1_);

    archivo1_ = bar->addMenu(QStringLiteral("Opciones"));
    archivo1_->setObjectName(QStringLiteral("Archivo1"));
    lenguaje1_ = archivo1_->addMenu(QStringLiteral("Lenguaje"));
    lenguaje1_->setObjectName(QStringLiteral("Lenguaje1"));
    espaol1_ = new QAction(QStringLiteral("Español"), lenguaje1_);
    espaol1_->setObjectName(QStringLiteral("Espaol1"));
    lenguaje1_->addAction(espaol1_);
    ingls1_ = new QAction(QStringLiteral("Inglés"), lenguaje1_);
    ingls1_->setObjectName(QStringLiteral("Ingls1"));
    lenguaje1_->addAction(ingls1_);

    acercade1_ = bar->addMenu(QStringLiteral("Ayuda"));
    acercade1_->setObjectName(QStringLiteral("Acercade1"));
    acercade2_ = new QAction(QStringLiteral("Info"), acercade1_);
    acercade2_->setObjectName(QStringLiteral("Acercade2"));
    acercade1_->addAction(acercade2_);
    wwwsite1_ = new QAction(QString::fromLatin1(kProgramPageCaption), acercade1_);
    wwwsite1_->setObjectName(QStringLiteral("wwwsite1"));
    acercade1_->addAction(wwwsite1_);
    wwwformat1_ = new QAction(QString::fromLatin1(kFormatHost), acercade1_);
    wwwformat1_->setObjectName(QStringLiteral("wwwformat1"));
    acercade1_->addAction(wwwformat1_);
    QAction* n1 = acercade1_->addSeparator();
    n1->setObjectName(QStringLiteral("N1"));
    acercade3_ = new QAction(QStringLiteral("Acerca de..."), acercade1_);
    acercade3_->setObjectName(QStringLiteral("Acercade3"));
    acercade1_->addAction(acercade3_);
}

void TForm1::ConnectHandlers() {
    auto wire = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
    };
    wire(varios1_, &QAction::triggered, &TForm1::Varios1Click);
    wire(salir1_, &QAction::triggered, &TForm1::Salir1Click);
    wire(espaol1_, &QAction::triggered, &TForm1::Espaol1Click);
    wire(ingls1_, &QAction::triggered, &TForm1::Ingls1Click);
    wire(acercade2_, &QAction::triggered, &TForm1::Acercade2Click);
    wire(acercade3_, &QAction::triggered, &TForm1::Acercade3Click);
    wire(wwwsite1_, &QAction::triggered, &TForm1::wwwsite1Click);
    wire(wwwformat1_, &QAction::triggered, &TForm1::wwwformat1Click);
    wire(button1_, &QPushButton::clicked, &TForm1::Button1Click);
    wire(button2_, &QPushButton::clicked, &TForm1::Button2Click);
    wire(button3_, &QPushButton::clicked, &TForm1::Button3Click);
    wire(button4_, &QPushButton::clicked, &TForm1::Button4Click);
    wire(bitBtn1_, &QPushButton::clicked, &TForm1::BitBtn1Click);
    wire(edit2_, &QLineEdit::textChanged, &TForm1::Edit2Change);
    connect(radioButton1_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Guarded([this] { RadioButton1Click(); });
        }
    });
    connect(radioButton2_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Guarded([this] { RadioButton2Click(); });
        }
    });
    // Only the user's toggles reach the handler; the program's own check
    // changes (adding items, check all, uncheck all) pass silently.
    connect(checkListBox1_, &QListWidget::itemChanged, this, [this](QListWidgetItem*) {
        if (!settingChecks_) {
            Guarded([this] { CheckListBox1ClickCheck(); });
        }
    });
}
