#include "writer_factory.h"

#include "mux_writer.h"
#include "own_writers.h"

namespace quarvel {

std::unique_ptr<TrackWriter> MakeWriterFor(const std::string& codecId, uint64_t segmentDurationNs,
                                           std::string& error) {
    if (auto own = MakeOwnWriter(codecId)) {
        return own;
    }
    if (NeedsMuxer(codecId)) {
        return MakeMuxWriter(segmentDurationNs);
    }
    error = "codec '" + codecId + "' is not supported";
    return nullptr;
}

}  // namespace quarvel
