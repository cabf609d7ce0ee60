// A file written under a temporary name beside its target, through a large
// buffer; the pass renames it over the target only once complete. Frames that
// lie in the pass's read buffer go out from there, gathered into one write with
// what the buffer holds, so that their bytes are copied once on their way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/OutputFiles.h"
#include "tools/quarvel/writers/GatheredWrite.h"

namespace quarvel {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates a new temporary file beside `target` (tools::TemporaryFile).
    // Returns false with Error() set on failure.
    bool Open(const std::string& target);
    // Sets the buffer size of files opened from now on so that `files` open
    // files together stay within the output memory budget.
    static void ShareBudget(size_t files);
    bool IsOpen() const { return temp_.Stream() != nullptr; }
    bool Write(const void* data, size_t size);
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    bool Write(const std::vector<uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
    // Writes bytes that the caller keeps unchanged until the next Settle():
    // they are written from where they lie. After a failed write every later
    // call fails too, so no output goes on past a gap.
    bool WriteInPlace(const void* data, size_t size);
    // Writes out everything given to WriteInPlace, after which the file holds
    // no pointer to it.
    bool Settle() { return !holdsInPlace_ || Flush(); }
    // Overwrites octets at the start of the file (headers whose sizes are known
    // only at the end). The write position stays at the end.
    bool RewriteHead(const void* data, size_t size);
    uint64_t Position() const { return written_; }
    // Flushes and closes; the file stays under its temporary name. Returns
    // false when the data did not reach the disk.
    bool Close();
    // Closes and deletes the file.
    void Discard();
    const std::string& Error() const { return error_; }
    // The temporary name, and the target it is to be renamed to.
    const std::string& Path() const { return temp_.Path(); }
    const std::string& Target() const { return temp_.Target(); }

  private:
    bool Flush();
    // Lets the buffer grow towards its full size to hold `size` bytes.
    bool Grow(size_t size);
    void EndBufferSpan();
    bool Fail(const std::string& what);

    static size_t bufferBytes_;
    tools::TemporaryFile temp_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    // Runs of bytes waiting to be written, in file order: in place, or spans
    // of buffer_.
    std::vector<ByteRun> pieces_;
    size_t spanFrom_ = 0;        // buffer_ bytes from here on are not in pieces_ yet
    size_t waiting_ = 0;         // bytes in pieces_
    bool holdsInPlace_ = false;  // pieces_ points outside buffer_
    uint64_t written_ = 0;
    std::string error_;
};

}  // namespace quarvel
