// What the muxing module does with the descriptor of the file it writes, one
// implementation per platform (FileAt_posix.cpp, FileAt_win32.cpp): writing
// at the current position, seeking, and the reads and writes at an offset
// that leave the current position where it was, as POSIX's pread and pwrite
// do. Each returns -1 with errno set on failure; offsets and sizes are 64-bit
// on every platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quarvel::mux {

// Writes at the current position; the count written, which may be short.
int64_t WriteSome(int fd, const void* data, size_t size);

// Moves the current position (whence: SEEK_SET, SEEK_CUR, SEEK_END); the new
// position.
int64_t SeekTo(int fd, int64_t offset, int whence);

// The file's size.
int64_t SizeOf(int fd);

// Reads or writes `size` bytes at `offset`; the count done.
int64_t ReadAt(int fd, void* data, size_t size, int64_t offset);
int64_t WriteAt(int fd, const void* data, size_t size, int64_t offset);

// A second descriptor of the same open file, as dup makes; and its closing.
int Duplicate(int fd);
int CloseDescriptor(int fd);

// Cuts the file (or extends it with zeros) to `size` bytes.
bool Truncate(int fd, int64_t size);

}  // namespace quarvel::mux
