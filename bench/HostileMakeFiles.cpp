// Writes the files bench/hostile_bench.sh runs the tools on, into FOLDER:
// every case of tests/support/HostileFiles.h (its zlib frame expanding to
// 1 GiB) as NN.mkv with NN.runs beside it, one run a line, arguments
// separated by tabs ("F" the file, "O/" the output folder); then NN.mkv of
// 4,000 one-frame tracks, and the run writing each to an output of its own.
//
//   hostile_makefiles FOLDER
#include <cstdio>
#include <string>

#include "tests/support/HostileFiles.h"

using namespace ebmltest;

namespace {

bool WriteRuns(const std::string& path, const std::string& name,
               const std::vector<std::vector<std::string>>& runs) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    std::fprintf(f, "# %s\n", name.c_str());
    for (const auto& run : runs) {
        for (size_t i = 0; i < run.size(); ++i)
            std::fprintf(f, "%s%s", i ? "\t" : "", run[i].c_str());
        std::fputc('\n', f);
    }
    return std::fclose(f) == 0;
}

// 4,000 AC-3 tracks of one frame each.
HostileFile ManyOutputs() {
    constexpr uint64_t kOutputs = 4000;
    Bytes entries, cluster = Uint(kTimestamp, 0);
    std::vector<std::string> run = {"quarvel", "tracks", "F"};
    for (uint64_t k = 1; k <= kOutputs; ++k) {
        Append(entries, TrackEntry(k, 2, "A_AC3"));
        Append(cluster, SimpleBlock(k, 0, {0x0B, 0x77, static_cast<uint8_t>(k)}));
        run.push_back(std::to_string(k) + ":O/" + std::to_string(k) + ".ac3");
    }
    return {"4,000 outputs",
            Plain(Cat({EbmlHeader(),
                       Segment({Info(), Element(kTracks, entries), Element(kCluster, cluster)})})),
            {run},
            ""};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: hostile_makefiles FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<HostileFile> files = HostileFiles(1ull << 30);
    files.push_back(ManyOutputs());
    for (size_t i = 0; i < files.size(); ++i) {
        char stem[24];
        std::snprintf(stem, sizeof stem, "/%02zu", i + 1);
        if (!WriteSparse(folder + stem + ".mkv", files[i].file) ||
            !WriteRuns(folder + stem + ".runs", files[i].name, files[i].runs)) {
            std::fprintf(stderr, "cannot write %s%s\n", folder.c_str(), stem);
            return 1;
        }
    }
    return 0;
}
