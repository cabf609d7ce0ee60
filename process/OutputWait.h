#pragma once

#include <chrono>

namespace torvane {

// Blocks until the non-blocking read end `handle` has something to read (or
// has ended), or until `limit` has passed. A handle of -1 (a tool writing to
// a console of its own) just waits out the limit.
void AwaitOutput(int handle, std::chrono::milliseconds limit);

}  // namespace torvane
