// What a run can add to its plan beyond the sources: the runtime module's
// files and project lines, and the names the templates use. A front end
// hands it to the run, which calls it at each step.
#pragma once

#include "commands/RunPlan.h"

namespace run {

class PlanExtension {
public:
    virtual ~PlanExtension() = default;
    /// The rules the plan is to use, given the run's own.
    virtual RulesSource& Rules(RulesSource& rules) = 0;
    /// Adjusts the request before the plan is made.
    virtual void Request(RunRequest& request) = 0;
    /// Adds to the plan once it is made, before it is shown or applied.
    virtual void Planned(RunPlan& plan) = 0;
    /// After the apply phase (not after a dry run).
    virtual void Applied(RunPlan& plan) = 0;
    /// The files the run deletes after the apply phase, for a dry run's diff.
    virtual std::vector<Text> FilesDeleted() const { return {}; }
};

}  // namespace run
