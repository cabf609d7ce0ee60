// Start-up, the settings file, Exit and shutdown, driven through the real
// window with scripted dialogs.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <filesystem>

#include "tests/ui/WindowFixture.h"
#include "ui/Languages.h"

namespace fs = std::filesystem;

namespace {

class StartupTest : public WindowFixture {
  protected:
    QString Label7() { return Find<QLabel>("Label7")->text(); }
    void TriggerExit() { Find<QAction>("Salir1")->trigger(); }
};

const QString kDesignLabel7 =
    QStringLiteral("Directorio Salida (Los archivos serán extraídos aquí)");

}  // namespace

// Missing tools are told once, in the language of the settings file; the
// table is loaded and the language applied all the same, and the settings
// file is rewritten as read.
TEST_F(StartupTest, AMissingToolIsToldInTheLanguageOfTheSettingsFile) {
    struct Row {
        const char* what;
        bool ostrem;
        bool quarvel;
        const char* settings;
        const char* caption;  // empty: no box
        const char* text;
        const char* label7;
    };
    for (const Row& row : {
             Row{"both", true, true, "English\r\n", "", "", "Select Ouput Folder"},
             Row{"no ostrem", false, true, "Castellano\r\n", "   ¡AVISO!",
                 "quarvel.exe y/o ostrem.exe no se encuentran en la misma carpeta que Torvane. "
                 "Debes copiarlos y volver a empezar.",
                 "Directorio Salida"},
             Row{"no quarvel", true, false, "English\r\n", "    WARNING!",
                 "quarvel.exe and/or ostrem.exe file has no been found in the same folder of "
                 "Torvane. Copy then into this folder and try again.",
                 "Select Ouput Folder"},
         }) {
        SCOPED_TRACE(row.what);
        fs::remove_all(programFolder);
        fs::create_directories(programFolder);
        PlaceToolStandIns(row.ostrem, row.quarvel);
        WriteFile(FormatsPath(), "(V_NUEVO) xyz\r\n");
        WriteSettings(row.settings);
        dialogs.boxes.clear();
        MakeWindows();
        Show();
        if (std::string(row.caption).empty()) {
            EXPECT_TRUE(dialogs.boxes.empty());
        } else {
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_EQ(dialogs.boxes[0].caption, QString::fromUtf8(row.caption));
            EXPECT_EQ(dialogs.boxes[0].text, QString::fromUtf8(row.text));
            EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::Warning);
            EXPECT_EQ(dialogs.boxes[0].buttons, TDialogs::Buttons::Ok);
        }
        EXPECT_EQ(mainWindow->Formats().Lines(), std::vector<std::string>{"(V_NUEVO) xyz"});
        EXPECT_EQ(Label7(), QString::fromUtf8(row.label7));
        EXPECT_EQ(ReadFile(SettingsPath()), row.settings);
        if (!row.ostrem) {
            // Warned, the user may still choose a file: the missing tool is
            // reported and the window goes on.
            dialogs.boxes.clear();
            const std::string previous = mainWindow->TracksCommandLine();
            Choose(Fixture("codecs/ac3.mka"));
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_TRUE(
                dialogs.boxes[0].text.startsWith(QStringLiteral("Error creating Chilg Process.")));
            EXPECT_EQ(Find<QListWidget>("CheckListBox1")->count(), 0);
            EXPECT_EQ(mainWindow->TracksCommandLine(), previous);
        }
        CloseWindows();
    }
}

TEST_F(StartupTest, UnrecognisedWordsKeepTheDesignTextsAndExitAndAboutDoNothing) {
    for (const char* content : {"english\r\n", "English \r\n", "Ingles", ""}) {
        SCOPED_TRACE(content);
        WriteSettings(content);
        MakeWindows();
        Show();
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_EQ(Label7(), kDesignLabel7);
        EXPECT_EQ(ReadFile(SettingsPath()), content);
        EXPECT_TRUE(mainWindow->Formats().Loaded());
        TriggerExit();
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_TRUE(mainWindow->isVisible());
        Find<QAction>("Acercade3")->trigger();
        EXPECT_TRUE(dialogs.aboutShown.empty());
        CloseWindows();
    }
}

