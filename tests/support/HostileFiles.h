// Matroska files built to exhaust the tools, small on disk: values each
// under the per-element limit that add up to gigabytes, counts far past a
// limit, a zlib bomb. Shared by the tools' tests and bench/hostile_bench.sh.
#pragma once

#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/EbmlWriter.h"

namespace ebmltest {

// One file built to exhaust a tool, and the runs of the tools that meet it.
struct HostileFile {
    std::string name;
    Sparse file;
    // Tool and arguments; "F" stands for the file, "O/" for an output folder.
    std::vector<std::vector<std::string>> runs;
    std::string warning;  // what standard error says, once
};

// EBML header and a Segment of `children`.
inline Sparse SegmentOf(const std::vector<Sparse>& children) {
    return SparseCat({Plain(EbmlHeader()), SparseElement(kSegment, SparseCat(children))});
}

// `n` elements `id`, the k-th (from 1) holding `data(k)`.
inline Sparse Many(uint32_t id, size_t n, const std::function<Sparse(uint64_t)>& data) {
    std::vector<Sparse> all;
    for (uint64_t k = 1; k <= n; ++k)
        all.push_back(SparseElement(id, data(k)));
    return SparseCat(all);
}

// A zlib stream of `size` zero octets, made without holding them.
inline Bytes ZlibOfZeros(uint64_t size) {
    z_stream zs{};
    deflateInit(&zs, 9);
    const Bytes zeros(1 << 20, 0);
    Bytes out, piece(1 << 16);
    for (uint64_t left = size;;) {
        const auto n = static_cast<uInt>(std::min<uint64_t>(left, zeros.size()));
        zs.next_in = const_cast<Bytef*>(zeros.data());
        zs.avail_in = n;
        left -= n;
        do {
            zs.next_out = piece.data();
            zs.avail_out = static_cast<uInt>(piece.size());
            deflate(&zs, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            out.insert(out.end(), piece.data(), zs.next_out);
        } while (zs.avail_out == 0);
        if (left == 0)
            break;
    }
    deflateEnd(&zs);
    return out;
}

// The cases. `bombBytes` is what the zlib frame expands to: past the pass's
// limit however small (the tests keep it quick), a gigabyte for the benchmark.
inline std::vector<HostileFile> HostileFiles(uint64_t bombBytes = 256 << 20) {
    const uint64_t big = 15 << 20;
    const Sparse info = Plain(Info());
    const std::string bytesLimit = "more than 16777216 bytes of metadata values; ";
    std::vector<HostileFile> cases;

    const Sparse covers = Many(kSimpleTag, 40, [&](uint64_t) {
        return SparseCat({Plain(Str(kTagName, "COVER")), ZeroElement(kTagBinary, big)});
    });
    cases.push_back({"40 TagBinary of 15 MiB",
                     SegmentOf({info, SparseElement(kTags, SparseElement(kTag, covers))}),
                     {{"quarvel", "tags", "F"}},
                     bytesLimit + "39 more ignored"});

    const Sparse atoms = Many(kChapterAtom, 20, [&](uint64_t k) {
        return SparseCat({Plain(Uint(kChapterUid, k)), ZeroElement(kChapterSegmentUuid, big)});
    });
    cases.push_back(
        {"20 ChapterSegmentUUID of 15 MiB",
         SegmentOf({info, SparseElement(kChapters, SparseElement(kEditionEntry, atoms))}),
         {{"quarvel", "chapters", "F"}, {"quarvel", "chapters", "F", "-s"}},
         bytesLimit + "19 more ignored"});

    // Twenty AC-3 tracks of one frame each, every TrackEntry with `extra`.
    auto twentyTracks = [&](const Sparse& extra) {
        const Sparse entries = Many(kTrackEntry, 20, [&](uint64_t k) {
            return SparseCat(
                {Plain(Cat({Uint(kTrackNumber, k), Uint(kTrackType, 2), Str(kCodecId, "A_AC3")})),
                 extra});
        });
        std::vector<Bytes> cluster = {Uint(kTimestamp, 0)};
        for (uint64_t k = 1; k <= 20; ++k)
            cluster.push_back(SimpleBlock(k, 0, {0x0B, 0x77}));
        return SegmentOf({info, SparseElement(kTracks, entries), Plain(Master(kCluster, cluster))});
    };
    std::vector<std::string> allTracks = {"quarvel", "tracks", "F"};
    for (int k = 1; k <= 20; ++k)
        allTracks.push_back(std::to_string(k) + ":O/" + std::to_string(k) + ".ac3");
    cases.push_back({"20 CodecPrivate of 15 MiB",
                     twentyTracks(ZeroElement(kCodecPrivate, big)),
                     {{"ostrem", "-i", "F"}, allTracks},
                     bytesLimit + "19 more ignored"});
    const Sparse stripped = SparseElement(
        kContentEncodings,
        SparseElement(kContentEncoding,
                      SparseElement(kContentCompression,
                                    SparseCat({Plain(Uint(kContentCompAlgo, 3)),
                                               ZeroElement(kContentCompSettings, big)}))));
    cases.push_back({"20 ContentCompSettings of 15 MiB",
                     twentyTracks(stripped),
                     {{"ostrem", "-i", "F"}, allTracks},
                     bytesLimit + "19 more ignored"});

    const Bytes zlib = Master(kContentEncodings, {Master(kContentEncoding, {})});
    cases.push_back(
        {"a zlib frame of " + std::to_string(bombBytes >> 20) + " MiB",
         Plain(Cat(
             {EbmlHeader(), Segment({Info(), Tracks({TrackEntry(1, 2, "A_AC3", {zlib})}),
                                     Cluster(0, {SimpleBlock(1, 0, ZlibOfZeros(bombBytes))})})})),
         {{"quarvel", "tracks", "F", "1:O/1.ac3"}},
         "dropped: compressed frame expands past the size limit"});

    Bytes tracks;
    for (uint64_t k = 1; k <= 5000; ++k)
        Append(tracks, TrackEntry(k, 2, "A_AC3"));
    cases.push_back({"5,000 tracks",
                     Plain(Cat({EbmlHeader(), Segment({Info(), Element(kTracks, tracks)})})),
                     {{"ostrem", "-i", "F"}},
                     "more than 4096 tracks; 904 more ignored"});
    Bytes seeks;
    for (int k = 0; k < 200000; ++k)
        Append(seeks, Seek(kInfo, 0));
    cases.push_back({"a SeekHead of 200,000 entries",
                     Plain(Cat({EbmlHeader(), Segment({Element(kSeekHead, seeks), Info()})})),
                     {{"ostrem", "-i", "F"}},
                     "more than 4096 SeekHead entries; 195904 more ignored"});
    return cases;
}

}  // namespace ebmltest
