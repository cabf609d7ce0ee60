// A real main window in a temporary world: its own program folder (holding
// links to the built tools when a test wants them), its own current folder
// with the settings file, and scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <memory>
#include <ostream>
#include <string>

#include "tests/ui/ScriptedDialogs.h"
#include "ui/ProgramWindows.h"

// The folder of the built ostrem and quarvel: the build's, unless the
// environment's TORVANE_TEST_TOOLS names another (a folder without them
// shows that the tests needing them fail).
std::string BuiltToolsFolder();

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

class WindowFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Links the built ostrem and quarvel into the program folder. A build
    // that has not made them fails here: the window's tests would prove
    // nothing without them.
    void InstallTools();
    // Empty files in the tools' places: the presence check looks for files
    // only, and no test that places them runs a tool.
    void PlaceToolStandIns(bool ostrem = true, bool quarvel = true);

    // Copies a fixture into a folder whose name holds a blank; gives its path.
    std::string Fixture(const std::string& relative) const;
    // The path with the platform's separators, as the window shows a path
    // that the desktop gave it.
    static std::string NativePath(const std::string& path) {
        return QDir::toNativeSeparators(QString::fromStdString(path)).toStdString();
    }
    // Confirms `path` in the scripted open-file dialog of the source button.
    void Choose(const std::string& path);

    void WriteSettings(const std::string& bytes);
    std::string ReadFile(const std::string& path) const;
    void WriteFile(const std::string& path, const std::string& bytes) const;

    // Makes the four windows in order (again: in place of the earlier ones);
    // Show() then runs the start-up.
    void MakeWindows();
    void CloseWindows();
    void Show();

    template <class T>
    T* Find(const char* name) const {
        T* found = mainWindow->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    std::string SettingsPath() const { return workFolder + "/Torvane.cfg"; }
    std::string FormatsPath() const { return programFolder + "Formats.txt"; }
    std::string UserFormatsPath() const { return userFolder + "Formats.txt"; }

    QTemporaryDir root;
    std::string programFolder;  // ends in '/'
    std::string userFolder;     // the per-user folder, ends in '/'; made when needed
    std::string workFolder;
    QString previousFolder;
    ScriptedDialogs dialogs;
    std::unique_ptr<TProgramWindows> windows;
    MainWindow* mainWindow = nullptr;
    NewFormatDialog* newFormatDialog = nullptr;
    SpanishAboutWindow* spanishAbout = nullptr;
    EnglishAboutWindow* englishAbout = nullptr;
};

// The windows in English with the built tools in the program folder; a test
// fails when the build has not made them. A derived SetUp goes on only when
// Ready().
class ToolsFixture : public WindowFixture {
  protected:
    void SetUp() override;
    bool Ready() const { return !IsSkipped() && !HasFatalFailure(); }
};
