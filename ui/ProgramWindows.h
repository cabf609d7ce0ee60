// The program's four windows, made together in the program's order: the main
// window (TForm1), the new-format dialog (TForm2) and the Spanish and English
// about windows (TForm3, TForm4), attached to the main window and living as
// long as it. The program, its GUI tests, its benchmarks and its screenshot
// programs all make them here.
#pragma once

#include <string>

#include "core/Settings.h"
#include "ui/AboutWindows.h"
#include "ui/MainWindow.h"
#include "ui/NewFormatDialog.h"

class TDialogs;

class TProgramWindows {
  public:
    // dialogs answers every modal wait of the windows; the rest is as
    // TForm1 takes it.
    TProgramWindows(TDialogs& dialogs, std::string programFolder, std::string userFolder,
                    torvane::SettingsFile settings);

    TProgramWindows(const TProgramWindows&) = delete;
    TProgramWindows& operator=(const TProgramWindows&) = delete;

    TForm1 form1;
    TForm2 form2;
    TForm3 form3;
    TForm4 form4;
};
