// Chapters and tags as text: the XML documents and the simple chapter format.
// Every line ends in CR LF.
#pragma once

#include <cstdint>
#include <string>

#include "Types.h"

namespace quarvel {

// Chapters XML: declaration, DOCTYPE (as a comment), Chapters, every
// EditionEntry with its ChapterAtoms nested as in the file.
std::string ChaptersXml(const mkv::Chapters& chapters);

// Simple chapter text: CHAPTERnn=HH:MM:SS.mmm and CHAPTERnnNAME=... for every
// atom of every edition, depth-first in file order, hidden and disabled atoms
// included; numbered from 01 across editions. Times are truncated to ms.
std::string ChaptersSimple(const mkv::Chapters& chapters);

// Tags XML: declaration, DOCTYPE (as a comment), Tags, every Tag with its
// Targets and nested Simple elements.
std::string TagsXml(const mkv::Tags& tags);

// HH:MM:SS.nnnnnnnnn (hours at least two digits).
std::string TimeNs(uint64_t ns);
// HH:MM:SS.mmm, nanoseconds truncated.
std::string TimeMs(uint64_t ns);

// XML character data: & < > escaped, CR and LF as character references,
// characters XML 1.0 forbids dropped.
std::string XmlEscape(const std::string& text);

}  // namespace quarvel
