// A small Matroska file with what the batch tests need beyond the committed
// fixtures: beside a Spanish SubRip track, a Spanish audio track of a codec
// no table knows (A_ODD), and attachments whose kind only their names tell
// (application/octet-stream): a font and a picture.
#pragma once

#include <fstream>
#include <string>

#include "tests/support/EbmlWriter.h"

namespace torvane::testsupport {

inline void WriteBatchSourceFile(const std::string& path) {
    using namespace ebmltest;
    const Bytes text = {'H', 'o', 'l', 'a'};
    const Bytes file = Cat({
        EbmlHeader(),
        Segment({
            Info(),
            Tracks({
                TrackEntry(
                    1, 2, "A_ODD",
                    {Str(kLanguage, "spa"), Master(kAudio, {Float(kSamplingFrequency, 8000.0)})}),
                TrackEntry(2, 17, "S_TEXT/UTF8", {Str(kLanguage, "spa")}),
            }),
            Master(kAttachments,
                   {AttachedFile("odd font.ttf", "application/octet-stream", Bytes(40, 7), 1),
                    AttachedFile("back.JPG", "application/octet-stream", Bytes(30, 9), 2)}),
            Cluster(0, {SimpleBlock(1, 0, Bytes(16, 1)),
                        BlockGroup(2, 0, text, {Uint(kBlockDuration, 1000)})}),
        }),
    });
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
}

}  // namespace torvane::testsupport
