// The few file-system calls the tools' output files need that the standard
// library does not offer, one implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/NewFile.h"

namespace tools {

// The exclusive creation of a new file, its name's limits and the system's
// random bytes live in platform/NewFile.h, shared with the window's files.
using torvane::CreateNewFile;
using torvane::LongestName;
using torvane::NameStart;
using torvane::RandomBytes;

// What tells two names of one file apart from names of two files: the
// device (volume) and the file's number on it.
struct FileId {
    uint64_t device = 0;
    uint64_t index = 0;
    bool operator==(const FileId& other) const {
        return device == other.device && index == other.index;
    }
};

// The identity of the file `path` names, symbolic links followed; false when
// there is none (nothing there, or it cannot be looked at).
bool IdentifyFile(const std::string& path, FileId& id);

}  // namespace tools
