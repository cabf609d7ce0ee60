// The two pages of the Help menu. The menu shows the program's page as
// "README" and the format's page by its host name.
#pragma once

#include <QString>

#include "ui/Languages.h"

// The program's page in the interface language: the README, or its Spanish
// guide README.es.html, installed with the program as local pages. On Linux,
// installed, the program folder is PREFIX/lib/torvane/ and the pages are in
// PREFIX/share/doc/torvane/; the build makes them beside build/bin/, in
// build/share/doc/torvane/: the address of the first that exists, else of the
// installed one. On Windows the pages stand in the program folder.
QString ProgramPage(const QString& programFolder, TLanguage language);
inline constexpr const char* kProgramPageCaption = "README";
// The Matroska format's public page.
inline constexpr const char* kFormatPage = "https://www.matroska.org/";
inline constexpr const char* kFormatHost = "www.matroska.org";
