#include "ui/ProgramWindows.h"

#include <utility>

TProgramWindows::TProgramWindows(TDialogs& dialogs, std::string programFolder,
                                 std::string userFolder, torvane::SettingsFile settings)
    : mainWindow(dialogs, std::move(programFolder), std::move(userFolder), std::move(settings)),
      newFormatDialog(dialogs) {
    mainWindow.AttachWindows(newFormatDialog, spanishAbout, englishAbout);
}
