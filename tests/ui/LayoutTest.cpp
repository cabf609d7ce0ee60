// The main window's layout, the about windows and the new-format dialog.
#include <QAction>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include <filesystem>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/ProgramFolder.h"
#include "tests/ui/WindowFixture.h"
#include "ui/AboutWindows.h"
#include "ui/FileFilter.h"

namespace fs = std::filesystem;

namespace {

class LayoutTest : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        PlaceToolStandIns();
    }

    // Every text the user reads on the two windows fits its control.
    void ExpectNothingClipped(const char* language) {
        SCOPED_TRACE(language);
        for (QWidget* window :
             {static_cast<QWidget*>(mainWindow), static_cast<QWidget*>(newFormatDialog)}) {
            for (QLabel* label : window->findChildren<QLabel*>()) {
                const std::string name = label->objectName().toStdString();
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                    << name;
                EXPECT_LE(label->geometry().right(), label->parentWidget()->width()) << name;
            }
        }
        for (QPushButton* button : mainWindow->findChildren<QPushButton*>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.rect = button->rect();
            const QRect contents =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            int need = button->fontMetrics().horizontalAdvance(button->text());
            if (!button->icon().isNull()) {
                need += button->iconSize().width() + 4;
            }
            EXPECT_LE(need, contents.width()) << button->objectName().toStdString();
        }
        for (QRadioButton* radio : mainWindow->findChildren<QRadioButton*>()) {
            const int indicator =
                radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio) +
                radio->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, radio);
            EXPECT_LE(indicator + radio->fontMetrics().horizontalAdvance(radio->text()),
                      radio->width())
                << radio->objectName().toStdString();
            EXPECT_LE(radio->geometry().right(), radio->parentWidget()->width());
        }
        for (QGroupBox* group : mainWindow->findChildren<QGroupBox*>()) {
            EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()) + 16, group->width())
                << group->objectName().toStdString();
        }
        auto* tabs = Find<QTabWidget>("Pest");
        for (int i = 0; i < tabs->count(); ++i) {
            EXPECT_LE(tabs->tabBar()->fontMetrics().horizontalAdvance(tabs->tabText(i)),
                      tabs->tabBar()->tabRect(i).width());
        }
        // The extension box stands right of its label.
        auto* label3 = newFormatDialog->findChild<QLabel*>(QStringLiteral("Label3"));
        auto* box = newFormatDialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        EXPECT_LT(label3->geometry().right(), box->x());
    }
};

}  // namespace

// A window of fixed size, centred; the source is chosen, never typed; the
// command lines are read-only and in a face whose columns line up; no text is
// clipped in the design texts or either language.
TEST_F(LayoutTest, FixedCentredWindowWithReadOnlyFieldsAndNothingClippedInEitherLanguage) {
    WriteSettings("");
    Show();
    EXPECT_EQ(mainWindow->minimumSize(), mainWindow->maximumSize());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(mainWindow->pos(),
              QPoint(std::max(0, (screen.width() - mainWindow->frameGeometry().width()) / 2),
                     std::max(0, (screen.height() - mainWindow->frameGeometry().height()) / 2)));
    EXPECT_TRUE(Find<QLineEdit>("Edit1")->isReadOnly());
    EXPECT_FALSE(Find<QLineEdit>("Edit2")->isReadOnly());
    for (const char* name : {"LineaComandos", "LineaComandosAtt", "LineaComandosChapter"}) {
        auto* box = Find<QTextEdit>(name);
        EXPECT_TRUE(QFontInfo(box->font()).fixedPitch()) << name;
        EXPECT_TRUE(box->isReadOnly()) << name;
    }
    ExpectNothingClipped("design");
    Find<QAction>("Espaol1")->trigger();
    newFormatDialog->findChild<QLabel*>(QStringLiteral("Label1"))->setText(QString());
    newFormatDialog->SetQuestion(
        QStringLiteral("(V_MPEGH/ISO/HEVC) Formato desconocido para Torvane, por favor:"));
    ExpectNothingClipped("Spanish");
    Find<QAction>("Ingls1")->trigger();
    ExpectNothingClipped("English");
}

