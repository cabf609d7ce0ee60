#include "writer_factory.h"

#include "own_writers.h"

namespace quarvel {

std::unique_ptr<TrackWriter> MakeWriterFor(const std::string& codecId, std::string& error) {
    if (auto own = MakeOwnWriter(codecId)) {
        return own;
    }
    error = "codec '" + codecId + "' is not supported";
    return nullptr;
}

}  // namespace quarvel
