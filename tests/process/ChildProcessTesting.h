// What the tests of process/ share: the helper child, the clock, and whether
// a child has ended and left nothing behind.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>

#include <cerrno>
#endif

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/ProgramFolder.h"

namespace torvane::testsupport {

using Clock = std::chrono::steady_clock;

inline long MsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The helper child lands beside the test program, in its program folder.
constexpr char kChildName[] = "torvane_test_child";

inline std::string ChildPath() {
    return ProgramFolder() + ToolFileName(kChildName);
}

// True when the child has ended and is reaped (POSIX), or has ended
// (Windows, where nothing is left to reap).
inline bool Reaped(long pid) {
#ifdef _WIN32
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return true;
    }
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    errno = 0;
    return ::waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG) == -1 && errno == ECHILD;
#endif
}

// Waits (at most 10 s) until `path` exists: the child made it when ready.
inline bool AwaitFile(const std::string& path) {
    const auto start = Clock::now();
    while (!std::filesystem::exists(path) && MsSince(start) < 10000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::filesystem::exists(path);
}

#ifdef _WIN32
// Closes this program's own handle to the child behind the back of the
// object that holds it, so that its next wait on the child fails.
inline bool CloseHandleTo(long pid) {
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        const HANDLE handle = reinterpret_cast<HANDLE>(value);
        if (GetProcessId(handle) == static_cast<DWORD>(pid)) {
            return CloseHandle(handle) != 0;
        }
    }
    return false;
}
#endif

}  // namespace torvane::testsupport