TEST_F(LayoutTest, ManyItemsContinueInColumnsToTheRight) {
    WriteSettings("English\r\n");
    Show();
    auto* list = Find<QListWidget>("CheckListBox1");
    for (int i = 0; i < 60; ++i) {
        auto* item = new QListWidgetItem(QStringLiteral("Track ID %1: audio (A_AC3)").arg(i), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    QApplication::processEvents();
    EXPECT_EQ(list->verticalScrollBar()->maximum(), 0);
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
    // Item 0 is in the first column; an item past the box's height is to its right.
    const QRect first = list->visualItemRect(list->item(0));
    const QRect later = list->visualItemRect(list->item(30));
    EXPECT_GT(later.left(), first.left());
    EXPECT_GE(first.width(), list->viewport()->width() - 4);
}

namespace {

// The about texts as the user reads them, line by line; "-" stands for a
// rule of 64 dashes. The English text names the project's version, the
// Spanish one a version of its own. A line wider than the source is two
// literals joined, and the English heading joins the version to its name:
// deliberate, not a lost comma.
// NOLINTBEGIN(bugprone-suspicious-missing-comma)
const std::vector<const char*> kSpanishAbout = {
    "",
    "Torvane 1.5.1.1",
    "",
    "-",
    "",
    "Torvane: ventana para las herramientas ostrem y quarvel.",
    "Programa y herramientas: el equipo de Torvane.",
    "Construido con Qt, FFmpeg y zlib.",
    "",
    "-",
    "IMPORTANTE",
    "",
    "quarvel.exe y ostrem.exe deben hallarse en la misma ",
    "carpeta que Torvane.exe.",
    "",
    "-",
    "USO",
    "",
    "Torvane facilita la extracción de vídeo, audio, subtítulos, attachments y tags",
    "",
    "El listado de capítulos puede ser extraído en formato .xml (matroska) o texto simple .txt "
    "(como el formato para OGM).",
    "",
    "Elige tu fichero matroska (.mkv, .mka, .mks) y la carpeta de salida, selecciona los "
    "archivos que quieras y pulsa \"Extraer\".",
    "",
    "-",
    "AGRADECIMIENTOS",
    "",
    "A quienes escribieron los estándares abiertos de EBML y Matroska.",
    "",
    "A quienes prueban Torvane y nos cuentan lo que falla.",
    "",
    "-",
    "Documentación de Torvane: README, en el menú Ayuda",
    "Web del formato Matroska: https://www.matroska.org/",
    "",
    "OTRAS WEBS:",
    "    https://www.rfc-editor.org/rfc/rfc9559",
    "    https://www.rfc-editor.org/rfc/rfc8794",
    "    https://www.qt.io/",
    "    https://ffmpeg.org/",
    "",
    "",
    "        El equipo de Torvane, diciembre de 2026",
};

const std::vector<const char*> kEnglishAbout = {
    "",
    "Torvane " TORVANE_VERSION,
    "",
    "-",
    "",
    "Torvane: a window for the ostrem and quarvel tools.",
    "Program and tools: the Torvane team.",
    "Built with Qt, FFmpeg and zlib.",
    "",
    "-",
    "WARNING",
    "",
    "quarvel.exe and ostrem.exe must be located at the ",
    "same folder of Torvane.exe.",
    "",
    "-",
    "USAGE",
    "",
    "Torvane provide the video, audio, subtitles, ",
    "attachments, chapters division and tags demuxing.",
    "",
    "Chapters list can be demuxed in .xml (matroska) format or .txt ",
    "simple text (like OGM format).",
    "",
    "Select a Matroska file (.mkv, .mka, .mks) and a ouput folder, ",
    "check the desired tracks, etc and press \"Extract\".",
    "-",
    "ACKNOWLEDGMENTS",
    "",
    "To the authors of the open EBML and Matroska standards.",
    "",
    "To everyone who tries Torvane and tells us",
    "what goes wrong.",
    "",
    "-",
    "Torvane's documentation: README, in the Help menu",
    "Matroska format's web: https://www.matroska.org/",
    "",
    "OTHER WEBS:",
    "    https://www.rfc-editor.org/rfc/rfc9559",
    "    https://www.rfc-editor.org/rfc/rfc8794",
    "    https://www.qt.io/",
    "    https://ffmpeg.org/",
    "",
    "",
    "        The Torvane team, December 2026",
};
// NOLINTEND(bugprone-suspicious-missing-comma)

QString AboutText(const std::vector<const char*>& lines) {
    QStringList text;
    for (const char* line : lines) {
        text << (std::string_view(line) == "-" ? QString(64, QLatin1Char('-'))
                                               : QString::fromUtf8(line));
    }
    return text.join(QLatin1Char('\n'));
}

}  // namespace

TEST_F(LayoutTest, AboutWindowsShowTheirTexts) {
    SpanishAboutWindow spanish;
    EnglishAboutWindow english;
    const std::vector<std::tuple<QDialog*, const char*, QString>> aboutWindows = {
        {&spanish, "Acerca de...", AboutText(kSpanishAbout)},
        {&english, "About...", AboutText(kEnglishAbout)},
    };
    for (const auto& [window, caption, text] : aboutWindows) {
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(caption));
        auto* memo = window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        ASSERT_NE(memo, nullptr);
        EXPECT_TRUE(memo->isReadOnly());
        EXPECT_EQ(memo->toPlainText(), text);
    }
}

// At every showing the dialog is centred and its box empty; Escape does not
// close it, nor does an answer the table cannot keep (each refused with its
// reason), by OK or by the title bar; Enter on OK with a good answer does.
TEST_F(LayoutTest, NewFormatDialogClosesOnlyOnAnAnswerTheTableKeeps) {
    WriteSettings("English\r\n");
    Show();
    auto* box = newFormatDialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* ok = newFormatDialog->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    EXPECT_TRUE(ok->isDefault());
    const std::vector<std::pair<const char*, const char16_t*>> refused = {
        {"", u"Por favor, escribe una extensión en el recuadro."},
        {"abcdefg", u"The extension can have six characters at most."},
        {"a b", u"The extension cannot contain blanks."},
        {"a(b", u"The extension cannot contain \"(\"."},
        {"ext", u"\"ext\" cannot be an extension: Torvane would ask again every time."},
    };
    for (const QString& answer : {QStringLiteral("dts"), QStringLiteral("abcdef")}) {
        box->setText(QStringLiteral("leftover"));
        newFormatDialog->move(0, 0);
        dialogs.boxes.clear();
        QString seen;
        QPoint at;
        bool openAfterEscape = false;
        std::vector<bool> openAfterRefusal;
        std::vector<bool> openAfterClose;
        QTimer::singleShot(0, newFormatDialog, [&] {
            seen = box->text();
            at = newFormatDialog->pos();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &escape);
            openAfterEscape = newFormatDialog->isVisible();
            for (const auto& [typed, reason] : refused) {
                box->setText(QString::fromUtf8(typed));
                ok->click();
                openAfterRefusal.push_back(newFormatDialog->isVisible());
            }
            // The title bar's close button; an empty box would decline.
            for (std::size_t k = 1; k < refused.size(); ++k) {
                box->setText(QString::fromUtf8(refused[k].first));
                newFormatDialog->close();
                openAfterClose.push_back(newFormatDialog->isVisible());
            }
            box->setText(answer);
            ok->setFocus();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(ok, &enter);
        });
        newFormatDialog->exec();

        EXPECT_EQ(seen, QString());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(at.x(),
                  std::max(0, (screen.width() - newFormatDialog->frameGeometry().width()) / 2));
        EXPECT_EQ(at.y(),
                  std::max(0, (screen.height() - newFormatDialog->frameGeometry().height()) / 2));
        EXPECT_TRUE(openAfterEscape);
        EXPECT_EQ(openAfterRefusal, std::vector<bool>(refused.size(), true));
        EXPECT_EQ(openAfterClose, std::vector<bool>(refused.size() - 1, true));
        EXPECT_FALSE(newFormatDialog->isVisible());
        EXPECT_EQ(newFormatDialog->Extension(), answer);
        ASSERT_EQ(dialogs.boxes.size(), 2 * refused.size() - 1);
        for (std::size_t k = 0; k < dialogs.boxes.size(); ++k) {
            const std::size_t row = k < refused.size() ? k : k - refused.size() + 1;
            EXPECT_EQ(dialogs.boxes[k].caption, QStringLiteral("Torvane"));
            EXPECT_EQ(dialogs.boxes[k].text, QString::fromUtf16(refused[row].second));
        }
    }
}