// Without a settings file: reported at start-up and at Exit until a
// language is chosen; the table is loaded all the same, and closing does not
// replace its rows with an empty table.
TEST_F(StartupTest, MissingSettingsFileIsReportedUntilALanguageIsChosen) {
    WriteFile(FormatsPath(), "(A_X) x\r\n");
    Show();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Torvane"));
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("File not found."));
    EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::Critical);
    EXPECT_EQ(Label7(), kDesignLabel7);
    EXPECT_EQ(mainWindow->Formats().Lines(), std::vector<std::string>{"(A_X) x"});
    TriggerExit();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("File not found."));
    EXPECT_TRUE(mainWindow->isVisible());

    Find<QAction>("Ingls1")->trigger();
    EXPECT_EQ(ReadFile(SettingsPath()), "English\r\n");
    dialogs.answers = {TDialogs::Answer::Cancel};
    TriggerExit();
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[2].caption, QStringLiteral("          Exit"));
    EXPECT_TRUE(mainWindow->close());
    EXPECT_EQ(ReadFile(FormatsPath()), "(A_X) x\r\n");
}

// Exit asks, also after the current folder moved (the open-file dialog moves
// it); Cancel keeps the window, OK closes it and writes no unchanged table
// and no settings; the title bar's close button never asks.
TEST_F(StartupTest, ExitAsksAndAnUnchangedTableIsNotWritten) {
    WriteSettings("Castellano\r\n");
    PlaceToolStandIns();
    Show();
    QDir::setCurrent(QString::fromStdString(programFolder));
    dialogs.answers = {TDialogs::Answer::Cancel, TDialogs::Answer::Ok};
    TriggerExit();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("         Salir"));
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("¿Desea salir?"));
    EXPECT_EQ(dialogs.boxes[0].buttons, TDialogs::Buttons::OkCancel);
    EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::Question);
    EXPECT_TRUE(mainWindow->isVisible());
    TriggerExit();
    EXPECT_FALSE(mainWindow->isVisible());
    EXPECT_FALSE(fs::exists(FormatsPath()));
    EXPECT_FALSE(fs::exists(UserFormatsPath()));
    EXPECT_EQ(ReadFile(SettingsPath()), "Castellano\r\n");

    dialogs.boxes.clear();
    Show();
    EXPECT_TRUE(mainWindow->close());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(StartupTest, ATableThatCannotBeSavedAnywhereIsReportedAndTheWindowClosesAllTheSame) {
    WriteSettings("English\r\n");
    PlaceToolStandIns();
    WriteFile(FormatsPath(), "(A_X) x\r\n");
    Show();
    mainWindow->ClassifyItem("Track ID 1: audio (A_NEW)");
    // A folder in the table's place cannot be replaced by a file, even by
    // root; a file in the per-user folder's place cannot hold one.
    fs::remove(FormatsPath());
    fs::create_directories(FormatsPath() + "/inside");
    fs::create_directories(fs::path(userFolder).parent_path().parent_path());
    WriteFile(fs::path(userFolder).parent_path().string(), "");

    EXPECT_TRUE(mainWindow->close());
    EXPECT_FALSE(mainWindow->isVisible());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].icon, TDialogs::Icon::Critical);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral(
        "The new formats could not be saved; they will be asked for again next time.\n")))
        << dialogs.boxes[0].text.toStdString();
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QString::fromStdString(UserFormatsPath())))
        << dialogs.boxes[0].text.toStdString();
}

TEST(ErrorText, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    for (const auto& [text, shown] : std::vector<std::pair<QString, QString>>{
             {"File not found", "File not found."},
             {"Done.", "Done."},
             {"Why!", "Why!"},
             {"(x)", "(x)"},
             {"a/", "a/."},
             {"año 7", "año 7."},
             {"", ""},
         }) {
        EXPECT_EQ(ErrorText(text), shown) << text.toStdString();
    }
}
