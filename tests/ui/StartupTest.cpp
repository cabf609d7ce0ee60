// Start-up, the settings file, Exit and shutdown, driven through the real
// window with scripted dialogs.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <filesystem>

#include "tests/ui/WindowFixture.h"
#include "ui/Languages.h"

namespace fs = std::filesystem;

namespace {

const QString kSpanishWarningCaption = QStringLiteral("   ¡AVISO!");
const QString kSpanishWarning = QStringLiteral(
    "quarvel.exe y/o ostrem.exe no se encuentran en la misma carpeta que Torvane. "
    "Debes copiarlos y volver a empezar.");
const QString kEnglishWarningCaption = QStringLiteral("    WARNING!");
const QString kEnglishWarning = QStringLiteral(
    "quarvel.exe and/or ostrem.exe file has no been found in the same folder of "
    "Torvane. Copy then into this folder and try again.");

class StartupTest : public WindowFixture {
  protected:
    // Stand-ins for the tools: the presence test looks only for the files.
    void PlaceToolFiles(bool ostrem, bool quarvel) {
        if (ostrem) {
            WriteFile(programFolder + "ostrem", "");
        }
        if (quarvel) {
            WriteFile(programFolder + "quarvel", "");
        }
    }
    QString Label7() { return Find<QLabel>("Label7")->text(); }
    void TriggerExit() { Find<QAction>("Salir1")->trigger(); }
};

const QString kDesignLabel7 =
    QStringLiteral("Directorio Salida (Los archivos serán extraídos aquí)");

}  // namespace

TEST_F(StartupTest, EnglishWithBothToolsShowsNoBoxAndRewritesTheSameNineBytes) {
    PlaceToolFiles(true, true);
    WriteSettings("English\r\n");
    Show();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(Label7(), QStringLiteral("Select Ouput Folder"));
    EXPECT_EQ(ReadFile(SettingsPath()), "English\r\n");
    EXPECT_EQ(form2->windowTitle(), QStringLiteral("New Format Detected"));
}

TEST_F(StartupTest, CastellanoWithOnlyQuarvelWarnsOnceInSpanishThenLoadsAndApplies) {
    PlaceToolFiles(false, true);
    WriteFile(FormatsPath(), "(V_NUEVO) xyz\r\n");
    WriteSettings("Castellano\r\n");
    Show();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, kSpanishWarningCaption);
    EXPECT_EQ(dialogs.boxes[0].text, kSpanishWarning);
    EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::Warning);
    EXPECT_EQ(dialogs.boxes[0].buttons, TDialogs::Buttons::Ok);
    EXPECT_EQ(form1->Formats().Lines(), std::vector<std::string>{"(V_NUEVO) xyz"});
    EXPECT_EQ(Label7(), QStringLiteral("Directorio Salida"));
    EXPECT_EQ(ReadFile(SettingsPath()), "Castellano\r\n");
}

TEST_F(StartupTest, EnglishWithoutTheQuarvelToolWarnsInEnglish) {
    PlaceToolFiles(true, false);
    WriteSettings("English\r\n");
    Show();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, kEnglishWarningCaption);
    EXPECT_EQ(dialogs.boxes[0].text, kEnglishWarning);
}

TEST_F(StartupTest, ToolFoldersDoNotCountAsTools) {
    fs::create_directories(programFolder + "ostrem");
    fs::create_directories(programFolder + "quarvel");
    WriteSettings("English\r\n");
    Show();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, kEnglishWarningCaption);
}

TEST_F(StartupTest, UnrecognisedWordsKeepTheDesignTextsAndExitDoesNothing) {
    for (const char* content : {"english\r\n", "English \r\n", "Ingles"}) {
        SCOPED_TRACE(content);
        WriteSettings(content);
        MakeWindows();
        Show();
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_EQ(Label7(), kDesignLabel7);
        EXPECT_EQ(ReadFile(SettingsPath()), content);
        TriggerExit();
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_TRUE(form1->isVisible());
        // The About item shows nothing for such a word.
        Find<QAction>("Acercade3")->trigger();
        EXPECT_TRUE(dialogs.aboutShown.empty());
        CloseWindows();
    }
}

TEST_F(StartupTest, EmptySettingsFileIsAnUnrecognisedWordWithoutError) {
    WriteSettings("");
    Show();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(Label7(), kDesignLabel7);
    EXPECT_TRUE(form1->Formats().Loaded());
}

TEST_F(StartupTest, OnlyTheFirstLineCountsAndALoneLineFeedEndsIt) {
    PlaceToolFiles(true, true);
    WriteSettings("English\nCastellano\r\n");
    Show();
    EXPECT_EQ(Label7(), QStringLiteral("Select Ouput Folder"));
    EXPECT_EQ(ReadFile(SettingsPath()), "English\r\n");
}

