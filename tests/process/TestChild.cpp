// A small program that the process tests start in place of a tool, both for the
// captured runs and for the console runs. The first argument picks what it does.
// Like the tools, it takes its arguments and opens its files in the system's
// own code page.

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

std::atomic<bool> g_term = false;

// How a tool learns that it is asked to end: SIGTERM on POSIX, a console
// break on Windows. Heeded (the request is noted) or ignored.
#ifdef _WIN32
BOOL WINAPI NoteBreak(DWORD) {
    g_term = true;
    return TRUE;
}

BOOL WINAPI IgnoreBreak(DWORD) {
    return TRUE;
}

// A tool started in a process group of its own ignores Ctrl+C until it asks
// for it, as the tools do.
void OnEndRequest(bool heed) {
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(heed ? NoteBreak : IgnoreBreak, TRUE);
}
#else
void NoteTerm(int) {
    g_term = true;
}

void OnEndRequest(bool heed) {
    struct sigaction action {};
    action.sa_handler = heed ? NoteTerm : SIG_IGN;
    sigaction(SIGTERM, &action, nullptr);
}
#endif

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

// The file that tells a test the child is ready, when it names one.
void MarkReady(int argc, char** argv) {
    if (argc > 2) {
        std::fclose(std::fopen(argv[2], "wb"));
    }
    Out("ready\n");
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Bytes out as they are written, as the tools write them.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
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
    if (mode == "term-clean") {  // term-clean [FILE]: asked to end, removes FILE, status 3
        OnEndRequest(true);
        MarkReady(argc, argv);
        while (!g_term) {
            SleepMs(5);
        }
        if (argc > 2) {
            std::remove(argv[2]);
        }
        Out("stopping\n");
        return 3;
    }
    if (mode == "term-ignore") {  // term-ignore [FILE]: deaf to requests, never ends by itself
        OnEndRequest(false);
        MarkReady(argc, argv);
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
    if (mode == "copy") {  // copy FROM TO: the bytes of one file into another
        std::error_code error;
        return argc > 3 && std::filesystem::copy_file(argv[2], argv[3], error) ? 0 : 2;
    }
#ifdef _WIN32
    if (mode == "world") {  // world FILE: where both outputs go, and the folder, into FILE
        DWORD console = 0;
        const bool outputs = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &console) &&
                             GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &console);
        std::FILE* report = std::fopen(argv[2], "wb");
        std::fprintf(report, "console %s\nfolder %s\n", outputs ? "yes" : "no",
                     std::filesystem::current_path().string().c_str());
        std::fclose(report);
        return 0;
    }
#else
    if (mode == "crash") {  // ends by a segmentation fault
        Out("about to crash\n");
        ::signal(SIGSEGV, SIG_DFL);  // past any handler a sanitizer set up
        ::raise(SIGSEGV);
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
    if (mode == "fds") {  // open descriptors above standard error
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
        return 0;
    }
#endif
    if (mode == "silent") {  // silent MS: no output for MS, then exit
        SleepMs(Arg(argc, argv, 2, 0));
    } else if (mode == "stderr") {  // only the error output
        std::fputs("error text\r\n", stderr);
        std::fflush(stderr);
        SleepMs(Arg(argc, argv, 2, 0));
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
        Out(std::filesystem::current_path().string());
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
