// Chapters and tags as text: the XML documents and the simple chapter format.
// Every line ends in CR LF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "matroska/Types.h"

namespace quarvel {

// Takes the text in pieces as it is made, so that a document never has to be
// held whole (a large binary tag is twice its size in hex).
using TextSink = std::function<void(std::string_view)>;

// Chapters XML: declaration, DOCTYPE (as a comment), Chapters, every
// EditionEntry with its ChapterAtoms nested as in the file.
void WriteChaptersXml(const mkv::Chapters& chapters, const TextSink& sink);

// Simple chapter text: CHAPTERnn=HH:MM:SS.mmm and CHAPTERnnNAME=... for every
// atom of every edition, depth-first in file order, hidden and disabled atoms
// included; numbered from 01 across editions. Times are truncated to ms. In a
// name, CR and LF become blanks, and other control characters (C0, DEL, C1)
// and bytes that are not UTF-8 '?'.
void WriteChaptersSimple(const mkv::Chapters& chapters, const TextSink& sink);

// Tags XML: declaration, DOCTYPE (as a comment), Tags, every Tag with its
// Targets and nested Simple elements.
void WriteTagsXml(const mkv::Tags& tags, const TextSink& sink);

// The same texts whole.
std::string ChaptersXml(const mkv::Chapters& chapters);
std::string ChaptersSimple(const mkv::Chapters& chapters);
std::string TagsXml(const mkv::Tags& tags);

// HH:MM:SS.nnnnnnnnn (hours at least two digits).
std::string TimeNs(uint64_t ns);
// HH:MM:SS.mmm, nanoseconds truncated.
std::string TimeMs(uint64_t ns);

// XML character data: & < > escaped, CR and LF as character references,
// characters XML 1.0 forbids dropped, DEL and C1 controls as character
// references, bytes that are not UTF-8 as '?'.
std::string XmlEscape(const std::string& text);

}  // namespace quarvel
