// Making a new file that nobody else can have made or can predict: the one
// way both the tools' outputs and the window's settings, format table and
// previews get the file they write before renaming it over the old one.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace torvane {

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

// A new file beside `target`, named TARGET + mark + ten random letters, the
// name of TARGET shortened as far as needed (never inside a UTF-8 sequence)
// for the whole to fit the folder's name limit. Created with CreateNewFile; a
// name found taken is never opened, another is drawn. The open file (binary,
// read and write) and its path, or a null file with `reason` set: the
// system's words for errno (left set), or that it gives no random numbers
// (errno 0).
struct NewFile {
    std::FILE* file = nullptr;
    std::string path;
    std::string reason;
};
NewFile CreateFileBeside(const std::string& target, std::string_view mark);

}  // namespace torvane
