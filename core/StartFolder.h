// The folder the window starts in, whose Torvane.cfg holds its language.
#pragma once

#include <string>

#include "core/Settings.h"

namespace torvane {

// The language of the user's locale, as a first start writes it into the
// settings file: Spanish for a Spanish one, English for any other. POSIX:
// the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty
// ("es", "es_ES.UTF-8", "es.UTF-8", "es@euro"); Windows: the user's
// interface language.
Language UserLocaleLanguage();

// On Linux the installed launcher starts the window in the user's own folder.
// Windows has no launcher, so on Windows the program does the same itself,
// before it fixes its settings file: when the current folder holds no
// Torvane.cfg (the program was started from the Start menu, or by opening a
// Matroska file from Explorer), the per-user folder `userFolder` becomes the
// current folder, made on the first start with a Torvane.cfg in the language
// of the user's Windows: Castellano for Spanish, English for any other. A
// current folder with a Torvane.cfg of its own (a copied program folder, the
// build's) is kept, and so is any current folder when the user's cannot be
// made or entered: the window then says itself what it misses.
// On POSIX it does nothing.
void EnterStartFolder(const std::string& userFolder);

}  // namespace torvane
