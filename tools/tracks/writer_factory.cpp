#include "writer_factory.h"

#include "mux_writer.h"
#include "own_writers.h"

namespace quarvel {

std::unique_ptr<TrackWriter> MakeWriterFor(const std::string& codecId, std::string& error) {
    if (auto own = MakeOwnWriter(codecId)) {
        return own;
    }
    if (NeedsMuxer(codecId)) {
        return MakeMuxWriter();
    }
    error = "codec '" + codecId + "' is not supported";
    return nullptr;
}

}  // namespace quarvel
