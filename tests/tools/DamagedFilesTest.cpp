// Every damaged file gives status 2 with a clear message, or 1 with what
// could be read: never a crash, never a hang.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/Fixtures.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace {

using namespace torvane::testsupport;

// Runs argv[0] of the built programs; one that has not ended after
// `seconds` is killed, and the test says it hung.
ProgramRun RunTool(const std::vector<std::string>& argv, int seconds) {
    return RunProgram(Program(argv[0]), {argv.begin() + 1, argv.end()},
                      {.timeoutSeconds = seconds});
}

struct Case {
    std::string name;
    std::string bytes;
};

std::vector<Case> DamagedCases() {
    const std::string full = ReadBytes(Fixture("full.mkv"));
    std::vector<Case> cases;
    for (size_t cut :
         {size_t{0}, size_t{3}, size_t{20}, size_t{45}, size_t{60}, size_t{200}, size_t{1000},
          size_t{4000}, size_t{15000}, full.size() - 3000, full.size() - 200, full.size() - 1}) {
        cases.push_back({"cut at " + std::to_string(cut), full.substr(0, cut)});
    }
    std::mt19937 rng(7);
    std::string garbage(5000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    cases.push_back({"garbage", garbage});
    cases.push_back({"EBML header then garbage", full.substr(0, 40) + garbage});
    std::string zeroed = full;
    // Over the level-1 headers every mode walks (Info, the start of Tracks).
    std::fill(zeroed.begin() + 150, zeroed.begin() + 400, '\0');
    cases.push_back({"zeroed metadata", zeroed});
    for (int round = 0; round < 6; ++round) {
        std::string flipped = full;
        for (int i = 0; i < 20; ++i)
            flipped[rng() % 6000] = static_cast<char>(rng());
        cases.push_back({"bytes changed, round " + std::to_string(round), flipped});
    }
    return cases;
}

TEST(DamagedFiles, EveryModeEndsWithAStatusAndAMessage) {
    TempDir dir;
    for (const Case& c : DamagedCases()) {
        WriteBytes(dir.File("d.mkv"), c.bytes);
        const std::vector<std::vector<std::string>> runs = {
            {"ostrem", "-i", dir.File("d.mkv")},
            {"quarvel", "chapters", dir.File("d.mkv")},
            {"quarvel", "chapters", dir.File("d.mkv"), "-s"},
            {"quarvel", "tags", dir.File("d.mkv")},
            {"quarvel", "attachments", dir.File("d.mkv"), "1:" + dir.File("a1")},
        };
        for (const auto& argv : runs) {
            const auto run = RunTool(argv, 20);
            const std::string what = c.name + ": " + argv[1];
            ASSERT_FALSE(run.timedOut) << what;
            ASSERT_EQ(run.signal, 0) << what << "\n" << run.err;
            // A changed byte may land where nothing reads it; a cut or garbage never does.
            if (c.name.rfind("bytes changed", 0) == 0 && run.status == 0)
                continue;
            EXPECT_TRUE(run.status == 1 || run.status == 2) << what << " gave " << run.status;
            EXPECT_FALSE(run.err.empty()) << what;
            if (run.status == 2 && argv[1] != "attachments") {
                EXPECT_EQ(run.out, "") << what;
            }
        }
        std::filesystem::remove(dir.File("a1"));
        // Nothing half-written is left beside the target.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << c.name;
    }
}

// Files built to exhaust a tool (tests/support/HostileFiles.h): each gives
// status 1 and one warning line about the limit it meets, never an abort.
// Their peak memory is measured by bench/hostile_bench.sh.
TEST(HostileFiles, EveryLimitGivesOneWarningAndTheRestOfTheFile) {
    TempDir dir;
    for (const ebmltest::HostileFile& c : ebmltest::HostileFiles()) {
        ASSERT_TRUE(ebmltest::WriteSparse(dir.File("h.mkv"), c.file)) << c.name;
        std::filesystem::create_directory(dir.File("out"));
        for (std::vector<std::string> argv : c.runs) {
            for (std::string& a : argv) {
                if (a == "F")
                    a = dir.File("h.mkv");
                else if (a.rfind("O/", 0) == 0 || a.find(":O/") != std::string::npos)
                    a.replace(a.find("O/"), 1, dir.File("out"));
            }
            const std::string what = c.name + ": " + argv[0] + " " + argv[1];
            const auto run = RunTool(argv, 60);
            ASSERT_EQ(run.signal, 0) << what << "\n" << run.err;
            EXPECT_EQ(run.status, 1) << what << "\n" << run.err;
            EXPECT_NE(run.err.find(c.warning), std::string::npos) << what << "\n" << run.err;
            const std::string limit = c.warning.substr(0, c.warning.find(';'));
            size_t lines = 0;
            for (size_t at = 0; (at = run.err.find(limit, at)) != std::string::npos; ++at)
                ++lines;
            EXPECT_LE(lines, 1u) << what << "\n" << run.err;
        }
        std::filesystem::remove_all(dir.File("out"));
    }
}

}  // namespace
