// The two pages of the Help menu. The menu shows the program's page as
// "README" and the format's page by its host name.
#pragma once

#include <QString>

// The program's page: its README, installed with it as a local page. On Linux,
// installed, the program folder is PREFIX/lib/torvane/ and the page
// PREFIX/share/doc/torvane/README.html; the build makes it beside build/bin/,
// in build/share/doc/torvane/: the address of the first that exists, else of
// the installed one. On Windows the page is README.html in the program
// folder.
QString ProgramPage(const QString& programFolder);
inline constexpr const char* kProgramPageCaption = "README";
// The Matroska format's public page.
inline constexpr const char* kFormatPage = "https://www.matroska.org/";
inline constexpr const char* kFormatHost = "www.matroska.org";
