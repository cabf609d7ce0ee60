#include "tools/common/StandardOutput.h"

#include "tools/common/ExitStatus.h"

#include <cstdlib>
#include <exception>
#include <new>

namespace tools {

void PrintLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fwrite("\r\n", 1, 2, stdout);
}

void PrintRaw(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintError(std::string_view program, std::string_view message) {
    std::fflush(stdout);
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(program.size()), program.data(),
                 static_cast<int>(message.size()), message.data());
}

int RunGuarded(std::string_view program, const std::function<int()>& run) {
    try {
        return run();
    } catch (const std::bad_alloc&) {
        PrintError(program, "out of memory; stopped");
    } catch (const std::exception& e) {
        PrintError(program, std::string("stopped by an unexpected error: ") + e.what());
    }
    return kExitFailed;
}

std::string SafeName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = '?';
    }
    return out;
}

void ReportBytesRead(unsigned long long bytes) {
    if (const char* flag = std::getenv("TORVANE_REPORT_BYTES"); flag != nullptr && *flag) {
        std::fprintf(stderr, "bytes read: %llu\n", bytes);
    }
}

}  // namespace tools
