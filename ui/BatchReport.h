// The batch window's texts about its files, in the language in force: what a
// source holds or why it cannot be read, and what an output holds. The
// summary of a run is the window-free one (process/BatchSummary.h), which
// the command line prints too.
#pragma once

#include <QString>

#include "core/BatchPlan.h"
#include "core/BatchSteps.h"
#include "process/SourceProbe.h"

// A source's line in the list: its tracks by type with their languages, its
// attachments, chapters and tags; or why it cannot be read. silenceMs is how
// long the tools were let stay silent.
QString SourceContentsText(const torvane::SourceProbe& probe, int silenceMs);

// Everything said about a source: why it cannot be read, or the warnings it
// was read with, with the tool's words; empty when there is nothing to say.
QString SourceMessagesText(const torvane::SourceProbe& probe, int silenceMs);

// What an output holds: "audio · Spanish (spa) · AAC (A_AAC)",
// "attachment 2 · font", "chapters".
QString OutputHoldsText(const torvane::PlannedOutput& output);

// How a step is called in the reports: "tracks", "chapters", ...
QString StepName(torvane::BatchStep step);
