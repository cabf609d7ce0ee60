// `torvane --batch` stopped in the middle, as a terminal's Ctrl+C or a
// service manager stops it: the running tool gets the request and removes
// its unfinished file, nothing after it starts, and the summary says so.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"
#include "tests/ui/LargeFile.h"

namespace fs = std::filesystem;

namespace {

TEST(BatchCommand, StoppedInTheMiddleLeavesNoPartFileAndStartsNothingAfter) {
    torvane::testsupport::TempDir dir;
    const std::string season = dir.File("season");
    fs::create_directories(season);
    fs::copy_file(std::string(TORVANE_FIXTURES_DIR) + "/full.mkv", season + "/a.mkv");
    WriteLargePcmFile(season + "/b.mka", 160, "spa");
    fs::copy_file(std::string(TORVANE_FIXTURES_DIR) + "/subs.mks", season + "/c.mks");
    const std::string rule = dir.File("pcm and subtitles.rule");
    torvane::testsupport::WriteBytes(rule,
                                     "torvane batch rule 1\n"
                                     "audio = yes\n"
                                     "audio codecs = A_PCM/INT/LIT\n"
                                     "subtitles = yes\n");
    struct Row {
        const char* what;
        int signal;
        bool toTheGroup;  // Ctrl+C reaches the terminal's whole foreground job
    };
    for (const Row& row : {Row{"Ctrl+C", SIGINT, true}, Row{"SIGTERM", SIGTERM, false},
                           Row{"SIGHUP", SIGHUP, false}}) {
        SCOPED_TRACE(row.what);
        const std::string out = dir.File("out");
        fs::remove_all(out);
        torvane::testsupport::RunningProgram program(
            std::string(TORVANE_BIN_DIR) + "/torvane", {"--batch", rule, season, "--output", out},
            {.env = {"LANG=C.UTF-8", "LC_ALL=", "LC_MESSAGES="},
             .timeoutSeconds = 120,
             .folder = dir.Path(),
             .ownProcessGroup = true});
        // Mid-way through the large file: while its track is written under a
        // temporary name beside its own.
        std::string seen;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (seen.empty() && std::chrono::steady_clock::now() < deadline) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(out + "/b", error)) {
                seen = entry.path().filename().string();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::kill(row.toTheGroup ? -program.Pid() : program.Pid(), row.signal);
        const torvane::testsupport::ProgramRun run = program.Finish();

        EXPECT_TRUE(seen.starts_with("Track1.wav") && seen != "Track1.wav") << seen;
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(run.out,
                  "1 done, 0 with warnings, 0 failed, 1 cancelled, 1 skipped.\n\n"
                  "a.mkv: done\n"
                  "b.mka: cancelled\n"
                  "c.mks: skipped\n"
                  "    Not run: the extraction was cancelled before.\n");
        // Nothing of the cancelled file, not even a temporary one, and
        // nothing of the file after it.
        EXPECT_TRUE(fs::is_empty(out + "/b"));
        EXPECT_FALSE(fs::exists(out + "/c"));
        EXPECT_TRUE(fs::exists(out + "/a/Track5.srt"));
    }
}

}  // namespace
