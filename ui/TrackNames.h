// What a track is, named as a person knows it: its codec and its language,
// each with its code beside it, in the interface language.
#pragma once

#include <QString>
#include <string>

#include "ui/Languages.h"

// "H.264 (V_MPEG4/ISO/AVC)", from the codec table; a codec it lacks alone.
QString CodecText(const std::string& codecId);

// "Spanish (spa)" in English, "español (spa)" in Spanish, for the codes of
// ISO 639 (two letters, three of either form) and BCP 47 ("pt-BR"); the
// undetermined language ("und") by its name alone; a code neither Qt nor
// the Spanish names know alone.
QString LanguageText(const std::string& code, TLanguage language);
