#include "process/SourceProbe.h"

#include <filesystem>
#include <system_error>

#include "core/BatchSteps.h"
#include "core/CapturedCommands.h"
#include "core/Listing.h"
#include "core/ShortPath.h"
#include "process/ConsoleRun.h"

namespace torvane {
namespace {

// As the main window counts a preview: present when it holds a line break
// (a tool gone silent prints nothing).
bool Prints(const std::string& command, int silenceMs) {
    const CapturedOutput captured = RunCaptured(command, silenceMs);
    return captured.end.kind != RunOutcome::Kind::TimedOut && PreviewLineCount(captured.output) > 1;
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
        const CapturedOutput captured =
            RunCaptured(ListingCommand(programFolder, shortSource), silenceMs);
        probe.listingEnd = captured.end;
        if (captured.end.kind == RunOutcome::Kind::TimedOut) {
            return probe;
        }
        source.messages = MessageLines(captured.errors);
        // The tool names the file as it was given it; the user knows it by
        // its own path.
        for (std::string& line : source.messages) {
            line = WithUserPath(line, shortSource, path);
        }
        if (!captured.end.Succeeded() && !captured.end.CompletedWithWarnings()) {
            return probe;
        }
        source.contents = ReadSourceContents(BuildListing(captured.output, false, false).items);
        source.contents.chapters =
            Prints(ChaptersCommand(programFolder, shortSource, ChapterFormat::Xml), silenceMs);
        source.contents.tags = Prints(TagsCommand(programFolder, shortSource), silenceMs);
        source.state = BatchSource::State::Readable;
    } catch (const std::exception& failure) {
        probe.listingEnd = RunOutcome::NotStartedBecause(failure.what());
    }
    return probe;
}

}  // namespace torvane
