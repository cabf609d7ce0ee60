#include "ui/ProgramWindows.h"

#include <utility>

TProgramWindows::TProgramWindows(TDialogs& dialogs, std::string programFolder,
                                 std::string userFolder, torvane::SettingsFile settings)
    : form1(dialogs, std::move(programFolder), std::move(userFolder), std::move(settings)),
      form2(dialogs) {
    form1.AttachWindows(form2, form3, form4);
}
