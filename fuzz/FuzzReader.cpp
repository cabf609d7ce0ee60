// libFuzzer target: identifies its input and prints its chapters and tags,
// then walks every block, as ostrem and quarvel would.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "matroska/Reader.h"
#include "tools/ostrem/ListingLines.h"
#include "tools/quarvel/ChapterAndTagText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mkv::Reader reader(mkv::MemorySource(std::vector<uint8_t>(data, data + size)));
    if (!reader.Open())
        return 0;
    const auto lines = ostrem::ListingLines("fuzz", reader);
    if (const auto& chapters = reader.GetChapters()) {
        const std::string xml = quarvel::ChaptersXml(*chapters);
        const std::string simple = quarvel::ChaptersSimple(*chapters);
        if (xml.empty() || lines.empty())
            __builtin_trap();
        (void)simple;
    }
    if (const auto& tags = reader.GetTags()) {
        if (quarvel::TagsXml(*tags).empty())
            __builtin_trap();
    }
    for (const mkv::Attachment& a : reader.Attachments()) {
        if (a.dataOffset + a.dataSize > reader.FileSize())
            __builtin_trap();
    }
    mkv::BlockWalker walker = reader.Blocks();
    mkv::BlockHeader block;
    std::vector<uint8_t> payload;
    while (walker.Next(block)) {
        if (block.payloadOffset + block.payloadSize > reader.FileSize())
            __builtin_trap();
        walker.ReadPayload(payload);
    }
    return 0;
}
