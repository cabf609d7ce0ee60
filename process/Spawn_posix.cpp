#include "process/Spawn_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace torvane {
namespace {

class SpawnActions {
  public:
    SpawnActions() : ok_(posix_spawn_file_actions_init(&actions_) == 0) {}
    ~SpawnActions() {
        if (ok_) {
            posix_spawn_file_actions_destroy(&actions_);
        }
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
    bool ok_;
};

class SpawnAttr {
  public:
    SpawnAttr() : ok_(posix_spawnattr_init(&attr_) == 0) {}
    ~SpawnAttr() {
        if (ok_) {
            posix_spawnattr_destroy(&attr_);
        }
    }
    SpawnAttr(const SpawnAttr&) = delete;
    SpawnAttr& operator=(const SpawnAttr&) = delete;
    bool ok() const { return ok_; }
    posix_spawnattr_t* get() { return &attr_; }

  private:
    posix_spawnattr_t attr_;
    bool ok_;
};

// The child's handle `target` becomes a duplicate of `from`, or /dev/null
// opened for reading (standard input) or writing (the others).
bool AddHandle(SpawnActions& actions, int target, int from) {
    if (from != kNullDevice) {
        return posix_spawn_file_actions_adddup2(actions.get(), from, target) == 0;
    }
    const int mode = target == STDIN_FILENO ? O_RDONLY : O_WRONLY;
    return posix_spawn_file_actions_addopen(actions.get(), target, "/dev/null", mode, 0) == 0;
}

bool PrepareActions(SpawnActions& actions, const SpawnSetup& setup) {
    if (!actions.ok() || !AddHandle(actions, STDIN_FILENO, setup.stdinFrom) ||
        !AddHandle(actions, STDOUT_FILENO, setup.stdoutTo) ||
        !AddHandle(actions, STDERR_FILENO, setup.stderrTo)) {
        return false;
    }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors this program inherited without close-on-exec stay here: a
    // stray pipe end in the child could keep another pipe from ending.
    if (posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1) != 0) {
        return false;
    }
#endif
    return true;
}

// The child starts with default signal handling and nothing blocked, whatever
// this program set up for itself: with SIGPIPE ignored, a tool whose output is
// no longer read would go on running.
bool PrepareAttributes(SpawnAttr& attr, const SpawnSetup& setup) {
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (!attr.ok() || posix_spawnattr_setsigdefault(attr.get(), &all) != 0 ||
        posix_spawnattr_setsigmask(attr.get(), &none) != 0) {
        return false;
    }
    if (setup.ownProcessGroup) {
        if (posix_spawnattr_setpgroup(attr.get(), 0) != 0) {
            return false;
        }
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    return posix_spawnattr_setflags(attr.get(), flags) == 0;
}

}  // namespace

bool MakeSpawnPipe(int& readEnd, int& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    for (int& fd : fds) {
        if (fd <= STDERR_FILENO) {
            const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            const int error = errno;
            ::close(fd);
            errno = error;
            fd = moved;
        }
    }
    if (fds[0] < 0 || fds[1] < 0) {
        const int error = errno;
        for (const int fd : fds) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        errno = error;
        return false;
    }
    readEnd = fds[0];
    writeEnd = fds[1];
    return true;
}

SpawnResult SpawnChild(const ResolvedCommand& command, const SpawnSetup& setup) {
    SpawnResult result;
    SpawnActions actions;
    if (!PrepareActions(actions, setup)) {
        result.failure = SpawnResult::Failure::FileActions;
        return result;
    }
    SpawnAttr attr;
    if (!PrepareAttributes(attr, setup)) {
        result.failure = SpawnResult::Failure::Attributes;
        return result;
    }

    std::vector<char*> argv;
    argv.reserve(command.argv.size() + 1);
    for (const std::string& arg : command.argv) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    pid_t child = -1;
    result.error = posix_spawn(&child, command.program.c_str(), actions.get(), attr.get(),
                               argv.data(), environ);
    if (result.error != 0) {
        result.failure = SpawnResult::Failure::Start;
        return result;
    }
    result.pid = child;
    return result;
}

}  // namespace torvane
