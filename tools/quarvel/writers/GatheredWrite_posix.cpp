#include "tools/quarvel/writers/GatheredWrite.h"

#include <sys/uio.h>

#include <algorithm>
#include <cerrno>

namespace quarvel {

bool WriteRuns(std::FILE* file, const std::vector<ByteRun>& runs) {
    // One gathering write for up to 64 runs; a short write goes on from
    // where it stopped.
    const int fd = fileno(file);
    size_t next = 0, done = 0;  // the first run not wholly written, and how much of it is
    while (next < runs.size()) {
        iovec v[64];
        int count = 0;
        for (size_t k = next; k < runs.size() && count < 64; ++k, ++count) {
            const size_t skip = k == next ? done : 0;
            v[count].iov_base = const_cast<uint8_t*>(runs[k].data + skip);
            v[count].iov_len = runs[k].size - skip;
        }
        errno = 0;
        const ssize_t wrote = writev(fd, v, count);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            errno = wrote == 0 ? EIO : errno;
            return false;
        }
        for (size_t left = static_cast<size_t>(wrote); left > 0;) {
            const size_t take = std::min(left, runs[next].size - done);
            left -= take;
            done += take;
            if (done == runs[next].size) {
                ++next;
                done = 0;
            }
        }
    }
    return true;
}

}  // namespace quarvel
