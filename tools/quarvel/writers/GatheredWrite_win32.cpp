#include "tools/quarvel/writers/GatheredWrite.h"

#include <cerrno>

namespace quarvel {

// The C runtime has no gathering write: one fwrite per run.
bool WriteRuns(std::FILE* file, const std::vector<ByteRun>& runs) {
    for (const ByteRun& run : runs) {
        errno = 0;
        if (std::fwrite(run.data, 1, run.size, file) != run.size) {
            return false;
        }
    }
    return true;
}

}  // namespace quarvel
