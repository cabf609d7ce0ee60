#include "process/SourceProbe.h"

#include <filesystem>
#include <system_error>

#include "core/BatchSteps.h"
#include "core/Listing.h"
#include "core/ProgramFolder.h"
#include "core/ShortPath.h"
#include "process/ConsoleRun.h"

namespace torvane {
namespace {

struct Captured {
    std::string output;
    CapturedEnd end;
    std::string errors;
};

// One captured run of a tool; std::nullopt when it went silent for the whole
// limit. Throws when it cannot be started.
std::optional<Captured> RunCaptured(const std::string& command, int silenceMs) {
    TChildProc child(command, std::string());
    Captured captured;
    child.ReadChildOutput(silenceMs, captured.output);
    captured.end = child.Finish();
    captured.errors = child.ErrorOutput();
    if (captured.end.kind == CapturedEnd::Kind::TimedOut) {
        return std::nullopt;
    }
    return captured;
}

// As the main window counts a preview: present when it holds a line break.
bool Prints(const std::string& command, int silenceMs) {
    const auto captured = RunCaptured(command, silenceMs);
    return captured && PreviewLineCount(captured->output) > 1;
}

}  // namespace

SourceProbe ProbeSource(const std::string& path, const std::string& programFolder, int silenceMs) {
    SourceProbe probe;
    BatchSource& source = probe.source;
    source.path = path;
    source.state = BatchSource::State::Unreadable;
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    source.bytes = error ? 0 : bytes;

    // Nothing may leave: the probe runs on a thread of its own.
    try {
        const std::string shortSource = ExtractShortPathName(path);
        // The listing run names its tool through the long program folder, as
        // the main window's does.
        const std::string listing =
            programFolder + ToolFileName(kIdentifyToolName) + " -i " + shortSource;
        const std::string extraction =
            ExtractShortPathName(programFolder) + ToolFileName(kExtractToolName);
        const auto captured = RunCaptured(listing, silenceMs);
        if (!captured) {
            probe.silent = true;
            return probe;
        }
        probe.listingEnd = captured->end;
        source.messages = MessageLines(captured->errors);
        // The tool names the file as it was given it; the user knows it by
        // its own path.
        for (std::string& line : source.messages) {
            line = WithUserPath(line, shortSource, path);
        }
        if (!captured->end.Succeeded() && !captured->end.CompletedWithWarnings()) {
            return probe;
        }
        source.contents =
            ReadSourceContents(ConstruirListado(captured->output, false, false).items);
        source.contents.chapters = Prints(extraction + " chapters " + shortSource, silenceMs);
        source.contents.tags = Prints(extraction + " tags " + shortSource, silenceMs);
        source.state = BatchSource::State::Readable;
    } catch (const std::exception& failure) {
        probe.startError = failure.what();
    }
    return probe;
}

}  // namespace torvane
