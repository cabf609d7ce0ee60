// A file opened for reading, at the lowest level: one implementation per
// platform (RawFile_posix.cpp, RawFile_win32.cpp), chosen by the build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace mkv {

class RawFile {
  public:
    virtual ~RawFile() = default;
    // Size in bytes, taken when the file was opened.
    virtual uint64_t Size() const = 0;
    // Reads up to n bytes at offset into dst; fewer only at the end of the
    // file or on a read error.
    virtual size_t ReadAt(uint64_t offset, void* dst, size_t n) = 0;
    // Reads up to n bytes at offset into dst as ReadAt does, but only those
    // that the system holds in memory already, from the first on, without
    // waiting for storage; 0 when there are none, or where the system cannot
    // tell.
    virtual size_t ReadCachedAt(uint64_t /*offset*/, void* /*dst*/, size_t /*n*/) { return 0; }
    // Tells the system whether the reads from now on go on in sequence (it
    // may then read far ahead) or jump (it reads only what is asked).
    virtual void Expect(bool sequential) = 0;
};

// Which files OpenRawFile opens. Folders are refused as "it is a folder", the
// other files it does not open (a pipe, a terminal, a socket) as "not a
// regular file".
enum class Accept {
    // Regular files only.
    kRegularFiles,
    // Regular files and disks (block devices).
    kRegularFilesAndDisks,
};

// Returns null and sets *error (a system message, or one of those above) when
// the file cannot be opened for reading at any offset. It never waits: a pipe
// without a writer is refused at once, like every other kind not accepted.
std::unique_ptr<RawFile> OpenRawFile(const std::string& path, Accept accept, std::string* error);

}  // namespace mkv
