#include <thread>

#include "process/OutputWait.h"

namespace torvane {

// The tool writes to a console of its own: there is no handle to watch.
void AwaitOutput(int, std::chrono::milliseconds limit) {
    std::this_thread::sleep_for(limit);
}

}  // namespace torvane
