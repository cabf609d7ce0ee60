#include <poll.h>

#include <thread>

#include "process/OutputWait.h"

namespace torvane {

void AwaitOutput(int handle, std::chrono::milliseconds limit) {
    if (handle < 0) {
        std::this_thread::sleep_for(limit);
        return;
    }
    pollfd p{handle, POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(limit.count()));
}

}  // namespace torvane
