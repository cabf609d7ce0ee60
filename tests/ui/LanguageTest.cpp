// Switching the interface language from the menu.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <filesystem>

#include "platform/ProgramFolder.h"
#include "tests/ui/WindowFixture.h"
#include "ui/Languages.h"
#include "ui/Messages.h"

namespace fs = std::filesystem;

namespace {

class LanguageTest : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        PlaceToolStandIns();
    }
    void Choose(const char* item) { Find<QAction>(item)->trigger(); }
    QString Text(const TLanguageRow& row) {
        QWidget& window = std::string(row.window) == "Form1"
                              ? static_cast<QWidget&>(*mainWindow)
                              : static_cast<QWidget&>(*newFormatDialog);
        QObject* component = FindComponent(window, row.component);
        EXPECT_NE(component, nullptr) << row.window << "." << row.component;
        return component == nullptr ? QString() : ComponentText(*component, row.property);
    }
};

}  // namespace

TEST_F(LanguageTest, EveryRowOfTheTableReachesItsComponentInBothLanguages) {
    WriteSettings("English\r\n");
    Show();
    for (const TLanguageRow& row : kLanguageTable) {
        EXPECT_EQ(Text(row), QString::fromUtf16(row.english)) << row.component;
    }
    // What the user reads: a tab's text, a tooltip, a label of the
    // new-format dialog.
    auto* pest = Find<QTabWidget>("Pest");
    EXPECT_EQ(pest->tabText(1), QStringLiteral("Chapters"));
    EXPECT_EQ(Find<QWidget>("Button2")->toolTip(), QStringLiteral("Check all files"));
    EXPECT_EQ(newFormatDialog->findChild<QLabel*>(QStringLiteral("Label3"))->text(),
              QStringLiteral("Ouput extension (WITHOUT the dot)"));
    Choose("Espaol1");
    for (const TLanguageRow& row : kLanguageTable) {
        EXPECT_EQ(Text(row), QString::fromUtf16(row.spanish)) << row.component;
    }
    EXPECT_EQ(pest->tabText(1), QStringLiteral("Capítulos"));
}

TEST_F(LanguageTest, TheProgramsOwnTextsFollowTheLanguageLastApplied) {
    WriteSettings("English\r\n");
    Show();
    EXPECT_EQ(Message(UserText::UnknownError), QStringLiteral("Unknown error"));
    Choose("Espaol1");
    EXPECT_EQ(Message(UserText::UnknownError), QStringLiteral("Error desconocido"));
    // A new window shows the design texts, which are Spanish.
    Choose("Ingls1");
    CloseWindows();
    MakeWindows();
    EXPECT_EQ(Message(UserText::UnknownError), QStringLiteral("Error desconocido"));
}

// Qt's own texts, which the window's boxes and choosers show, follow too.
TEST_F(LanguageTest, QtsOwnTextsFollowTheLanguage) {
    WriteSettings("English\r\n");
    Show();
    const auto buttons = [] {
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        return box.button(QMessageBox::Ok)->text() + QLatin1Char('|') +
               box.button(QMessageBox::Cancel)->text();
    };
    const auto lookIn = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
    EXPECT_EQ(buttons(), QStringLiteral("OK|Cancel"));
    Choose("Espaol1");
    EXPECT_EQ(buttons(), QStringLiteral("Aceptar|Cancelar"));
    EXPECT_EQ(lookIn(), QStringLiteral("Ver en:"));
    Choose("Espaol1");
    Choose("Ingls1");
    EXPECT_EQ(buttons(), QStringLiteral("OK|Cancel"));
    EXPECT_EQ(lookIn(), QStringLiteral("Look in:"));
}

// The choice is written to the settings file; one that cannot be written
// changes no text.
TEST_F(LanguageTest, TheChosenLanguageIsWrittenToTheSettingsFileFirst) {
    WriteSettings("Castellano\r\n");
    Show();
    Choose("Ingls1");
    EXPECT_EQ(ReadFile(SettingsPath()), "English\r\n");
    Choose("Espaol1");
    EXPECT_EQ(ReadFile(SettingsPath()), "Castellano\r\n");
    Choose("Espaol1");
    EXPECT_EQ(ReadFile(SettingsPath()), "Castellano\r\n");
    EXPECT_TRUE(dialogs.boxes.empty());

    const QString spanishLabel = Find<QLabel>("Label7")->text();
    fs::remove(SettingsPath());
    fs::create_directories(SettingsPath() + "/inside");
    Choose("Ingls1");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Torvane"));
    EXPECT_EQ(Find<QLabel>("Label7")->text(), spanishLabel);
    fs::remove_all(SettingsPath());
}

TEST_F(LanguageTest, AboutPicksTheWindowOfTheLanguageAndInfoIsTheSameForBoth) {
    WriteSettings("English\r\n");
    Show();
    Find<QAction>("Acercade3")->trigger();
    Choose("Espaol1");
    Find<QAction>("Acercade3")->trigger();
    EXPECT_EQ(dialogs.aboutShown,
              (std::vector<QString>{QStringLiteral("Form4"), QStringLiteral("Form3")}));

    fs::remove(SettingsPath());
    Find<QAction>("Acercade3")->trigger();
    EXPECT_EQ(dialogs.aboutShown.size(), 2u);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("File not found."));

    Find<QAction>("Acercade2")->trigger();
    EXPECT_EQ(dialogs.infoShown, std::vector<QString>{QStringLiteral("Torvane 1.5.1.1")});
    // The program's page is the guide in the interface language, as the build
    // makes it beside the program folder (the install test sees the installed
    // one); on Windows, in it.
    const std::string pages = torvane::kPathSeparator == '/'
                                  ? root.path().toStdString() + "/share/doc/torvane/"
                                  : programFolder;
    fs::create_directories(pages);
    for (const char* page : {"README.html", "README.es.html"}) {
        WriteFile(pages + page, "<html></html>");
    }
    Find<QAction>("wwwsite1")->trigger();
    Choose("Ingls1");
    Find<QAction>("wwwsite1")->trigger();
    Find<QAction>("wwwformat1")->trigger();
    const auto address = [&](const char* page) {
        return QUrl::fromLocalFile(QString::fromStdString(pages + page)).toString();
    };
    EXPECT_EQ(dialogs.urlsOpened,
              (std::vector<QString>{address("README.es.html"), address("README.html"),
                                    QStringLiteral("https://www.matroska.org/")}));
}
