#pragma once

#include <string>

namespace torvane {

// Where the files of an extraction go: the folder typed in the output field,
// or beside the source file (the current folder) when the field is empty.

// The short form of the output folder made ready to have a file name
// appended: a separator ('/' or '\\') is added when it ends in none. The
// empty text, meaning the current folder, stays empty.
std::string OutputFolderPrefix(const std::string& shortForm);

// The typed output folder made to exist before anything is written into it.
struct OutputFolderCheck {
    enum class Result {
        Ready,    // empty (beside the source), or an existing folder
        Created,  // it did not exist and was made, with its missing parents
        Failed,   // it cannot be made; reason is the system's text
    };
    Result result = Result::Ready;
    std::string reason;
};

// A relative folder is taken from the current folder. A path naming a file,
// or one under a file, gives Failed with the system's "Not a directory".
OutputFolderCheck PrepareOutputFolder(const std::string& typed);

}  // namespace torvane
