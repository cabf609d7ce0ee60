// The few file-system calls the tools' output files need that the standard
// library does not offer, one implementation per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tools {

// Creates `path` as a new, empty file open for reading and writing (binary),
// never through an existing name: it fails, with errno EEXIST, when anything
// is there already, a symbolic link included. Returns null with errno set.
std::FILE* CreateNewFile(const std::string& path);

// Where the file's own name begins in `path`: after the last folder
// separator, 0 when there is none.
size_t NameStart(const std::string& path);

// The longest name, in bytes, a file may have in `folder` (empty: the current
// folder); 255, the common limit, where the system does not say.
size_t LongestName(const std::string& folder);

// Fills `out` from the system's source of unpredictable bytes.
bool RandomBytes(void* out, size_t size);

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
