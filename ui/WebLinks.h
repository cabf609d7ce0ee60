// The two web pages of the Help menu. The menu shows each page's host name.
#pragma once

// The program's own page.
inline constexpr const char* kProgramPage = "https://torvane.example.org/";
inline constexpr const char* kProgramHost = "torvane.example.org";
// The Matroska format's public page.
inline constexpr const char* kFormatPage = "https://www.matroska.org/";
inline constexpr const char* kFormatHost = "www.matroska.org";
