// quarvel: extraction from a Matroska file.
#include <string>
#include <vector>

#include "core/Version.h"
#include "tools/common/ExitStatus.h"
#include "tools/common/StandardOutput.h"
#include "tools/quarvel/Modes.h"
#include "tools/quarvel/pass/TrackPass.h"

namespace {

constexpr const char* kProgram = "quarvel";

void PrintHelp() {
    tools::PrintLine("Usage:");
    tools::PrintLine(
        "  quarvel tracks FILE n:PATH [n:PATH ...]       write track n to PATH, all in one pass");
    tools::PrintLine(
        "  quarvel timestamps FILE n:PATH [n:PATH ...]   write the timestamps of track n to PATH");
    tools::PrintLine(
        "  quarvel attachments FILE k:PATH [k:PATH ...]  write attachment k to PATH, bytes "
        "unchanged");
    tools::PrintLine("  quarvel chapters FILE [-s]                    print the chapters");
    tools::PrintLine("  quarvel tags FILE                             print the tags as XML");
    tools::PrintLine("  quarvel --help | --version");
    tools::PrintLine(
        "Track and attachment numbers are those ostrem -i lists, from 1 in file order.");
    tools::PrintLine("An output file is written to a new file beside PATH, under a name nobody");
    tools::PrintLine("can predict (PATH's own name cut where needed to fit the folder's name");
    tools::PrintLine("limit), and renamed over PATH only once complete; the two files of a VobSub");
    tools::PrintLine("track (.idx and .sub) are replaced together or not at all. A PATH that is");
    tools::PrintLine("not a regular file (a device, a pipe, a folder), the source file, or the");
    tools::PrintLine("output of another item (through whatever path or link to its folder) is");
    tools::PrintLine("refused; so is the .sub or .idx a VobSub track writes beside PATH. FILE");
    tools::PrintLine("must be a regular file (all modes but tracks and timestamps also read a");
    tools::PrintLine("disk); anything else is refused at once. Text taken from the file is");
    tools::PrintLine("printed with control characters (C0, DEL, C1) and bytes that are not UTF-8");
    tools::PrintLine("as '?', on both streams; in the XML of chapters and tags, DEL and C1 are");
    tools::PrintLine("written as character references. When standard output cannot take the");
    tools::PrintLine("chapters or tags (a full disk, a closed output, a reader gone), quarvel");
    tools::PrintLine("says so on standard error and ends with status 2. SIGINT, SIGTERM and");
    tools::PrintLine("SIGHUP stop the run and remove its unfinished files. A track's format");
    tools::PrintLine("follows its codec, not PATH's extension.");
    tools::PrintLine("tracks also takes --timestamps n:PATH, as often as wanted: the same pass");
    tools::PrintLine("then writes the timestamps of track n to PATH too. A timestamps file is the");
    tools::PrintLine("\"timestamp format v2\" text: the line \"# timestamp format v2\", then the");
    tools::PrintLine(
        "presentation time of every frame in milliseconds, one a line (ending in LF),");
    tools::PrintLine(
        "in presentation order, whole where the time is whole, else with the decimals");
    tools::PrintLine("it needs. The frames of a laced block after the first are timed by its");
    tools::PrintLine(
        "BlockDuration or the track's DefaultDuration; a frame with no time of its own");
    tools::PrintLine("(neither is given, or its Cluster has no Timestamp) is left out, with a");
    tools::PrintLine("warning.");
    tools::PrintLine("tracks checks the CRC-32 of every Cluster it reads whole (all its blocks");
    tools::PrintLine(
        "wanted, or lying close together); Clusters read only in part are not checked.");
    tools::PrintLine("chapters prints XML: every edition, every chapter nested as in the file.");
    tools::PrintLine("chapters -s prints the simple format (CHAPTER01=HH:MM:SS.mmm,");
    tools::PrintLine(
        "CHAPTER01NAME=...): the chapters of all editions, in file order, nested ones");
    tools::PrintLine("after their parent, hidden and disabled ones included, numbered from 01;");
    tools::PrintLine(
        "the name is the chapter's first display, control characters in it printed as");
    tools::PrintLine("'?' (line breaks as blanks); times are truncated to milliseconds.");
    tools::PrintLine("A file without chapters (or tags) prints nothing.");
    tools::PrintLine("Exit status: 0 done, 1 done with warnings (damage found, told on standard");
    tools::PrintLine("error), 2 failed (bad arguments, not Matroska, or something asked for could");
    tools::PrintLine("not be written).");
}

int Usage(const std::string& message) {
    tools::PrintError(kProgram, message + " (see --help)");
    return tools::kExitFailed;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty())
        return Usage("no mode given");
    const std::string& mode = args[0];
    if (mode == "--help" || mode == "-h") {
        PrintHelp();
        return tools::kExitOk;
    }
    if (mode == "--version") {
        tools::PrintLine(std::string("quarvel ") + TORVANE_VERSION_TEXT);
        return tools::kExitOk;
    }
    if (mode != "tracks" && mode != "timestamps" && mode != "attachments" && mode != "chapters" &&
        mode != "tags") {
        return Usage("unknown mode '" + mode + "'");
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (mode == "chapters") {
        bool simple = false;
        std::vector<std::string> files;
        for (const auto& a : rest) {
            if (a == "-s") {
                simple = true;
            } else {
                files.push_back(a);
            }
        }
        if (files.size() != 1)
            return Usage("chapters needs one FILE");
        return quarvel::RunChapters(files[0], simple);
    }
    if (rest.empty())
        return Usage(mode + " needs a FILE");
    const std::string file = rest[0];
    const std::vector<std::string> targets(rest.begin() + 1, rest.end());
    if (mode == "tags") {
        if (!targets.empty())
            return Usage("tags takes only a FILE");
        return quarvel::RunTags(file);
    }
    if (mode == "attachments")
        return quarvel::RunAttachments(file, targets);
    if (targets.empty())
        return Usage(mode + " needs at least one n:PATH");
    return quarvel::RunTracks(
        file, targets,
        mode == "tracks" ? quarvel::TrackContent::kFrames : quarvel::TrackContent::kTimestamps);
}

}  // namespace

int main(int argc, char** argv) {
    if (!tools::PrepareStandardStreams()) {
        return tools::kExitFailed;
    }
    const int status = tools::RunGuarded(kProgram, [&] { return Run({argv + 1, argv + argc}); });
    return tools::FinishStandardOutput(kProgram, status);
}
