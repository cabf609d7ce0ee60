// Undoing a track's content encodings (zlib, header stripping) on its frames and
// its CodecPrivate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "matroska/Types.h"

namespace quarvel {

class ContentDecoder {
  public:
    // Keeps the encodings ordered for decoding (highest order first). Error()
    // is set at once when the track cannot be decoded (encryption, an
    // unsupported algorithm).
    explicit ContentDecoder(std::vector<mkv::ContentEncoding> encodings);

    bool Usable() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    bool TouchesFrames() const { return framesEncoded_; }

    // Decodes one frame. Returns false with a message in `error` on damaged data
    // or an output past the limits. On success `out` holds the frame; when no
    // encoding touches frames it is left empty and the caller uses its input.
    bool DecodeFrame(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                     std::string& error) const;
    // Decodes CodecPrivate in place (only encodings with scope bit 2 apply).
    bool DecodePrivate(std::vector<uint8_t>& data, std::string& error) const;

  private:
    bool Apply(uint64_t scopeBit, const uint8_t* data, size_t size, std::vector<uint8_t>& out,
               size_t limit, std::string& error) const;

    std::vector<mkv::ContentEncoding> encodings_;
    std::string error_;
    bool framesEncoded_ = false;
};

// zlib (RFC 1950) inflate of one buffer, refusing to produce more than `limit`
// octets. Exposed for tests.
bool Inflate(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out,
             std::string& error);

}  // namespace quarvel
