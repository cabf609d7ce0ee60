// The program's four windows, made together in the program's order: the main
// window (MainWindow), the new-format dialog (NewFormatDialog) and the Spanish and English
// about windows (SpanishAboutWindow, EnglishAboutWindow), attached to the main window and living as
// long as it. The program, its GUI tests, its benchmarks and its screenshot
// programs all make them here.
#pragma once

#include <string>

#include "core/Settings.h"
#include "ui/AboutWindows.h"
#include "ui/FormatBook.h"
#include "ui/MainWindow.h"
#include "ui/NewFormatDialog.h"

class TDialogs;

class TProgramWindows {
  public:
    // dialogs answers every modal wait of the windows; the rest is as
    // MainWindow takes it.
    TProgramWindows(TDialogs& dialogs, std::string programFolder, std::string userFolder,
                    torvane::SettingsFile settings);

    TProgramWindows(const TProgramWindows&) = delete;
    TProgramWindows& operator=(const TProgramWindows&) = delete;

    // The format table both windows classify with, made first.
    FormatBook formatBook;
    MainWindow mainWindow;
    NewFormatDialog newFormatDialog;
    SpanishAboutWindow spanishAbout;
    EnglishAboutWindow englishAbout;
};
