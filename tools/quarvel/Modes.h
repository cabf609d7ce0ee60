// quarvel's modes other than tracks. Each returns the exit status.
#pragma once

#include <string>
#include <vector>

namespace quarvel {

// Chapters of FILE on standard output: XML, or the simple text when `simple`.
// A file without chapters prints nothing.
int RunChapters(const std::string& file, bool simple);

// Tags of FILE as XML on standard output. A file without tags prints nothing.
int RunTags(const std::string& file);

// Each k:PATH writes attachment k (as the listing numbers them) to PATH,
// bytes unchanged. PATH is replaced only once the copy is complete.
int RunAttachments(const std::string& file, const std::vector<std::string>& targets);

}  // namespace quarvel
