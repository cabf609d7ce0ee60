// Several runs of bytes written to a file in one go: the output files' last
// step, one implementation per platform (GatheredWrite_posix.cpp with one
// gathering system call for many runs, GatheredWrite_win32.cpp run by run).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace quarvel {

struct ByteRun {
    const uint8_t* data;
    size_t size;
};

// Writes the runs, in order, at the file's position. The stream must be
// unbuffered: the caller does the batching. Returns false with errno set when
// they could not all be written.
bool WriteRuns(std::FILE* file, const std::vector<ByteRun>& runs);

}  // namespace quarvel
