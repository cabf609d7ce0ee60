// Runs a program as a child process with its standard output and error
// captured, and tells how it ended.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"

extern char** environ;

namespace torvane::testsupport {

struct ProgramRun {
    int status = -1;  // exit status, or -1 when it could not start, was killed or timed out
    int signal = 0;   // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;     // or why it could not start
    long maxRssKiB = 0;  // peak resident set of the child
};

struct RunOptions {
    // "NAME=value" entries added to the inherited environment, replacing a
    // variable of the same name; of two entries with one name, the later wins.
    std::vector<std::string> env = {};
    // The child is killed after this long; 0 waits as long as it takes.
    int timeoutSeconds = 0;
    // The child's current folder; empty keeps this process's.
    std::string folder = {};
    // Standard output a pipe whose reader has gone, as when the program
    // reading the output ends early: writing to it raises SIGPIPE.
    bool readerGone = false;
    // SIGPIPE ignored, as some launchers leave it: a write to a pipe whose
    // reader has gone then fails with EPIPE instead of ending the child.
    bool sigpipeIgnored = false;
    // Standard output opened on this path (/dev/full, say) instead of captured.
    std::string outputPath = {};
    // The standard descriptors the child starts without, as a careless
    // parent leaves them: {1} for standard output alone, {0, 1, 2} for all.
    std::vector<int> closed = {};
    // The child leads a process group of its own, as a shell's foreground
    // job does: kill(-Pid(), SIGINT) is then what Ctrl+C in its terminal
    // sends.
    bool ownProcessGroup = false;
};

// A started child. Its standard input is empty; its output and error go to
// files of a private folder until Finish() reads them.
class RunningProgram {
  public:
    RunningProgram(const std::string& program, const std::vector<std::string>& args,
                   const RunOptions& options = {})
        : program_(program), timeoutSeconds_(options.timeoutSeconds) {
        const bool readerGone = options.readerGone;
        const bool sigpipeIgnored = options.sigpipeIgnored;
        const std::string outputPath = options.outputPath;
        const std::vector<int> closed = options.closed;
        const bool ownProcessGroup = options.ownProcessGroup;
        // Everything the child needs is prepared here: between fork() and
        // exec the child only opens, duplicates, changes folder and writes.
        const std::string outPath = capture_.File("stdout"), errPath = capture_.File("stderr");
        const std::string folder = options.folder;
        std::vector<std::string> all = {program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        std::map<std::string, std::string> byName;  // the later of two entries wins
        for (char** e = environ; *e != nullptr; ++e) {
            byName[std::string(*e).substr(0, std::string(*e).find('='))] = *e;
        }
        for (const std::string& extra : options.env) {
            byName[extra.substr(0, extra.find('='))] = extra;
        }
        std::vector<std::string> env;
        for (auto& [name, entry] : byName) {
            env.push_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);

        // The child reports a failed exec through this pipe; a successful one
        // closes it unwritten.
        int report[2];
        if (::pipe2(report, O_CLOEXEC) != 0) {
            startError_ = "cannot start " + program + ": " + std::strerror(errno);
            return;
        }
        // fork() rather than posix_spawn(): a child that shares the parent's
        // memory until exec inherits the parent's peak resident set, and
        // some tests measure the child's own.
        pid_ = ::fork();
        if (pid_ == 0) {
            if (ownProcessGroup) {
                ::setpgid(0, 0);
            }
            const int in = ::open("/dev/null", O_RDONLY);
            int o = ::open(outputPath.empty() ? outPath.c_str() : outputPath.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int gone[2];
            if (readerGone && ::pipe(gone) == 0) {
                ::close(gone[0]);
                o = gone[1];
            }
            const int e = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (sigpipeIgnored) {
                ::signal(SIGPIPE, SIG_IGN);
            }
            if (in >= 0 && o >= 0 && e >= 0 && ::dup2(in, 0) == 0 && ::dup2(o, 1) == 1 &&
                ::dup2(e, 2) == 2 && (folder.empty() || ::chdir(folder.c_str()) == 0)) {
                for (const int fd : closed) {
                    ::close(fd);
                }
                ::execve(program_.c_str(), argv.data(), envp.data());
            }
            const int code = errno;
            [[maybe_unused]] const ssize_t n = ::write(report[1], &code, sizeof code);
            ::_exit(127);
        }
        const int forkErrno = errno;
        if (pid_ > 0 && ownProcessGroup) {
            // Both sides set it, so that it holds before either goes on.
            ::setpgid(pid_, pid_);
        }
        ::close(report[1]);
        if (pid_ < 0) {
            ::close(report[0]);
            startError_ = "cannot start " + program + ": " + std::strerror(forkErrno);
            return;
        }
        int code = 0;
        ssize_t n;
        do {
            n = ::read(report[0], &code, sizeof code);
        } while (n < 0 && errno == EINTR);
        ::close(report[0]);
        if (n == static_cast<ssize_t>(sizeof code)) {
            startError_ = "cannot start " + program + ": " + std::strerror(code);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    ~RunningProgram() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The child's process id, or -1 when it could not start.
    pid_t Pid() const { return pid_; }

    // Waits for the child's end (killing it at the time-out) and reads what
    // it printed.
    ProgramRun Finish() {
        ProgramRun run;
        if (pid_ <= 0) {
            run.err = startError_;
            return run;
        }
        int wstatus = 0;
        struct rusage usage {};
        if (timeoutSeconds_ <= 0) {
            while (::wait4(pid_, &wstatus, 0, &usage) < 0 && errno == EINTR) {
            }
        } else {
            const auto deadline =
                std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds_);
            for (;;) {
                const pid_t done = ::wait4(pid_, &wstatus, WNOHANG, &usage);
                if (done == pid_ || (done < 0 && errno != EINTR)) {
                    break;
                }
                if (std::chrono::steady_clock::now() > deadline) {
                    ::kill(pid_, SIGKILL);
                    ::wait4(pid_, &wstatus, 0, &usage);
                    run.timedOut = true;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        pid_ = -1;
        run.maxRssKiB = usage.ru_maxrss;
        if (!run.timedOut && WIFEXITED(wstatus)) {
            run.status = WEXITSTATUS(wstatus);
        }
        if (WIFSIGNALED(wstatus)) {
            run.signal = WTERMSIG(wstatus);
        }
        run.out = ReadBytes(capture_.File("stdout"));
        run.err = ReadBytes(capture_.File("stderr"));
        return run;
    }

  private:
    TempDir capture_;
    std::string program_;
    int timeoutSeconds_ = 0;
    pid_t pid_ = -1;
    std::string startError_;
};

// Runs `program` with `args` to its end.
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const RunOptions& options = {}) {
    return RunningProgram(program, args, options).Finish();
}

}  // namespace torvane::testsupport
