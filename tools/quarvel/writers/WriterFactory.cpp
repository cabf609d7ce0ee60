#include "tools/quarvel/writers/WriterFactory.h"

#include "tools/quarvel/writers/MuxWriter.h"
#include "tools/quarvel/writers/OwnWriters.h"

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
