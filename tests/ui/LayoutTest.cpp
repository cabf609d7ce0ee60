// The main window's layout, the about windows and the new-format dialog.
#include <QAction>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
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

#include "tests/ui/WindowFixture.h"
#include "ui/AboutWindows.h"
#include "ui/FileFilter.h"

namespace fs = std::filesystem;

namespace {

class LayoutTest : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        WriteFile(programFolder + "ostrem", "");
        WriteFile(programFolder + "quarvel", "");
    }

    // Every text the user reads on the two windows fits its control.
    void ExpectNothingClipped(const char* language) {
        SCOPED_TRACE(language);
        for (QLabel* label : form1->findChildren<QLabel*>()) {
            const int need = label->fontMetrics().horizontalAdvance(label->text());
            EXPECT_LE(need, label->width()) << label->objectName().toStdString();
            EXPECT_LE(label->geometry().right(), label->parentWidget()->width())
                << label->objectName().toStdString();
        }
        for (QPushButton* button : form1->findChildren<QPushButton*>()) {
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
        for (QRadioButton* radio : form1->findChildren<QRadioButton*>()) {
            const int indicator =
                radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio) +
                radio->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, radio);
            EXPECT_LE(indicator + radio->fontMetrics().horizontalAdvance(radio->text()),
                      radio->width())
                << radio->objectName().toStdString();
            EXPECT_LE(radio->geometry().right(), radio->parentWidget()->width());
        }
        for (QGroupBox* group : form1->findChildren<QGroupBox*>()) {
            EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()) + 16, group->width())
                << group->objectName().toStdString();
        }
        auto* tabs = Find<QTabWidget>("Pest");
        for (int i = 0; i < tabs->count(); ++i) {
            EXPECT_LE(tabs->tabBar()->fontMetrics().horizontalAdvance(tabs->tabText(i)),
                      tabs->tabBar()->tabRect(i).width());
        }
        for (QLabel* label : form2->findChildren<QLabel*>()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << "Form2 " << label->objectName().toStdString();
            EXPECT_LE(label->geometry().right(), form2->width())
                << "Form2 " << label->objectName().toStdString();
        }
        // The extension box stands right of its label.
        auto* label3 = form2->findChild<QLabel*>(QStringLiteral("Label3"));
        auto* box = form2->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        EXPECT_LT(label3->geometry().right(), box->x());
    }
};

QRect Place(QWidget* widget) {
    return widget->geometry();
}

}  // namespace

TEST_F(LayoutTest, ControlsStandAtTheirPlacesWithTheirSizes) {
    WriteSettings("English\r\n");
    Show();
    EXPECT_EQ(form1->centralWidget()->size(), QSize(656, 449));
    EXPECT_EQ(form1->minimumSize(), form1->maximumSize());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form1->pos(),
              QPoint(std::max(0, (screen.width() - form1->frameGeometry().width()) / 2),
                     std::max(0, (screen.height() - form1->frameGeometry().height()) / 2)));
    EXPECT_EQ(Place(Find<QWidget>("Pest")), QRect(8, 4, 641, 437));
    const std::vector<std::pair<const char*, QRect>> places = {
        {"Edit1", {16, 24, 481, 21}},           {"Button1", {520, 22, 97, 25}},
        {"Edit2", {16, 72, 481, 21}},           {"Button4", {520, 70, 97, 25}},
        {"CheckListBox1", {16, 120, 481, 177}}, {"Button2", {520, 136, 97, 33}},
        {"Button3", {520, 192, 97, 33}},        {"BitBtn1", {520, 248, 97, 33}},
        {"LineaComandos", {16, 320, 289, 81}},  {"LineaComandosAtt", {320, 320, 297, 81}},
        {"ChaptersMemo", {16, 24, 601, 257}},   {"LineaComandosChapter", {16, 312, 337, 89}},
        {"GroupBox3", {376, 312, 233, 89}},     {"RadioButton1", {24, 24, 73, 17}},
        {"RadioButton2", {24, 56, 169, 17}},
    };
    for (const auto& [name, rect] : places) {
        EXPECT_EQ(Place(Find<QWidget>(name)), rect) << name;
    }
    for (const auto& [name, at] :
         std::vector<std::pair<const char*, QPoint>>{{"Label2", {16, 8}},
                                                     {"Label7", {16, 56}},
                                                     {"Label3", {16, 104}},
                                                     {"Label1", {16, 304}},
                                                     {"Label8", {328, 304}},
                                                     {"Label11", {16, 8}},
                                                     {"Label10", {16, 288}}}) {
        EXPECT_EQ(Find<QWidget>(name)->pos(), at) << name;
    }
    for (const char* hidden : {"AMemo", "TagsMemo", "FormatsMemo"}) {
        EXPECT_TRUE(Find<QWidget>(hidden)->isHidden()) << hidden;
    }
    EXPECT_FALSE(Find<QWidget>("AMemo")->isEnabled());
    EXPECT_FALSE(Find<QWidget>("FormatsMemo")->isEnabled());
    EXPECT_TRUE(Find<QWidget>("TagsMemo")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("Edit1")->isReadOnly());
    EXPECT_FALSE(Find<QLineEdit>("Edit2")->isReadOnly());
    EXPECT_TRUE(Find<QRadioButton>("RadioButton1")->isChecked());
}

