// Runs the real built tools as child processes and captures what they print.
#pragma once

#include <string>
#include <vector>

#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace tooltest {

using torvane::testsupport::ProgramRun;
using torvane::testsupport::ReadBytes;
using torvane::testsupport::TempDir;
using torvane::testsupport::WriteBytes;

inline std::string Tool(const std::string& name) {
    return std::string(TORVANE_BIN_DIR) + "/" + name;
}
inline std::string Fixture(const std::string& name) {
    return std::string(TORVANE_FIXTURES_DIR) + "/" + name;
}

// Runs `program` with `args`; a tool that has not ended after
// `timeoutSeconds` is killed.
inline ProgramRun RunTool(const std::string& program, const std::vector<std::string>& args,
                          int timeoutSeconds = 30) {
    torvane::testsupport::RunOptions options;
    options.timeoutSeconds = timeoutSeconds;
    return torvane::testsupport::RunProgram(program, args, options);
}

}  // namespace tooltest
