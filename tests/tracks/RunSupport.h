// Runs the real quarvel program and reads what it wrote.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "EbmlWriter.h"

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

struct Result {
    int status = -1;  // exit status, or 128 + signal
    std::string out, err;
    long maxRssKiB = 0;  // peak resident set of the child
};

// Starts `program` with `args`; stdout and stderr go to files in `dir`.
// `extraEnv` entries ("NAME=value") are added to the environment.
inline pid_t Start(const std::string& program, const std::vector<std::string>& args,
                   const fs::path& dir, const std::vector<std::string>& extraEnv = {}) {
    const std::string outPath = (dir / "stdout.txt").string();
    const std::string errPath = (dir / "stderr.txt").string();
    const pid_t pid = fork();
    if (pid == 0) {
        const int o = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(o, 1);
        dup2(e, 2);
        for (const std::string& kv : extraEnv) {
            putenv(const_cast<char*>(kv.c_str()));
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

inline Result Finish(pid_t pid, const fs::path& dir) {
    int st = 0;
    struct rusage usage {};
    wait4(pid, &st, 0, &usage);
    Result r;
    r.maxRssKiB = usage.ru_maxrss;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = ReadText(dir / "stdout.txt");
    r.err = ReadText(dir / "stderr.txt");
    return r;
}

inline Result RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const fs::path& dir, const std::vector<std::string>& extraEnv = {}) {
    return Finish(Start(program, args, dir, extraEnv), dir);
}

}  // namespace trackstest
