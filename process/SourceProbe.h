// Identifies one source of a batch extraction as the main window reads a
// file: the identification tool's listing, and whether the extraction tool
// prints chapters and tags for it. It blocks while the tools run, so the
// window calls it off its own thread.
#pragma once

#include <optional>
#include <string>

#include "core/BatchSource.h"
#include "process/CapturedRun.h"

namespace torvane {

struct SourceProbe {
    BatchSource source;  // Readable or Unreadable, never Identifying
    // How the identification tool's run ended: for an unreadable source, why
    // (not started, silent for the whole limit, failed).
    RunOutcome listingEnd;
};

// path is the source's full path; programFolder ends in a separator and
// holds both tools; silenceMs is how long a tool may stay silent before it is
// stopped. A source the identification tool reads with warnings (status 1)
// is readable, its messages the warnings.
SourceProbe ProbeSource(const std::string& path, const std::string& programFolder, int silenceMs);

}  // namespace torvane
