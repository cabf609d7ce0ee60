#include "tools/quarvel/writers/WriterFactory.h"

#include "core/CodecTable.h"
#include "matroska/SafeText.h"

#include "tools/quarvel/writers/MuxWriter.h"
#include "tools/quarvel/writers/OwnWriters.h"

namespace quarvel {

using torvane::CodecRow;
using torvane::FindCodec;
using torvane::ThroughMuxModule;

std::unique_ptr<TrackWriter> MakeWriterFor(const std::string& codecId, uint64_t segmentDurationNs,
                                           std::string& error) {
    const CodecRow* row = FindCodec(codecId);
    if (row == nullptr) {
        error = "codec '" + mkv::SafeText(codecId) + "' is not supported";
        return nullptr;
    }
    if (ThroughMuxModule(row->output)) {
        return MakeMuxWriter(segmentDurationNs);
    }
    return MakeOwnWriter(row->output);
}

}  // namespace quarvel