TEST_F(StartupTest, MissingSettingsFileIsReportedAndTheTableIsStillLoaded) {
    WriteFile(FormatsPath(), "(A_X) x\r\n");
    Show();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Torvane"));
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("File not found."));
    EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::Critical);
    EXPECT_EQ(dialogs.boxes[0].buttons, TDialogs::Buttons::Ok);
    EXPECT_EQ(Label7(), kDesignLabel7);
    EXPECT_TRUE(form1->isVisible());

    // Closing must not replace the stored rows with an empty table.
    EXPECT_TRUE(form1->close());
    EXPECT_EQ(ReadFile(FormatsPath()), "(A_X) x\r\n");
}

TEST_F(StartupTest, WithoutSettingsExitReportsUntilALanguageIsChosen) {
    Show();
    dialogs.boxes.clear();
    TriggerExit();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("File not found."));
    EXPECT_TRUE(form1->isVisible());

    Find<QAction>("Ingls1")->trigger();
    EXPECT_EQ(ReadFile(SettingsPath()), "English\r\n");
    dialogs.boxes.clear();
    dialogs.answers = {TDialogs::Answer::Cancel};
    TriggerExit();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("          Exit"));
}

TEST_F(StartupTest, ExitAnsweredCancelKeepsTheWindowAndWritesNothing) {
    WriteSettings("Castellano\r\n");
    PlaceToolFiles(true, true);
    Show();
    dialogs.answers = {TDialogs::Answer::Cancel};
    TriggerExit();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("         Salir"));
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("¿Desea salir?"));
    EXPECT_EQ(dialogs.boxes[0].buttons, TDialogs::Buttons::OkCancel);
    EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::Question);
    EXPECT_TRUE(form1->isVisible());
    EXPECT_FALSE(fs::exists(FormatsPath()));
}

TEST_F(StartupTest, ExitAnsweredOkClosesAndAnUnchangedTableIsNotWritten) {
    WriteSettings("English\r\n");
    PlaceToolFiles(true, true);
    Show();
    dialogs.answers = {TDialogs::Answer::Ok};
    TriggerExit();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("¿Really want to exit?"));
    EXPECT_FALSE(form1->isVisible());
    EXPECT_FALSE(fs::exists(FormatsPath()));
    EXPECT_FALSE(fs::exists(UserFormatsPath()));
    // The settings file is not touched at shutdown.
    EXPECT_EQ(ReadFile(SettingsPath()), "English\r\n");
}

TEST_F(StartupTest, ExitKeepsFindingTheSettingsFileAfterTheCurrentFolderMoved) {
    WriteSettings("English\r\n");
    PlaceToolFiles(true, true);
    Show();
    QDir::setCurrent(QString::fromStdString(programFolder));
    dialogs.answers = {TDialogs::Answer::Cancel};
    TriggerExit();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("          Exit"));
}

TEST_F(StartupTest, TitleBarCloseNeverAsks) {
    WriteSettings("English\r\n");
    PlaceToolFiles(true, true);
    Show();
    EXPECT_TRUE(form1->close());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(StartupTest, ATableThatCannotBeSavedAnywhereIsReportedAndTheWindowClosesAllTheSame) {
    WriteSettings("English\r\n");
    PlaceToolFiles(true, true);
    WriteFile(FormatsPath(), "(A_X) x\r\n");
    Show();
    form1->Averiguatipo("Track ID 1: audio (A_NEW)");
    // A folder in the table's place cannot be replaced by a file, even by
    // root; a file in the per-user folder's place cannot hold one.
    fs::remove(FormatsPath());
    fs::create_directories(FormatsPath() + "/inside");
    fs::create_directories(fs::path(userFolder).parent_path().parent_path());
    WriteFile(fs::path(userFolder).parent_path().string(), "");

    EXPECT_TRUE(form1->close());
    EXPECT_FALSE(form1->isVisible());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Torvane"));
    EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::Critical);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral(
        "The new formats could not be saved; they will be asked for again next time.\n")))
        << dialogs.boxes[0].text.toStdString();
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QString::fromStdString(UserFormatsPath())))
        << dialogs.boxes[0].text.toStdString();
}

TEST_F(StartupTest, ErrorTextAddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(TForm1::ErrorText(QStringLiteral("File not found")),
              QStringLiteral("File not found."));
    EXPECT_EQ(TForm1::ErrorText(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(TForm1::ErrorText(QStringLiteral("Why!")), QStringLiteral("Why!"));
    EXPECT_EQ(TForm1::ErrorText(QStringLiteral("(x)")), QStringLiteral("(x)"));
    EXPECT_EQ(TForm1::ErrorText(QStringLiteral("a/")), QStringLiteral("a/."));
    EXPECT_EQ(TForm1::ErrorText(QStringLiteral("año 7")), QStringLiteral("año 7."));
    EXPECT_EQ(TForm1::ErrorText(QString()), QString());
}
