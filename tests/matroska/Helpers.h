// Shared helpers of the reader tests: files built with the test EBML writer,
// opened from memory.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "matroska/Reader.h"
#include "tests/support/EbmlWriter.h"

namespace mkvtest {

using ebmltest::Bytes;

inline std::unique_ptr<mkv::Reader> OpenBytes(const Bytes& bytes,
                                              unsigned sections = mkv::kAllSections) {
    auto reader = std::make_unique<mkv::Reader>(mkv::MemorySource(bytes));
    reader->Open(sections);
    return reader;
}

// EBML header + a known-size Segment around `children`.
inline Bytes FileOf(const std::vector<Bytes>& children) {
    return ebmltest::Cat({ebmltest::EbmlHeader(), ebmltest::Segment(children)});
}

// Like FileOf, with a SeekHead first that indexes the first child with each
// of `indexed` IDs.
inline Bytes FileWithSeekHead(const std::vector<Bytes>& children,
                              const std::vector<uint32_t>& indexed) {
    using namespace ebmltest;
    auto build = [&](const std::vector<uint64_t>& positions) {
        std::vector<Bytes> seeks;
        for (size_t i = 0; i < indexed.size(); ++i)
            seeks.push_back(Seek(indexed[i], positions[i]));
        return Master(kSeekHead, seeks);
    };
    const size_t headSize = build(std::vector<uint64_t>(indexed.size(), 0)).size();
    std::vector<uint64_t> positions;
    for (uint32_t want : indexed) {
        uint64_t pos = headSize;
        const Bytes id = Id(want);
        for (const Bytes& c : children) {
            if (c.size() >= id.size() && std::equal(id.begin(), id.end(), c.begin()))
                break;
            pos += c.size();
        }
        positions.push_back(pos);
    }
    std::vector<Bytes> all = {build(positions)};
    all.insert(all.end(), children.begin(), children.end());
    return FileOf(all);
}

inline bool HasProblem(const mkv::Reader& reader, const std::string& needle) {
    for (const auto& e : reader.Problems()) {
        if (e.message.find(needle) != std::string::npos)
            return true;
    }
    return false;
}

inline std::string Problems(const mkv::Reader& reader) {
    std::string out;
    for (const auto& e : reader.Problems())
        out += e.ToString() + "\n";
    return out;
}

}  // namespace mkvtest
