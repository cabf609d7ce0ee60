#include "pass_source.h"

namespace quarvel {

// The reader's own buffered file source serves on Windows.
std::unique_ptr<mkv::ByteSource> OpenPassSource(const std::string& path, std::string* error) {
    return mkv::OpenFile(path, error);
}

}  // namespace quarvel
