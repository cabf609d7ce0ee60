#include "process/RunOutcome.h"

#include <utility>

namespace torvane {

RunOutcome RunOutcome::NotStartedBecause(std::string reason) {
    RunOutcome outcome;
    outcome.kind = Kind::NotStarted;
    outcome.startFailure = StartFailure::AsReasonSays;
    outcome.reason = std::move(reason);
    return outcome;
}

StepResult StepResultOf(const RunOutcome& outcome) {
    if (outcome.Succeeded()) {
        return StepResult::Done;
    }
    if (outcome.CompletedWithWarnings()) {
        return StepResult::Warnings;
    }
    return outcome.kind == RunOutcome::Kind::Cancelled ? StepResult::Cancelled : StepResult::Failed;
}

}  // namespace torvane
