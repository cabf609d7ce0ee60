// The batch from the command line with the real tools on the fixtures: the
// rule's outputs under the window's names, the summary the window shows, the
// exit status of the worst file, and nothing extracted when the command,
// the rule or a path is at fault or the user stops it while the files are
// read.
#include "process/BatchCommand.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/BatchRuleFile.h"
#include "tests/support/BatchSourceFile.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadStream(std::FILE* stream) {
    std::string text;
    std::rewind(stream);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;) {
        text.append(buffer, n);
    }
    std::fclose(stream);
    return text;
}

// Spanish audio, all subtitles, fonts and images, chapters as XML.
constexpr char kRule[] =
    "torvane batch rule 1\n"
    "audio = yes\n"
    "audio languages = spa\n"
    "subtitles = yes\n"
    "attachments = fonts images\n"
    "chapters = xml\n";

class BatchCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A program folder of links to the built tools, with a format table
        // of this test's own.
        program = dir.File("program/");
        fs::create_directories(program);
        for (const char* tool : {"ostrem", "quarvel"}) {
            fs::create_symlink(testsupport::Program(tool), program + tool);
        }
        WriteBytes(program + "Formats.txt", "(A_AAC) aac\r\n");
        season = dir.File("season one");
        fs::create_directories(season);
        fs::copy_file(testsupport::Fixture("full.mkv"), season + "/full.mkv");
        fs::copy_file(testsupport::Fixture("subs.mks"), season + "/subs.mks");
        testsupport::WriteBatchSourceFile(season + "/odd.mkv");
        WriteBytes(season + "/notes.txt", "not a source");
        rule = dir.File("a.rule");
        WriteBytes(rule, kRule);
        out = dir.File("out");
    }

    CommandRun Run(const std::vector<std::string>& arguments,
                   Language language = Language::English) {
        BatchCommandSetup setup;
        setup.programFolder = program;
        setup.userFolder = dir.File("user/");
        setup.language = language;
        setup.silenceMs = 20000;
        if (interrupt) {
            setup.interrupted = [] { return true; };
        }
        std::FILE* output = std::tmpfile();
        std::FILE* errors = std::tmpfile();
        CommandRun run;
        run.status = RunBatchCommand(arguments, setup, output, errors);
        run.out = ReadStream(output);
        run.err = ReadStream(errors);
        return run;
    }

    // Every file under the folder, as paths below it, sorted.
    static std::vector<std::string> Tree(const std::string& folder) {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                paths.push_back(fs::relative(entry.path(), folder).string());
            }
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    TempDir dir;
    std::string program;
    std::string season;
    std::string rule;
    std::string out;
    bool interrupt = false;
};

TEST_F(BatchCommandTest, AFolderGivesTheRulesOutputsAndTheSummaryAndUnknownCodecsAreLeftOut) {
    const CommandRun run = Run({rule, season, "--output", out});
    EXPECT_EQ(run.status, kBatchExitWarnings) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "2 done, 1 with warnings, 0 failed, 0 cancelled, 0 skipped.\n\n"
              "full.mkv: done\n"
              "odd.mkv: done with warnings\n"
              "    Track 1 left out: no extension for A_ODD.\n"
              "subs.mks: done\n");
    EXPECT_EQ(Tree(out),
              (std::vector<std::string>{"full/Chapters.xml", "full/Track2.aac", "full/Track5.srt",
                                        "full/Track6.srt", "full/cover.png", "full/font_stub.ttf",
                                        "odd/Track2.srt", "odd/back.JPG", "odd/odd_font.ttf",
                                        "subs/Track1.ass"}));
    EXPECT_EQ(ReadBytes(out + "/odd/odd_font.ttf"), std::string(40, '\7'));
    // The output folder may be given after --output= too, and the files
    // themselves; the layout and the language come from the rule and the
    // caller.
    WriteBytes(rule, std::string(kRule) + "layout = prefixed\n");
    const CommandRun prefixed =
        Run({"--output=" + dir.File("flat"), rule, season + "/odd.mkv"}, Language::Spanish);
    EXPECT_EQ(prefixed.status, kBatchExitWarnings);
    EXPECT_EQ(prefixed.out,
              "Hechos: 0, con avisos: 1, fallidos: 0, cancelados: 0, omitidos: 0.\n\n"
              "odd.mkv: hecho con avisos\n"
              "    Track 1 omitido: no hay extensión para A_ODD.\n");
    EXPECT_EQ(Tree(dir.File("flat")),
              (std::vector<std::string>{"odd.Track2.srt", "odd.back.JPG", "odd.odd_font.ttf"}));
}