TEST_F(LayoutTest, ExtractButtonIsBoldDefaultDisabledAndCarriesTheOkGlyph) {
    WriteSettings("English\r\n");
    Show();
    auto* button = Find<QPushButton>("BitBtn1");
    EXPECT_TRUE(button->font().bold());
    EXPECT_TRUE(button->isDefault());
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_FALSE(Find<QPushButton>("Button1")->font().bold());
}

TEST_F(LayoutTest, CommandLineBoxesUseAMonospaceFaceAndTheRestASansFace) {
    WriteSettings("English\r\n");
    Show();
    for (const char* name : {"LineaComandos", "LineaComandosAtt", "LineaComandosChapter"}) {
        auto* box = Find<QTextEdit>(name);
        EXPECT_TRUE(QFontInfo(box->font()).fixedPitch()) << name;
        EXPECT_TRUE(box->isReadOnly()) << name;
    }
    EXPECT_FALSE(QFontInfo(Find<QWidget>("Label1")->font()).fixedPitch());
    EXPECT_EQ(form1->font().pixelSize(), 11);
}

TEST_F(LayoutTest, TabOrderFollowsTheDesign) {
    WriteSettings("English\r\n");
    Show();
    const std::vector<QString> expected = {
        "Button1", "CheckListBox1",    "Edit1",   "LineaComandos", "Button4",
        "Edit2",   "LineaComandosAtt", "Button2", "Button3",       "BitBtn1"};
    std::vector<QString> chain;
    QWidget* w = Find<QWidget>("Button1");
    for (int guard = 0; guard < 200 && chain.size() < expected.size(); ++guard) {
        const QString name = w->objectName();
        if (std::find(expected.begin(), expected.end(), name) != expected.end()) {
            chain.push_back(name);
        }
        w = w->nextInFocusChain();
    }
    EXPECT_EQ(chain, expected);
}

TEST_F(LayoutTest, NoTextIsClippedInEitherLanguage) {
    WriteSettings("");
    Show();
    ExpectNothingClipped("design");
    Find<QAction>("Espaol1")->trigger();
    form2->findChild<QLabel*>(QStringLiteral("Label1"))->setText(QString());
    form2->SetLabel1Text(
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

TEST_F(LayoutTest, MenuHoldsItsItemsAndExitCarriesAltF4) {
    WriteSettings("");
    Show();
    auto* help = Find<QMenu>("Acercade1");
    QStringList names;
    for (QAction* action : help->actions()) {
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    }
    EXPECT_EQ(names, (QStringList{"Acercade2", "wwwsite1", "wwwformat1", "-", "Acercade3"}));
    EXPECT_EQ(Find<QAction>("Salir1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
    EXPECT_FALSE(Find<QAction>("Espaol1")->isCheckable());
}

TEST_F(LayoutTest, AboutTextsKeepTheirFixedLines) {
    const QStringList es = TForm3::AboutLines();
    const QStringList en = TForm4::AboutLines();
    ASSERT_EQ(es.size(), 43);
    ASSERT_EQ(en.size(), 46);
    EXPECT_EQ(es[1], QStringLiteral("Torvane 1.5.1.1"));
    EXPECT_EQ(en[1], QStringLiteral("Torvane 1.5.2"));
    for (int line : {4, 10, 16, 25, 32}) {
        EXPECT_EQ(es[line - 1], AboutRule()) << line;
    }
    for (int line : {4, 10, 16, 27, 35}) {
        EXPECT_EQ(en[line - 1], AboutRule()) << line;
    }
    EXPECT_EQ(AboutRule().size(), 64);
    EXPECT_EQ(es[12], QStringLiteral("quarvel.exe y ostrem.exe deben hallarse en la misma "));
    EXPECT_EQ(es[22], QStringLiteral("Elige tu fichero matroska (.mkv, .mka, .mks) y la carpeta de "
                                     "salida, selecciona los archivos que quieras y pulsa "
                                     "\"Extraer\"."));
    EXPECT_EQ(es[35], QStringLiteral("OTRAS WEBS:"));
    EXPECT_EQ(en[12], QStringLiteral("quarvel.exe and ostrem.exe must be located at the "));
    EXPECT_EQ(en[24],
              QStringLiteral("Select a Matroska file (.mkv, .mka, .mks) and a ouput folder, "));
    EXPECT_EQ(en[25], QStringLiteral("check the desired tracks, etc and press \"Extract\"."));
    EXPECT_EQ(en[27], QStringLiteral("ACKNOWLEDGMENTS"));
    EXPECT_EQ(en[38], QStringLiteral("OTHER WEBS:"));

    TForm3 form;
    auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->toPlainText(), es.join(QLatin1Char('\n')));
    EXPECT_EQ(form.size(), QSize(337, 158));
}

TEST_F(LayoutTest, NewFormatDialogIsCentredAndEmptiedAtEveryShowing) {
    WriteSettings("");
    Show();
    auto* box = form2->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* ok = form2->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    // The box keeps its design place unless its label's text reaches it.
    EXPECT_EQ(box->size(), QSize(57, 21));
    EXPECT_EQ(box->y(), 69);
    EXPECT_EQ(
        box->x(),
        std::max(192, form2->findChild<QLabel*>(QStringLiteral("Label3"))->geometry().right() + 6));
    EXPECT_EQ(ok->geometry(), QRect(304, 64, 113, 33));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));

    for (int showing = 0; showing < 2; ++showing) {
        box->setText(QStringLiteral("leftover"));
        form2->move(0, 0);
        QString seen;
        QPoint at;
        QTimer::singleShot(0, form2, [&] {
            seen = box->text();
            at = form2->pos();
            // OK on the empty box: the message, and the dialog stays open.
            ok->click();
            EXPECT_TRUE(form2->isVisible());
            box->setText(QStringLiteral("abc"));
            ok->click();
        });
        form2->exec();
        EXPECT_EQ(seen, QString());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(at.x(), std::max(0, (screen.width() - form2->frameGeometry().width()) / 2));
        EXPECT_EQ(at.y(), std::max(0, (screen.height() - form2->frameGeometry().height()) / 2));
        EXPECT_EQ(form2->Extension(), QStringLiteral("abc"));
    }
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Torvane"));
    EXPECT_EQ(dialogs.boxes[0].text,
              QStringLiteral("Por favor, escribe una extensión en el recuadro."));
    EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::None);
}

