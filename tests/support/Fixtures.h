// Where a test finds the committed fixtures and the built programs: each test
// target that needs them defines the two folders.
#pragma once

#include <string>

namespace torvane::testsupport {

#ifdef TORVANE_FIXTURES_DIR
inline std::string Fixture(const std::string& relative) {
    return std::string(TORVANE_FIXTURES_DIR) + "/" + relative;
}
#endif

#ifdef TORVANE_BIN_DIR
inline std::string Program(const std::string& name) {
    return std::string(TORVANE_BIN_DIR) + "/" + name;
}
#endif

}  // namespace torvane::testsupport
