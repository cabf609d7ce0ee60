#include "process/BatchCommand.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "core/BatchRuleFile.h"
#include "core/Formats.h"
#include "core/StartFolder.h"
#include "core/UserTexts.h"
#include "platform/ProgramFolder.h"
#include "platform/StopRequests.h"

namespace torvane {
namespace {

// Identifications at once, as the window does them.
constexpr unsigned kIdentifiers = 2;
// How often the wait for the run looks whether the user asked it to stop.
constexpr std::chrono::milliseconds kInterruptCheck{20};

struct CommandArguments {
    std::string rule;
    std::vector<std::string> sources;
    std::string output;  // empty: beside each source
};

// The arguments, or what is wrong with them.
std::optional<CommandArguments> ParseArguments(const std::vector<std::string>& arguments,
                                               std::string& problem, Language language) {
    CommandArguments parsed;
    bool outputGiven = false;
    bool optionsEnded = false;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        std::optional<std::string> output;
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument == "--output") {
            output = k + 1 < arguments.size() ? arguments[++k] : std::string();
        } else if (!optionsEnded && argument.starts_with("--output=")) {
            output = argument.substr(std::strlen("--output="));
        } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
            problem = TextOf(UserText::CommandUnknownOption, language, {argument});
            return std::nullopt;
        } else if (parsed.rule.empty()) {
            parsed.rule = argument;
        } else {
            parsed.sources.push_back(argument);
        }
        if (output) {
            if (outputGiven) {
                problem = TextOf(UserText::CommandOutputTwice, language);
                return std::nullopt;
            }
            if (output->empty()) {
                problem = TextOf(UserText::CommandOutputMissing, language);
                return std::nullopt;
            }
            outputGiven = true;
            parsed.output = *output;
        }
    }
    if (parsed.rule.empty()) {
        problem = TextOf(UserText::CommandNoRule, language);
    } else if (parsed.sources.empty()) {
        problem = TextOf(UserText::CommandNoSources, language);
    } else {
        return parsed;
    }
    return std::nullopt;
}

// A path as the window makes it: absolute, plain, without a final separator.
std::string AbsolutePath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error) {
        absolute = fs::path(path);
    }
    absolute = absolute.lexically_normal();
    if (!absolute.has_filename() && absolute.has_relative_path()) {
        absolute = absolute.parent_path();
    }
    return absolute.string();
}

void Say(std::FILE* stream, const std::string& text) {
    std::fputs((text + "\n").c_str(), stream);
    std::fflush(stream);
}

// Each source identified, kIdentifiers at a time, as long as nobody asks to
// stop; nullopt when somebody did.
std::optional<std::vector<SourceProbe>> Identify(const std::vector<std::string>& paths,
                                                 const BatchCommandSetup& setup) {
    std::vector<SourceProbe> probes(paths.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopped{false};
    auto work = [&] {
        for (std::size_t k = next++; k < paths.size(); k = next++) {
            if (setup.interrupted()) {
                stopped = true;
                return;
            }
            probes[k] = ProbeSource(paths[k], setup.programFolder, setup.silenceMs);
        }
    };
    std::vector<std::thread> workers;
    for (unsigned k = 1; k < kIdentifiers && k < paths.size(); ++k) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (stopped || setup.interrupted()) {
        return std::nullopt;
    }
    return probes;
}

// Gathers the run's news from the run's thread.
class EndsRecorder : public BatchListener {
  public:
    explicit EndsRecorder(std::size_t files) : ends_(files) {}

    void StepStarted(std::size_t, BatchStep) override {}
    void StepProgress(std::size_t, int) override {}
    void FileEnded(const BatchFileEnd& end) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (end.file < ends_.size()) {
            ends_[end.file] = end;
        }
    }
    void RunEnded(bool cancelled) override { ended_.set_value(cancelled); }

    std::future<bool> Ended() { return ended_.get_future(); }
    std::vector<std::optional<BatchFileEnd>> Ends() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ends_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::optional<BatchFileEnd>> ends_;
    std::promise<bool> ended_;
};

