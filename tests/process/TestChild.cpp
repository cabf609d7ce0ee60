// A small program that the process tests start in place of a tool, both for the
// captured runs and for the console runs. The first argument picks what it does.

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

volatile sig_atomic_t g_term = 0;

void OnTerm(int) {
    g_term = 1;
}

void Out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void Err(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void SleepMs(long ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

long Arg(int argc, char** argv, int i, long fallback) {
    return i < argc ? std::strtol(argv[i], nullptr, 10) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "exit") {  // exit N: a line on each output, then status N
        Out("to standard output\n");
        Err("to standard error\n");
        return static_cast<int>(Arg(argc, argv, 2, 0));
    }
    if (mode == "progress") {  // progress STEP MS: Progress lines STEP apart, MS between
        const long step = Arg(argc, argv, 2, 50);
        for (long p = 0; p <= 100; p += step) {
            Out("Progress: " + std::to_string(p) + "%\r\n");
            SleepMs(Arg(argc, argv, 3, 0));
        }
        Out("done\r\n");
        return 0;
    }
    if (mode == "crash") {  // ends by a segmentation fault
        Out("about to crash\n");
        ::signal(SIGSEGV, SIG_DFL);  // past any handler a sanitizer set up
        ::raise(SIGSEGV);
        return 0;
    }
    if (mode == "term-clean") {  // ends with status 3 after saying so on SIGTERM
        struct sigaction action {};
        action.sa_handler = OnTerm;
        sigaction(SIGTERM, &action, nullptr);
        Out("ready\n");
        while (g_term == 0) {
            SleepMs(5);
        }
        Out("stopping\n");
        return 3;
    }
    if (mode == "term-ignore") {  // deaf to SIGTERM, never ends by itself
        ::signal(SIGTERM, SIG_IGN);
        Out("ready\n");
        for (;;) {
            SleepMs(1000);
        }
    }
    if (mode == "count") {  // the number of arguments and their total length
        std::size_t length = 0;
        for (int i = 0; i < argc; ++i) {
            length += std::string(argv[i]).size();
        }
        Out(std::to_string(argc) + " " + std::to_string(length) + " " + argv[argc - 1] + "\n");
        return 0;
    }
    if (mode == "world") {  // what the tool was given: input, group, folder
        std::size_t input = 0;
        while (std::getchar() != EOF) {
            ++input;
        }
        char folder[4096];
        Out("input " + std::to_string(input) + "\n");
        Out(std::string("leader ") + (::getpgrp() == ::getpid() ? "yes" : "no") + "\n");
        Out(std::string("folder ") + (::getcwd(folder, sizeof folder) != nullptr ? folder : "?") +
            "\n");
        return 0;
    }
    if (mode == "orphan") {  // leaves a child holding the output open, then exits
        if (::fork() == 0) {
            SleepMs(Arg(argc, argv, 2, 5000));
            _exit(0);
        }
        Out("parent done\n");
        return 0;
    }
    if (mode == "lines") {  // lines N: N lines, then exit
        for (long i = 0; i < Arg(argc, argv, 2, 1); ++i) {
            Out("line " + std::to_string(i) + "\r\n");
        }
    } else if (mode == "silent") {  // silent MS: no output for MS, then exit
        SleepMs(Arg(argc, argv, 2, 0));
    } else if (mode == "stderr") {  // only the error output
        std::fputs("error text\r\n", stderr);
        std::fflush(stderr);
        SleepMs(Arg(argc, argv, 2, 0));
    } else if (mode == "pause") {  // pause MS: a line, silence, another line
        Out("before\r\n");
        SleepMs(Arg(argc, argv, 2, 0));
        Out("after\r\n");
    } else if (mode == "zero") {  // a chunk with a zero byte, then another chunk
        Out(std::string("ab\0cd", 5));
        SleepMs(300);
        Out("ef");
    } else if (mode == "args") {  // every argument in brackets, one per line
        for (int i = 0; i < argc; ++i) {
            Out(std::string("[") + argv[i] + "]\r\n");
        }
    } else if (mode == "big") {  // big N: N bytes in chunks of up to 4096
        const long total = Arg(argc, argv, 2, 0);
        std::string chunk(4096, 'x');
        for (long done = 0; done < total; done += static_cast<long>(chunk.size())) {
            chunk.resize(static_cast<std::size_t>(std::min<long>(4096, total - done)));
            Out(chunk);
        }
    } else if (mode == "cwd") {  // the current folder
        char buffer[4096];
        Out(getcwd(buffer, sizeof buffer) != nullptr ? buffer : "?");
    } else if (mode == "fds") {  // open descriptors above standard error
        int count = 0;
        if (DIR* dir = opendir("/proc/self/fd")) {
            while (const dirent* e = readdir(dir)) {
                if (std::atoi(e->d_name) > 2) {
                    ++count;
                }
            }
            closedir(dir);
        }
        // opendir itself holds one descriptor.
        Out(std::to_string(count - 1));
    } else if (mode == "hang") {  // silent and never ends by itself
        for (;;) {
            SleepMs(1000);
        }
    } else if (mode == "closeout") {  // closes its output, then keeps running
        Out("done\r\n");
        std::fclose(stdout);
        for (;;) {
            SleepMs(1000);
        }
    } else {
        std::fputs("unknown mode\n", stderr);
        return 2;
    }
    return 0;
}
