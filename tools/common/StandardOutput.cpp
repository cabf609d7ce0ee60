#include "tools/common/StandardOutput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

#include "tools/common/ExitStatus.h"

namespace tools {

namespace {

bool g_stdoutClosed = false;  // at start
bool g_resultPrinted = false;
int g_resultError = 0;  // errno of the first failed write of the result

void ResultFailed(int error) {
    if (g_resultError == 0) {
        g_resultError = error != 0 ? error : EIO;
    }
}

void PutResult(std::string_view text) {
    g_resultPrinted = true;
    if (g_stdoutClosed) {
        ResultFailed(EBADF);
        return;
    }
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        ResultFailed(errno);
    }
}

// Flushes standard output; a failure counts only where a result was printed
// (reports, written at once, are let go).
void FlushStdout() {
    errno = 0;
    if (std::fflush(stdout) != 0 && g_resultPrinted) {
        ResultFailed(errno);
    }
}

}  // namespace

bool PrepareStandardStreams() {
    bool closed[3] = {};
    if (!platform::FillClosedStandardDescriptors(closed)) {
        return false;
    }
    g_stdoutClosed = closed[1];
    platform::SetBinaryStdout();
    return true;
}

void PrintLine(std::string_view line) {
    PutResult(line);
    PutResult("\r\n");
}

void PrintRaw(std::string_view text) {
    PutResult(text);
}

void PrintReport(std::string_view line) {
    if (g_stdoutClosed) {
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fwrite("\r\n", 1, 2, stdout);
    std::fflush(stdout);
}

void PrintError(std::string_view program, std::string_view message) {
    FlushStdout();
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(program.size()), program.data(),
                 static_cast<int>(message.size()), message.data());
}

int FinishStandardOutput(std::string_view program, int status) {
    FlushStdout();
    if (g_resultError == 0) {
        return status;
    }
    const int error = g_resultError;
    g_resultError = 0;
    PrintError(program, std::string("cannot write to standard output: ") + std::strerror(error));
    return kExitFailed;
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

void ReportBytesRead(unsigned long long bytes) {
    if (const char* flag = std::getenv("TORVANE_REPORT_BYTES"); flag != nullptr && *flag) {
        std::fprintf(stderr, "bytes read: %llu\n", bytes);
    }
}

}  // namespace tools
