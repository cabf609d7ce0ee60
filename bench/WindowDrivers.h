// What the programs that drive the real window share: the window's
// benchmarks (bench/UiSourceBench.cpp, bench/BatchBench.cpp) and its
// screenshot programs (scripts/*Shot.cpp). None of it ships with the program.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ui/Dialogs.h"
#include "ui/ProgramWindows.h"

// An argument naming a file or folder, made absolute: confirming a source
// file moves the current folder to the file's.
QString AbsolutePath(const char* argument);

// The program's four windows over a build's program folder (BIN_DIR, holding
// ostrem, quarvel and Formats.txt), with their settings file and per-user
// folder in a temporary folder of their own, so that a run leaves nothing
// behind. The windows never close, so Formats.txt is read but not rewritten.
class TDrivenWindows {
  public:
    // languageWord is the settings file's word: "Castellano" or "English".
    TDrivenWindows(TDialogs& dialogs, const char* binFolder, const char* languageWord);

    // BIN_DIR, absolute, with its separator.
    const std::string& BinFolder() const { return bin_; }
    MainWindow& Main() { return windows_->mainWindow; }
    const std::string& WorkFolder() const { return work_; }

    // The control of that object name in the main window or a window it
    // made; a driver whose control is missing ends with a message.
    template <class T>
    T& Find(const char* name) {
        T* found = windows_->mainWindow.findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) {
            std::fprintf(stderr, "the window has no %s\n", name);
            std::exit(1);
        }
        return *found;
    }

  private:
    std::string bin_;
    QTemporaryDir temporary_;
    std::string work_;
    std::unique_ptr<TProgramWindows> windows_;
};

// The desktop's dialogs, but unattended: a message box is printed and
// answered OK, the open-file dialog answers with `source` at once (or is
// cancelled when it is empty), and a codec no table knows gets no extension
// rather than a question.
class TUnattendedDialogs : public TQtDialogs {
  public:
    QString source;

    Answer MessageBox(QWidget*, const QString&, const QString& text, Buttons, Icon) override;
    bool OpenFile(QWidget*, const QString&, const QString&, QString& fileName) override;
    void ShowNewFormat(QDialog&) override {}
};

// Should anything wait for ever, the event loop ends with status 1 after
// `milliseconds`.
void GiveUpAfter(int milliseconds);

// A screenshot program's exit status: 0 only when the loop ended well and the
// picture was written.
int ShotStatus(int loopStatus, bool shot);

// The times of a benchmark's runs, in milliseconds.
struct TTimes {
    std::vector<double> ms;
    double Best() const;
    double Mean() const;
};
