// Runs the real built tools as child processes and captures what they print.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tooltest {

struct Run {
    int status = -1;  // exit status, or -1 when killed by a signal or the time-out
    int signal = 0;   // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;
};

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteAll(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Tool(const std::string& name) {
    return std::string(TORVANE_BIN_DIR) + "/" + name;
}
inline std::string Fixture(const std::string& name) {
    return std::string(TORVANE_FIXTURES_DIR) + "/" + name;
}

// A fresh folder for one test, removed with the object.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "torvane-tools-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Runs `program` with `args`, standard output and error captured, standard
// input empty; kills it after `timeoutSeconds`.
inline Run RunTool(const std::string& program, const std::vector<std::string>& args,
                   int timeoutSeconds = 30) {
    static int counter = 0;
    const auto base = std::filesystem::temp_directory_path() /
                      ("torvane-run-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    const std::string outPath = base.string() + ".out", errPath = base.string() + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Run run;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        run.err = "cannot start " + program;
        return run;
    }
    posix_spawn_file_actions_destroy(&actions);
    int wstatus = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        const pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            run.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!run.timedOut && WIFEXITED(wstatus))
        run.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus))
        run.signal = WTERMSIG(wstatus);
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

}  // namespace tooltest