TEST_F(BatchCommandTest, TheExitStatusIsTheWorstFilesAndAFailedFileStopsNoOther) {
    const std::string broken = dir.File("broken.mkv");
    WriteBytes(broken, "This is not a Matroska file.\n");
    struct Row {
        std::vector<std::string> sources;
        int status;
    };
    for (const Row& row : {
             Row{{season + "/full.mkv"}, kBatchExitDone},
             // A file the rule gives nothing is no fault.
             Row{{testsupport::Fixture("plain.mka"), season + "/subs.mks"}, kBatchExitDone},
             Row{{season + "/odd.mkv", season + "/full.mkv"}, kBatchExitWarnings},
             Row{{broken, season + "/odd.mkv"}, kBatchExitFailed},
         }) {
        std::vector<std::string> arguments = {rule, "--output", out};
        arguments.insert(arguments.end(), row.sources.begin(), row.sources.end());
        const CommandRun run = Run(arguments);
        EXPECT_EQ(run.status, row.status) << run.out << run.err;
    }
    // The broken one is named, and the one after it still ran.
    EXPECT_TRUE(fs::exists(out + "/odd/Track2.srt"));

    // Stopped between two files: no tool was cancelled, the first file is
    // done, but the second was not run, so the batch did not do its work.
    std::vector<SourceProbe> probes(2);
    for (std::size_t k = 0; k < probes.size(); ++k) {
        probes[k].source.path = dir.File("stopped/" + std::to_string(k) + ".mkv");
        probes[k].source.state = BatchSource::State::Readable;
        probes[k].source.contents.chapters = true;
    }
    BatchRule chapters;
    chapters.chapters = ChapterFormat::Xml;
    const auto plan =
        PlanBatch({probes[0].source, probes[1].source}, chapters, OutputLayout::FolderPerSource,
                  out, [](const std::string&) { return std::string(); });
    BatchFileEnd done;
    done.steps.push_back({BatchStep::Chapters, StepResult::Done});
    const auto reports =
        ReportFiles(plan, probes, {done, std::nullopt}, true, 1000, Language::English);
    EXPECT_EQ(reports[1].status, FileStatus::Skipped);
    EXPECT_EQ(ExitStatusOf(plan, reports), kBatchExitFailed);
}

// Every way a tool's run ends has its words; a captured run that went
// silent names the tool and the limit instead.
TEST(BatchSummary, EveryEndOfARunIsToldInWords) {
    using Kind = RunOutcome::Kind;
    struct Row {
        RunOutcome outcome;
        const char* words;
    };
    for (const Row& row : {
             Row{RunOutcome::NotStartedBecause(
                     "Error creating Chilg Process.\r\rCreateChildProcess(ExeName)"),
                 "could not start: Error creating Chilg Process. CreateChildProcess(ExeName)"},
             Row{{Kind::Signalled, 9}, "killed by signal 9 (Killed)"},
             Row{{Kind::TimedOut}, "stopped after going silent"},
             Row{{Kind::Cancelled}, "cancelled"},
             Row{{Kind::Lost, 0, {}, "", "No child processes"},
                 "how it ended could not be learnt: No child processes"},
         }) {
        EXPECT_EQ(DescribeOutcome(row.outcome, Language::English), row.words);
    }

    SourceProbe probe;
    probe.source.path = "/films/x.mkv";
    probe.source.state = BatchSource::State::Unreadable;
    probe.listingEnd.kind = Kind::TimedOut;
    EXPECT_EQ(SourceProblemText(probe, 1500, Language::English),
              "ostrem -i gave no output for 1.5 seconds and was stopped.");
    probe.source.state = BatchSource::State::Readable;
    probe.source.contents.chapters = true;
    BatchRule chapters;
    chapters.chapters = ChapterFormat::Xml;
    const auto plan = PlanBatch({probe.source}, chapters, OutputLayout::FolderPerSource, "/out",
                                [](const std::string&) { return std::string(); });
    BatchFileEnd silent;
    silent.steps.push_back({BatchStep::Chapters, StepResult::Failed, {Kind::TimedOut}});
    EXPECT_EQ(ReportFile(plan[0], probe, &silent, false, 1500, Language::English).reasons,
              std::vector<std::string>{
                  "quarvel chapters gave no output for 1.5 seconds and was stopped."});
}

