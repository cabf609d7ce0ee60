// The language the windows speak, and their texts beyond the 39 rows of the
// language table: their own boxes, the console and batch windows, the
// reports of a run, each shown in the language in force.
#pragma once

#include <QString>

#include "core/Settings.h"
#include "core/UserTexts.h"
#include "ui/Languages.h"

// The window names its texts by the program's keys (core/UserTexts.h). A
// text with %1, %2 ... is completed with QString::arg (all its arguments in
// one call, so that an argument holding "%2" stays as it is).
using torvane::UserText;

// The language in force: the one last applied to the windows (the language
// main window sets it as it applies one), and Spanish, the language of the
// design texts, until one is. Qt's own texts (standard buttons, the file and
// folder choosers) follow it.
TLanguage LanguageInForce();
void SetLanguageInForce(TLanguage language);

// The text of a key in the language in force, or in the one given. A key
// without a text is a programming error and throws torvane::Exception.
QString Message(UserText key);
QString Message(UserText key, TLanguage language);
// The same by the settings file's word for it; a word naming neither
// language gives English.
QString Message(UserText key, torvane::Language language);

// The language in force as the window-free code names it.
torvane::Language CoreLanguage();
