#include "tracks.h"

#include <cstdio>

namespace quarvel {

int RunTracks(const std::string& file, const std::vector<std::string>& specs) {
    (void)file;
    (void)specs;
    std::fputs("quarvel: tracks: not available in this build\n", stderr);
    return 2;
}

}  // namespace quarvel
