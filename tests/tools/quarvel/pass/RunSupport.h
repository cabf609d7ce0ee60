// Runs the real quarvel program and reads what it wrote.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/EbmlWriter.h"
#include "tests/support/RunProgram.h"

namespace trackstest {

namespace fs = std::filesystem;

inline std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string ReadText(const fs::path& p) {
    auto b = ReadAll(p);
    return {b.begin(), b.end()};
}

inline void WriteAll(const fs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

using torvane::testsupport::ProgramRun;
using torvane::testsupport::RunningProgram;
using torvane::testsupport::RunProgram;

}  // namespace trackstest
