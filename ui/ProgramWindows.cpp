#include "ui/ProgramWindows.h"

#include <utility>

TProgramWindows::TProgramWindows(TDialogs& dialogs, std::string programFolder,
                                 std::string userFolder, torvane::SettingsFile settings)
    : formatBook(dialogs),
      mainWindow(dialogs, formatBook, std::move(programFolder), std::move(userFolder),
                 std::move(settings)),
      newFormatDialog(dialogs) {
    formatBook.SetDialog(newFormatDialog);
    mainWindow.AttachWindows(newFormatDialog, spanishAbout, englishAbout);
}