TEST_F(LayoutTest, EnterPressesTheFocusedButtonElseExtractWhenEnabled) {
    fs::remove(programFolder + torvane::ToolFileName(torvane::kIdentifyToolName));
    fs::remove(programFolder + torvane::ToolFileName(torvane::kExtractToolName));
    ASSERT_NO_FATAL_FAILURE(InstallTools());
    WriteSettings("English\r\n");
    Show();
    auto* extract = Find<QPushButton>("BitBtn1");
    int presses = 0;
    QObject::connect(extract, &QPushButton::clicked, [&presses] { ++presses; });
    auto pressEnter = [this](const char* name) {
        auto* target = Find<QWidget>(name);
        target->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    };
    pressEnter("Edit2");
    EXPECT_EQ(presses, 0);

    // Each button: the source and folder choosers, check all, uncheck all.
    dialogs.files.push_back(QString::fromStdString(Fixture("full.mkv")));
    pressEnter("Button1");
    pressEnter("Button4");
    EXPECT_EQ(dialogs.openCount + dialogs.folderCount, 2);
    pressEnter("Button2");
    EXPECT_TRUE(extract->isEnabled());
    pressEnter("Button3");
    EXPECT_FALSE(extract->isEnabled());
    EXPECT_EQ(presses, 0);
    auto* list = Find<QListWidget>("CheckListBox1");

    // With something checked (only the tags, so that no tool runs), the
    // fields and the list press Extract, and so does Extract itself.
    list->item(list->count() - 1)->setCheckState(Qt::Checked);
    ASSERT_TRUE(extract->isEnabled());
    for (const char* name : {"Edit1", "Edit2", "CheckListBox1", "BitBtn1"}) {
        pressEnter(name);
    }
    EXPECT_EQ(presses, 4);
}

TEST(FileFilter, TheSourceFilterBecomesQtPatternsSeparatedByBlanks) {
    EXPECT_EQ(
        QtNameFilter(QStringLiteral("Archivos Matroska (*.mkv; *.mka; *.mks)|*.mkv; *.mka; *.mks")),
        QStringLiteral("Archivos Matroska (*.mkv *.mka *.mks)"));
    EXPECT_EQ(QtNameFilter(QStringLiteral("Text|*.txt|All|*")),
              QStringLiteral("Text (*.txt);;All (*)"));
}