// Runs the plan; the ends of its files and whether it was cancelled.
std::pair<std::vector<std::optional<BatchFileEnd>>, bool> Run(const std::vector<FilePlan>& plan,
                                                              const BatchCommandSetup& setup) {
    EndsRecorder recorder(plan.size());
    std::future<bool> ended = recorder.Ended();
    BatchRun run(plan, {setup.programFolder, setup.pathList, setup.silenceMs}, recorder);
    while (ended.wait_for(kInterruptCheck) != std::future_status::ready) {
        if (setup.interrupted()) {
            run.Cancel();
        }
    }
    const bool cancelled = ended.get();
    return {recorder.Ends(), cancelled};
}

bool LanguageIn(const std::string& settingsPath, Language& language) {
    try {
        const Language found = LanguageFromWord(SettingsFile(settingsPath).ReadWord());
        if (found != Language::Unrecognised) {
            language = found;
            return true;
        }
    } catch (const std::exception&) {
        // No settings file there, or none that can be read: look further.
    }
    return false;
}

}  // namespace

BatchExitStatus RunBatchCommand(const std::vector<std::string>& arguments,
                                const BatchCommandSetup& setup, std::FILE* out, std::FILE* err) {
    const Language language = setup.language;
    std::string problem;
    const std::optional<CommandArguments> parsed = ParseArguments(arguments, problem, language);
    if (!parsed) {
        Say(err, TextOf(UserText::CommandUsage, language, {problem}));
        return kBatchExitFailed;
    }
    const RuleFileRead rule = LoadRuleFile(parsed->rule);
    if (!rule.contents) {
        Say(err, RuleProblemText(rule.problem, parsed->rule, language));
        return kBatchExitFailed;
    }
    std::vector<std::string> given;
    for (const std::string& path : parsed->sources) {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            Say(err, TextOf(UserText::CommandNoSuchPath, language, {path}));
            return kBatchExitFailed;
        }
        given.push_back(AbsolutePath(path));
    }
    FormatTable formats;
    try {
        formats.LoadFromFile(setup.programFolder + std::string(kFormatsFileName));
        if (!setup.userFolder.empty()) {
            formats.LoadUserRowsFromFile(setup.userFolder + std::string(kFormatsFileName));
        }
    } catch (const std::exception& failure) {
        Say(err, TextOf(UserText::CommandFormatsUnread, language, {failure.what()}));
        return kBatchExitFailed;
    }

    const std::optional<std::vector<SourceProbe>> probes = Identify(NewSources(given, {}), setup);
    if (!probes) {
        Say(err, TextOf(UserText::CommandInterrupted, language));
        return kBatchExitFailed;
    }
    std::vector<BatchSource> sources;
    for (const SourceProbe& probe : *probes) {
        sources.push_back(probe.source);
    }
    // Nobody can be asked here: a codec no table knows leaves its tracks
    // out, as a declined question does in the window.
    const std::vector<FilePlan> plan =
        PlanBatch(sources, rule.contents->rule, rule.contents->layout,
                  parsed->output.empty() ? std::string() : AbsolutePath(parsed->output),
                  [&formats](const std::string& line) {
                      const std::string kind = ClassifyCodec(line, formats);
                      return kind == kKindUnknown ? std::string() : kind;
                  });

    const auto [ends, cancelled] = Run(plan, setup);
    const std::vector<FileReport> reports =
        ReportFiles(plan, *probes, ends, cancelled, setup.silenceMs, language);
    const std::string summary = SummaryText(reports, language);
    errno = 0;
    if (std::fwrite(summary.data(), 1, summary.size(), out) != summary.size() ||
        std::fflush(out) != 0) {
        Say(err, TextOf(UserText::CommandSummaryUnwritten, language,
                        {std::strerror(errno != 0 ? errno : EIO)}));
        return kBatchExitFailed;
    }
    return ExitStatusOf(plan, reports);
}

Language BatchCommandLanguage(const std::string& userFolder) {
    Language language = Language::English;
    const std::string name(kSettingsFileName);
    if (LanguageIn(name, language) ||
        (!userFolder.empty() && LanguageIn(userFolder + name, language))) {
        return language;
    }
    return UserLocaleLanguage();
}

int BatchCommandMain(const std::vector<std::string>& arguments) {
    const StopRequestWatch watch;
    BatchCommandSetup setup;
    setup.programFolder = ProgramFolder();
    setup.userFolder = UserFolder();
    setup.pathList = SearchPath();
    setup.language = BatchCommandLanguage(setup.userFolder);
    setup.interrupted = [] { return StopRequestWatch::Requested(); };
    return RunBatchCommand(arguments, setup, stdout, stderr);
}

}  // namespace torvane
