// The file source of the track pass. The pass alternates between two kinds of
// read: a few octets of header before every block, and whole payloads of the
// requested tracks. Headers of skipped blocks lie far apart, so a header read
// fetches a small aligned window and nothing more; payloads go straight into
// the caller's buffer with no copy.
#pragma once

#include <memory>
#include <string>

#include "ByteSource.h"

namespace quarvel {

// Returns null and sets *error when the file cannot be opened.
std::unique_ptr<mkv::ByteSource> OpenPassSource(const std::string& path, std::string* error);

}  // namespace quarvel
