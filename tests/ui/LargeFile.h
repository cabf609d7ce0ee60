// A Matroska file large enough to keep the extraction tool busy for a while,
// so that a test can cancel it mid-way.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/EbmlWriter.h"

// One PCM audio track of about `megabytes` MB; a language element only when
// one is given.
inline void WriteLargePcmFile(const std::string& path, int megabytes,
                              const std::string& language = {}) {
    using namespace ebmltest;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    auto put = [&out](const Bytes& bytes) {
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    };
    put(EbmlHeader());
    put(Cat({Id(kSegment), UnknownSize()}));
    put(Info());
    const Bytes audio = Master(
        kAudio, {Float(kSamplingFrequency, 48000.0), Uint(kChannels, 2), Uint(kBitDepth, 16)});
    put(Tracks({language.empty()
                    ? TrackEntry(1, 2, "A_PCM/INT/LIT", {audio})
                    : TrackEntry(1, 2, "A_PCM/INT/LIT", {audio, Str(kLanguage, language)})}));
    Bytes payload(65536);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<uint8_t>(i * 7);
    }
    // 16 blocks of 341 ms per cluster.
    for (int cluster = 0; cluster < megabytes; ++cluster) {
        std::vector<Bytes> blocks = {Uint(kTimestamp, static_cast<uint64_t>(cluster) * 5461)};
        for (int b = 0; b < 16; ++b) {
            blocks.push_back(SimpleBlock(1, static_cast<int16_t>(b * 341), payload));
        }
        put(Master(kCluster, blocks));
    }
}
