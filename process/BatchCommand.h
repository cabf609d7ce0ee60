// The batch extraction without a window:
//
//   torvane --batch RULE FOLDER_OR_FILE... [--output DIR]
//
// runs the batch window's extraction (the same rule, plan, names, run and
// summary) on the files given, a folder by its Matroska files in name order,
// and prints the summary on standard output; messages go to standard error.
// A codec no table knows cannot be asked for here: its tracks are left out,
// and the summary says so, as the window does when the question is
// declined.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/Settings.h"
#include "process/BatchRun.h"
#include "process/BatchSummary.h"

namespace torvane {

struct BatchCommandSetup {
    std::string
        programFolder;       // holds both tools and the program's Formats.txt; ends in a separator
    std::string userFolder;  // holds the user's Formats.txt; ends in a separator, or empty
    std::string pathList;    // where else a bare tool name is looked for
    Language language = Language::English;
    int silenceMs = BatchRunSettings().silenceMs;
    // Whether the user has asked the run to stop (Ctrl+C); read while the
    // sources are identified and while the files run.
    std::function<bool()> interrupted = [] { return false; };
};

// Runs the command; arguments are those after "--batch". Nothing is
// extracted when the arguments, the rule file, a path given or the format
// table are at fault: a message says why, and the status is
// kBatchExitFailed. Interrupted while the sources are identified, it
// extracts nothing; while the files run, the running tool is cancelled, the
// files after it are not run, and the summary tells so.
BatchExitStatus RunBatchCommand(const std::vector<std::string>& arguments,
                                const BatchCommandSetup& setup, std::FILE* out, std::FILE* err);

// The language the command speaks, the window's: that of Torvane.cfg in the
// current folder, else of the one in the user's folder, else the locale's.
Language BatchCommandLanguage(const std::string& userFolder);

// The command as the program runs it: the program's and the user's folders,
// the search path and the language found as the window finds them, Ctrl+C,
// SIGTERM and SIGHUP watched, on the standard streams.
int BatchCommandMain(const std::vector<std::string>& arguments);

}  // namespace torvane