TEST_F(BatchCommandTest, ACommandRuleOrPathAtFaultExtractsNothing) {
    WriteBytes(dir.File("bad.rule"), "torvane batch rule 1\naudio = yes\nfonts = yes\n");
    struct Row {
        std::vector<std::string> arguments;
        std::string err;
    };
    const std::string usage = "\nTry 'torvane --help'.\n";
    for (const Row& row : {
             Row{{}, "torvane --batch: the rule file is missing" + usage},
             Row{{rule}, "torvane --batch: no source file or folder was given" + usage},
             Row{{rule, season, "--output"},
                 "torvane --batch: --output needs a folder after it" + usage},
             Row{{rule, season, "--output=", out},
                 "torvane --batch: --output needs a folder after it" + usage},
             Row{{rule, season, "--output", out, "--output", out},
                 "torvane --batch: --output was given twice" + usage},
             Row{{rule, "-v", season}, "torvane --batch: unknown option \"-v\"" + usage},
             Row{{dir.File("none.rule"), season, "--output", out},
                 "The rule file \"" + dir.File("none.rule") + "\" does not exist.\n"},
             // The arguments swapped: the source is no rule.
             Row{{season + "/full.mkv", rule, "--output", out},
                 "\"" + season +
                     "/full.mkv\" is not a Torvane batch rule: its first line must be "
                     "\"torvane batch rule 1\".\n"},
             Row{{dir.File("bad.rule"), season, "--output", out},
                 "\"" + dir.File("bad.rule") + "\", line 3: unknown key \"fonts\".\n"},
             Row{{rule, season, season + "/gone.mkv", "--output", out},
                 "\"" + season + "/gone.mkv\" does not exist.\n"},
         }) {
        const CommandRun run = Run(row.arguments);
        EXPECT_EQ(run.status, kBatchExitFailed);
        EXPECT_EQ(run.err, row.err);
        EXPECT_EQ(run.out, "");
    }
    // "--" ends the options: a source may begin with '-'.
    fs::copy_file(season + "/subs.mks", dir.File("-subs.mks"));
    const std::string here = fs::current_path().string();
    fs::current_path(dir.Path());
    const CommandRun dashed = Run({rule, "--output", out, "--", "-subs.mks"});
    fs::current_path(here);
    EXPECT_EQ(dashed.status, kBatchExitDone) << dashed.err;
    EXPECT_TRUE(fs::exists(out + "/-subs/Track1.ass"));
    fs::remove_all(out);

    // Stopped while the files are read: nothing is run.
    interrupt = true;
    const CommandRun stopped = Run({rule, season, "--output", out});
    EXPECT_EQ(stopped.status, kBatchExitFailed);
    EXPECT_EQ(stopped.err, "Cancelled: nothing was extracted.\n");
    EXPECT_EQ(stopped.out, "");
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(BatchCommandTest, ASummaryNobodyCanReadIsAFailure) {
    BatchCommandSetup setup;
    setup.programFolder = program;
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* errors = std::tmpfile();
    EXPECT_EQ(RunBatchCommand({rule, season + "/subs.mks", "--output", out}, setup, full, errors),
              kBatchExitFailed);
    std::fclose(full);
    EXPECT_EQ(ReadStream(errors), "The summary cannot be written: No space left on device\n");
    EXPECT_TRUE(fs::exists(out + "/subs/Track1.ass"));
}

// The window's language: its settings file where the window would read it,
// else the locale's, as a first start chooses.
TEST_F(BatchCommandTest, TheCommandSpeaksTheWindowsLanguage) {
    const std::string here = fs::current_path().string();
    const char* lang = std::getenv("LANG");
    const std::string savedLang = lang != nullptr ? lang : "";
    const std::string user = dir.File("user/");
    fs::create_directories(user);
    fs::create_directories(dir.File("cwd"));
    fs::current_path(dir.File("cwd"));
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", "es_ES.UTF-8", 1);
    EXPECT_EQ(BatchCommandLanguage(user), Language::Spanish);
    WriteBytes(user + "Torvane.cfg", "English\r\n");
    EXPECT_EQ(BatchCommandLanguage(user), Language::English);
    WriteBytes(dir.File("cwd/Torvane.cfg"), "Castellano\r\n");
    EXPECT_EQ(BatchCommandLanguage(user), Language::Spanish);
    // A word the window does not know counts as none.
    WriteBytes(dir.File("cwd/Torvane.cfg"), "Klingon\r\n");
    EXPECT_EQ(BatchCommandLanguage(user), Language::English);
    fs::current_path(here);
    if (lang != nullptr) {
        ::setenv("LANG", savedLang.c_str(), 1);
    } else {
        ::unsetenv("LANG");
    }
}

}  // namespace
}  // namespace torvane
