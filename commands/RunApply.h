// The apply phase of a run: the files the plan changed, written each in one
// step, in the order the list first names them.
#pragma once

#include "commands/RunPlan.h"

namespace run {

/// Writes every changed file of a plan that found no problem (backups
/// first, with RunRequest::backup). A write that fails stops the writing
/// there: the files before it stay written, and the failure is added to
/// the plan's problems. Counts the writes in the plan's result.
void ApplyPlan(RunPlan& plan, const RunRequest& request, RunObserver* observer = nullptr);

}  // namespace run
