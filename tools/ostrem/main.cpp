// ostrem: identification of a Matroska file.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Version.h"
#include "matroska/Reader.h"
#include "tools/common/ExitStatus.h"
#include "tools/common/StandardOutput.h"
#include "tools/ostrem/ListingLines.h"

namespace {

constexpr const char* kProgram = "ostrem";

void PrintHelp() {
    tools::PrintLine("Usage: ostrem -i FILE");
    tools::PrintLine(
        "Lists the tracks and attachments of a Matroska file (.mkv, .mka, .mks, .webm):");
    tools::PrintLine("  File 'FILE': container: Matroska");
    tools::PrintLine("  Track ID n: TYPE (CODECID) [DETAILS]");
    tools::PrintLine("  Attachment ID k: type 'MIME', size BYTES bytes, file name 'NAME'");
    tools::PrintLine("Tracks and attachments are numbered from 1 in file order.");
    tools::PrintLine("Options:");
    tools::PrintLine("  -i FILE    identify FILE");
    tools::PrintLine("  --help     show this text");
    tools::PrintLine("  --version  show the version");
    tools::PrintLine("Exit status: 0 done, 1 done with warnings (damage found, told on standard");
    tools::PrintLine("error), 2 failed (no file, not Matroska, cannot be read, or the listing");
    tools::PrintLine("could not be written to standard output).");
}

int Run(int argc, char** argv) {
    std::string file;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return tools::kExitOk;
        }
        if (arg == "--version") {
            tools::PrintLine(std::string("ostrem ") + TORVANE_VERSION_TEXT);
            return tools::kExitOk;
        }
        if (arg == "-i" && i + 1 < argc && !haveFile) {
            file = argv[++i];
            haveFile = true;
            continue;
        }
        if (arg == "-i") {
            tools::PrintError(kProgram, "-i needs a file name (see --help)");
            return tools::kExitFailed;
        }
        tools::PrintError(kProgram, "unexpected argument '" + arg + "' (see --help)");
        return tools::kExitFailed;
    }
    if (!haveFile) {
        tools::PrintError(kProgram, "no file given; use -i FILE (see --help)");
        return tools::kExitFailed;
    }

    std::string openError;
    auto source = mkv::OpenFile(file, &openError);
    if (!source) {
        tools::PrintError(kProgram, file + ": cannot open: " + openError);
        return tools::kExitFailed;
    }
    mkv::Reader reader(std::move(source));
    if (!reader.Open(mkv::kSectionInfo | mkv::kSectionTracks | mkv::kSectionAttachments)) {
        tools::PrintError(kProgram, file + ": " + reader.Fatal()->ToString());
        return tools::kExitFailed;
    }
    std::string out;
    for (const std::string& line : ostrem::ListingLines(file, reader)) {
        out += line;
        out += "\r\n";
    }
    tools::PrintRaw(out);
    for (const mkv::Error& e : reader.Problems()) {
        tools::PrintError(kProgram, file + ": warning: " + e.ToString());
    }
    tools::ReportBytesRead(reader.Source().BytesRead());
    return reader.Problems().empty() ? tools::kExitOk : tools::kExitWarnings;
}

}  // namespace

int main(int argc, char** argv) {
    if (!tools::PrepareStandardStreams()) {
        return tools::kExitFailed;
    }
    const int status = tools::RunGuarded(kProgram, [&] { return Run(argc, argv); });
    return tools::FinishStandardOutput(kProgram, status);
}
