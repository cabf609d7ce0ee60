// The identification listing of ostrem: one line for the file, one per track
// and one per attachment, in file order.
#pragma once

#include <string>
#include <vector>

#include "matroska/Reader.h"

namespace ostrem {

// The lines (without line ends) for a file opened with at least Info, Tracks
// and Attachments. `fileName` is shown as given on the command line, only its
// control characters (C0, DEL) shown as '?' and its parentheses as brackets.
std::vector<std::string> ListingLines(const std::string& fileName, const mkv::Reader& reader);

// One track's line: "Track ID n: TYPE (CODECID) [DETAILS]".
std::string TrackLine(const mkv::Track& track);

// One attachment's line, k counted from 1:
// "Attachment ID k: type 'MIME', size BYTES bytes, file name 'NAME'". The
// name is read between its quotes, so its parentheses stay: the file written
// keeps its own name.
std::string AttachmentLine(size_t k, const mkv::Attachment& attachment);

// Text from the file made safe for a listing line: control characters and
// bytes that are not UTF-8 become '?' (mkv::SafeText), and parentheses become
// square brackets, so the CodecID stays the only parenthesised group of a
// track's line.
std::string ListingText(const std::string& text);

}  // namespace ostrem
