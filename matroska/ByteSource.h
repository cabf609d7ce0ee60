// Where the reader gets its bytes. Every byte actually read from the medium is
// counted, so benchmarks can tell how much of a file a run touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mkv {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Total size in bytes.
    virtual uint64_t Size() const = 0;
    // Copies up to n bytes at offset into dst; returns how many were copied
    // (fewer only at the end of the data or on a read error).
    virtual size_t ReadAt(uint64_t offset, void* dst, size_t n) = 0;
    // Bytes fetched from the underlying medium so far (buffered re-reads are
    // not counted twice).
    virtual uint64_t BytesRead() const = 0;
};

// Opens a file for buffered reading (see BufferedFile.h). A small read after a
// jump fetches 64 bytes; reads in sequence grow the window up to 256 KiB; larger
// reads go straight into the caller's buffer. Never reads the whole file.
// Opens regular files and disks. Returns null and sets *error (a system
// message, "it is a folder" or "not a regular file") when the file cannot be
// opened.
std::unique_ptr<ByteSource> OpenFile(const std::string& path, std::string* error);

// Bytes held in memory (tests, fuzzing).
std::unique_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes);

}  // namespace mkv
