// The runtime module in a run over projects: add --with-runtime (or the
// policy's `runtime = true`) writes modDebugErr.bas into the folder of each
// project that does not list it and adds its line to the project file;
// remove --with-runtime takes both out again. Both go into the run's plan,
// so a dry run shows them and nothing is written when anything fails. For
// add and check it also finds the names the blocks use that no file of the
// run declares: a project without them does not build.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/PlanExtension.h"
#include "commands/SourceList.h"
#include "source_transformation/DeclaredNames.h"
#include "vb_runtime/Text.h"

namespace run {

struct RuntimeSettings {
    Operation operation = Operation::Add;
    /// --with-runtime: add or remove the module (add: also where the policy says `runtime = true`).
    bool withRuntime = false;
    /// Where the policies come from, as for the run's rules.
    bool findPolicies = true;
    std::optional<Text> policyFile;
    int32_t codePage = 1252;
};

/// A runtime module that remove --with-runtime leaves, and why.
struct ModuleLeft {
    Text path;
    std::string reason;
};

class RuntimeRun : public PlanExtension {
public:
    /// `sources`: the run's files, the runtime module among them;
    /// `projectFiles`: its project files (a group file among them is passed
    /// over). Reads the project files and the policies it needs; throws
    /// VbError or policy::PolicyError.
    RuntimeRun(const std::vector<SourceFile>& sources, const std::vector<Text>& projectFiles,
               RuntimeSettings settings);
    ~RuntimeRun() override;
    RuntimeRun(RuntimeRun&&) noexcept;

    /// add: for each modDebugErr.bas that stands in the folder of a project
    /// that is to get it, and that no project of the run lists, the message
    /// naming it. Each one stops the run before any work.
    const std::vector<std::string>& Conflicts() const { return conflicts_; }

    RulesSource& Rules(RulesSource& rules) override;
    void Request(RunRequest& request) override;
    void Planned(RunPlan& plan) override;
    void Applied(RunPlan& plan) override;

    /// After Planned (add, check over projects): the names the blocks use
    /// that neither VB nor any file of the run declares, in the order the
    /// templates use them. None for a run over named files.
    const std::vector<Text>& UndeclaredNames() const { return undeclared_; }
    /// Whether the runtime module declares every one of them.
    bool RuntimeDeclaresThem() const;

    /// The module files the plan writes, and the project files it gives their line.
    const std::vector<Text>& ModulesAdded() const { return modulesAdded_; }
    /// remove: the module files the run deletes (after the apply phase), and
    /// those it leaves.
    const std::vector<Text>& ModulesRemoved() const { return modulesRemoved_; }
    const std::vector<ModuleLeft>& ModulesLeft() const { return modulesLeft_; }
    std::vector<Text> FilesDeleted() const override { return modulesRemoved_; }

private:
    class Recorder;
    struct Project {
        Text file;
        Text folder;
        std::vector<Text> runtimeModules;  // the paths of the objects named modDebugErr it lists
    };

    bool Wants(const Project& project);
    void PlanAdding();
    void PlanRemoving();
    void AddProjectEdit(RunPlan& plan, const Text& projectFile, bool removing);
    void FindUndeclared(const RunPlan& plan);

    RuntimeSettings settings_;
    bool findNames_;
    std::vector<Project> projects_;
    std::vector<Text> runtimeFiles_;  // the runtime modules the run's files list
    std::vector<std::string> conflicts_;
    std::vector<Text> projectsToEdit_;
    std::vector<Text> modulesAdded_;
    std::vector<Text> modulesRemoved_;
    std::vector<ModuleLeft> modulesLeft_;
    std::vector<Text> undeclared_;
    std::unique_ptr<Recorder> recorder_;
    bool writeAhead_ = false;
    bool keepOriginals_ = false;
    bool backup_ = false;
};

}  // namespace run
