// Writes a large Matroska file for the reader benchmark: one PCM audio track
// (48 kHz, stereo, 16-bit) of SIZE_MB megabytes in one-second Clusters, then
// Cues, Chapters and Tags after the Clusters, all indexed by a SeekHead at the
// start, as common writers place them.
//
//   reader_makebig FILE SIZE_MB     write the file
//   reader_makebig --unindex FILE   turn its SeekHead into a Void, so readers
//                                   must walk the Clusters to find the rest
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/EbmlWriter.h"

using namespace ebmltest;

namespace {

constexpr uint64_t kBlockBytes = 48000 * 2 * 2;  // one second of audio

bool Put(std::FILE* f, const Bytes& b) {
    return std::fwrite(b.data(), 1, b.size(), f) == b.size();
}

int Unindex(const char* path) {
    std::FILE* f = std::fopen(path, "r+b");
    if (f == nullptr)
        return 1;
    Bytes head(4096);
    const size_t got = std::fread(head.data(), 1, head.size(), f);
    // The SeekHead is the Segment's first child: after the EBML header, the
    // Segment ID and its 8-byte size.
    const size_t ebmlSize = 4 + 1 + head[4] - 0x80;
    const size_t at = ebmlSize + 4 + 8;
    if (got < at + 12 || head[at] != 0x11 || head[at + 1] != 0x4D) {
        std::fprintf(stderr, "no SeekHead where expected\n");
        return 1;
    }
    const uint8_t first = head[at + 4];
    size_t sizeLen = 1;
    while (sizeLen < 8 && (first & (0x80u >> (sizeLen - 1))) == 0)
        ++sizeLen;
    uint64_t size = first & (0xFFu >> sizeLen);
    for (size_t i = 1; i < sizeLen; ++i)
        size = (size << 8) | head[at + 4 + i];
    const uint64_t total = 4 + sizeLen + size;
    const Bytes voidHeader = Cat({Id(kVoid), Size(total - 9, 8)});
    std::fseek(f, static_cast<long>(at), SEEK_SET);
    const bool ok = Put(f, voidHeader);
    return std::fclose(f) == 0 && ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--unindex")
        return Unindex(argv[2]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: reader_makebig FILE SIZE_MB | --unindex FILE\n");
        return 2;
    }
    const uint64_t clusters = std::strtoull(argv[2], nullptr, 10) * 1000000 / kBlockBytes + 1;

    const Bytes info =
        Master(kInfo, {Uint(kTimestampScale, 1000000), Float(kDuration, clusters * 1000.0),
                       Str(kMuxingApp, "reader_makebig"), Str(kWritingApp, "reader_makebig"),
                       Str(kTitle, "Benchmark")});
    const Bytes tracks =
        Tracks({TrackEntry(1, 2, "A_PCM/INT/LIT",
                           {Str(kLanguage, "spa"), Str(kName, "Pista de prueba"),
                            Master(kAudio, {Float(kSamplingFrequency, 48000), Uint(kChannels, 2),
                                            Uint(kBitDepth, 16)})})});
    // A quiet tone, the same every second.
    Bytes pcm(kBlockBytes);
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const auto v = static_cast<int16_t>((i / 4 % 100) * 20 - 1000);
        pcm[i] = static_cast<uint8_t>(v);
        pcm[i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    }
    const Bytes block = SimpleBlock(1, 0, pcm);
    // Each Cluster: fixed-width Timestamp so every Cluster has the same size.
    const Bytes clusterBody = Cat({Uint(kTimestamp, 0, 8), block});
    const Bytes clusterHead = Cat({Id(kCluster), Size(clusterBody.size(), 8)});
    const uint64_t clusterSize = clusterHead.size() + clusterBody.size();

    std::vector<Bytes> atoms;
    for (uint64_t i = 0; i < 20; ++i) {
        atoms.push_back(Atom(i + 1, i * clusters / 20 * 1000000000,
                             {Display("Capítulo " + std::to_string(i + 1))}));
    }
    const Bytes chapters = Master(kChapters, {Master(kEditionEntry, atoms)});
    const Bytes tags =
        Master(kTags, {Master(kTag, {Master(kTargets, {}), SimpleTagOf("TITLE", "Benchmark"),
                                     SimpleTagOf("ARTIST", "Torvane")}),
                       Master(kTag, {Master(kTargets, {Uint(kTagTrackUid, 1001)}),
                                     SimpleTagOf("DURATION", "01:00:00.000000000")})});
    std::vector<Bytes> cuePoints;
    for (uint64_t i = 0; i < clusters; i += 10) {
        cuePoints.push_back(
            Master(0xBB, {Uint(0xB3, i * 1000), Master(0xB7, {Uint(0xF7, 1), Uint(0xF1, 0, 8)})}));
    }
    const Bytes cues = Master(kCues, cuePoints);

    // Segment Positions of everything, with a SeekHead of fixed size first.
    auto seekHead = [&](uint64_t infoPos, uint64_t tracksPos, uint64_t cuesPos,
                        uint64_t chaptersPos, uint64_t tagsPos) {
        return Master(kSeekHead,
                      {Seek(kInfo, infoPos), Seek(kTracks, tracksPos), Seek(kCues, cuesPos),
                       Seek(kChapters, chaptersPos), Seek(kTags, tagsPos)});
    };
    const uint64_t headSize = seekHead(0, 0, 0, 0, 0).size();
    const Bytes pad = Void(100);
    const uint64_t infoPos = headSize + pad.size();
    const uint64_t tracksPos = infoPos + info.size();
    const uint64_t clustersPos = tracksPos + tracks.size();
    const uint64_t cuesPos = clustersPos + clusters * clusterSize;
    const uint64_t chaptersPos = cuesPos + cues.size();
    const uint64_t tagsPos = chaptersPos + chapters.size();
    const uint64_t segmentSize = tagsPos + tags.size();

    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    bool ok = Put(f, EbmlHeader()) && Put(f, Cat({Id(kSegment), Size(segmentSize, 8)})) &&
              Put(f, seekHead(infoPos, tracksPos, cuesPos, chaptersPos, tagsPos)) && Put(f, pad) &&
              Put(f, info) && Put(f, tracks);
    Bytes body = clusterBody;
    for (uint64_t i = 0; i < clusters && ok; ++i) {
        const uint64_t ts = i * 1000;
        for (int k = 0; k < 8; ++k)
            body[2 + static_cast<size_t>(k)] = static_cast<uint8_t>(ts >> (56 - 8 * k));
        ok = Put(f, clusterHead) && Put(f, body);
    }
    ok = ok && Put(f, cues) && Put(f, chapters) && Put(f, tags);
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
