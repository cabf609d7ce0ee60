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

#include "matroska/Ebml.h"
#include "tests/support/EbmlWriter.h"

using namespace ebmltest;

namespace {

constexpr uint64_t kBlockBytes = uint64_t{48000} * 2 * 2;  // one second of audio

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
    uint64_t size = 0;
    const size_t sizeLen =
        got < at + 12 ? 0 : mkv::DecodeVint(head.data() + at + 4, got - at - 4, size);
    if (sizeLen == 0 || head[at] != 0x11 || head[at + 1] != 0x4D) {
        std::fprintf(stderr, "no SeekHead where expected\n");
        std::fclose(f);
        return 1;
    }
    const uint64_t total = 4 + sizeLen + size;
    const Bytes voidHeader = Cat({Id(kVoid), Size(total - 9, 8)});
    std::fseek(f, static_cast<long>(at), SEEK_SET);
    const bool ok = Put(f, voidHeader);
    return std::fclose(f) == 0 && ok ? 0 : 1;
}

// The file's level-1 elements but the Clusters, and the one Cluster written
// again and again with its Timestamp changed.
struct Parts {
    uint64_t clusters = 0;
    Bytes info, tracks, cues, chapters, tags;
    Bytes clusterHead, clusterBody;
};

// A quiet tone, the same every second.
Bytes OneSecondOfTone() {
    Bytes pcm(kBlockBytes);
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const auto v = static_cast<int16_t>((i / 4 % 100) * 20 - 1000);
        pcm[i] = static_cast<uint8_t>(v);
        pcm[i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    }
    return pcm;
}

Bytes ChaptersOf(uint64_t clusters) {
    std::vector<Bytes> atoms;
    for (uint64_t i = 0; i < 20; ++i) {
        atoms.push_back(Atom(i + 1, i * clusters / 20 * 1000000000,
                             {Display("Capítulo " + std::to_string(i + 1))}));
    }
    return Master(kChapters, {Master(kEditionEntry, atoms)});
}

// One CuePoint every ten Clusters.
Bytes CuesOf(uint64_t clusters) {
    std::vector<Bytes> cuePoints;
    for (uint64_t i = 0; i < clusters; i += 10) {
        cuePoints.push_back(
            Master(0xBB, {Uint(0xB3, i * 1000), Master(0xB7, {Uint(0xF7, 1), Uint(0xF1, 0, 8)})}));
    }
    return Master(kCues, cuePoints);
}

Parts MakeParts(uint64_t sizeMb) {
    Parts p;
    p.clusters = sizeMb * 1000000 / kBlockBytes + 1;
    p.info = Master(kInfo, {Uint(kTimestampScale, 1000000), Float(kDuration, p.clusters * 1000.0),
                            Str(kMuxingApp, "reader_makebig"), Str(kWritingApp, "reader_makebig"),
                            Str(kTitle, "Benchmark")});
    p.tracks = Tracks({TrackEntry(1, 2, "A_PCM/INT/LIT",
                                  {Str(kLanguage, "spa"), Str(kName, "Pista de prueba"),
                                   Master(kAudio, {Float(kSamplingFrequency, 48000),
                                                   Uint(kChannels, 2), Uint(kBitDepth, 16)})})});
    // A fixed-width Timestamp, so that every Cluster has the same size.
    p.clusterBody = Cat({Uint(kTimestamp, 0, 8), SimpleBlock(1, 0, OneSecondOfTone())});
    p.clusterHead = Cat({Id(kCluster), Size(p.clusterBody.size(), 8)});
    p.chapters = ChaptersOf(p.clusters);
    p.tags = Master(kTags, {Master(kTag, {Master(kTargets, {}), SimpleTagOf("TITLE", "Benchmark"),
                                          SimpleTagOf("ARTIST", "Torvane")}),
                            Master(kTag, {Master(kTargets, {Uint(kTagTrackUid, 1001)}),
                                          SimpleTagOf("DURATION", "01:00:00.000000000")})});
    p.cues = CuesOf(p.clusters);
    return p;
}

// The Segment Positions of the indexed elements, after a SeekHead of fixed
// size and a Void.
struct Layout {
    uint64_t info = 0, tracks = 0, cues = 0, chapters = 0, tags = 0, segmentSize = 0;
};

Bytes SeekHeadOf(const Layout& at) {
    return Master(kSeekHead, {Seek(kInfo, at.info), Seek(kTracks, at.tracks), Seek(kCues, at.cues),
                              Seek(kChapters, at.chapters), Seek(kTags, at.tags)});
}

const Bytes kPad = Void(100);

Layout LayoutOf(const Parts& p) {
    Layout at;
    at.info = SeekHeadOf(Layout{}).size() + kPad.size();
    at.tracks = at.info + p.info.size();
    at.cues =
        at.tracks + p.tracks.size() + p.clusters * (p.clusterHead.size() + p.clusterBody.size());
    at.chapters = at.cues + p.cues.size();
    at.tags = at.chapters + p.chapters.size();
    at.segmentSize = at.tags + p.tags.size();
    return at;
}

bool WriteClusters(std::FILE* f, const Parts& p) {
    Bytes body = p.clusterBody;
    for (uint64_t i = 0; i < p.clusters; ++i) {
        const uint64_t ts = i * 1000;
        for (int k = 0; k < 8; ++k)
            body[2 + static_cast<size_t>(k)] = static_cast<uint8_t>(ts >> (56 - 8 * k));
        if (!Put(f, p.clusterHead) || !Put(f, body))
            return false;
    }
    return true;
}

bool WriteFile(std::FILE* f, const Parts& p) {
    const Layout at = LayoutOf(p);
    return Put(f, EbmlHeader()) && Put(f, Cat({Id(kSegment), Size(at.segmentSize, 8)})) &&
           Put(f, SeekHeadOf(at)) && Put(f, kPad) && Put(f, p.info) && Put(f, p.tracks) &&
           WriteClusters(f, p) && Put(f, p.cues) && Put(f, p.chapters) && Put(f, p.tags);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--unindex")
        return Unindex(argv[2]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: reader_makebig FILE SIZE_MB | --unindex FILE\n");
        return 2;
    }
    const Parts parts = MakeParts(std::strtoull(argv[2], nullptr, 10));
    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = WriteFile(f, parts);
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