TEST_F(LayoutTest, NewFormatDialogClosesOnlyOnAnAnswerTheTableKeeps) {
    WriteSettings("English\r\n");
    Show();
    auto* box = form2->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* ok = form2->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    struct Row {
        const char* answer;
        const char16_t* english;
        const char16_t* spanish;
    };
    const std::vector<Row> rows = {
        {"", u"Por favor, escribe una extensión en el recuadro.",
         u"Por favor, escribe una extensión en el recuadro."},
        {"abcdefg", u"The extension can have six characters at most.",
         u"La extensión puede tener seis caracteres como máximo."},
        {"a b", u"The extension cannot contain blanks.",
         u"La extensión no puede contener espacios."},
        {"a(b", u"The extension cannot contain \"(\".", u"La extensión no puede contener \"(\"."},
        {"ext", u"\"ext\" cannot be an extension: Torvane would ask again every time.",
         u"\"ext\" no puede ser una extensión: Torvane volvería a preguntar cada vez."},
    };
    for (const bool spanish : {false, true}) {
        SCOPED_TRACE(spanish ? "es" : "en");
        Find<QAction>(spanish ? "Espaol1" : "Ingls1")->trigger();
        dialogs.boxes.clear();
        bool openAfterEscape = false;
        std::vector<bool> openAfterRefusal;
        QTimer::singleShot(0, form2, [&] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &escape);
            openAfterEscape = form2->isVisible();
            for (const Row& row : rows) {
                box->setText(QString::fromUtf8(row.answer));
                ok->click();
                openAfterRefusal.push_back(form2->isVisible());
            }
            // Enter on the focused OK button with an answer the table keeps.
            box->setText(QStringLiteral("dts"));
            ok->setFocus();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(ok, &enter);
        });
        form2->exec();

        EXPECT_TRUE(openAfterEscape);
        EXPECT_EQ(openAfterRefusal, std::vector<bool>(rows.size(), true));
        EXPECT_FALSE(form2->isVisible());
        EXPECT_EQ(form2->Extension(), QStringLiteral("dts"));
        ASSERT_EQ(dialogs.boxes.size(), rows.size());
        for (std::size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(dialogs.boxes[k].caption, QStringLiteral("Torvane"));
            EXPECT_EQ(dialogs.boxes[k].text,
                      QString::fromUtf16(spanish ? rows[k].spanish : rows[k].english));
        }
    }
}

TEST_F(LayoutTest, EnterPressesTheFocusedButtonElseExtractWhenEnabled) {
    fs::remove(programFolder + "ostrem");
    fs::remove(programFolder + "quarvel");
    if (!InstallTools()) {
        GTEST_SKIP() << "ostrem and quarvel are not built";
    }
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
    EXPECT_EQ(dialogs.openCount, 1);
    pressEnter("Button4");
    EXPECT_EQ(dialogs.folderCount, 1);
    auto* list = Find<QListWidget>("CheckListBox1");
    ASSERT_GT(list->count(), 0);
    pressEnter("Button2");
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_TRUE(extract->isEnabled());
    pressEnter("Button3");
    EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(extract->isEnabled());
    EXPECT_EQ(presses, 0);

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
