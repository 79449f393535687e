// The rules of a command-line run: the templates of the command line and of
// the team policy that applies to each file (the nearest trapwright.toml),
// its exclusions, the module placeholders and the opt-out comment.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "commands/RunPlan.h"
#include "commands/SourceList.h"
#include "policy/Policy.h"
#include "vb_runtime/Text.h"

namespace run {

class PolicyRules : public RulesSource {
public:
    struct Settings {
        /// --begin and --end: they take the place of the policy's defaults.
        std::optional<Text> begin;
        std::optional<Text> end;
        /// Their names in messages ("the begin template (begin.txt)").
        std::string beginName = "the begin template";
        std::string endName = "the end template";
        /// Look for a policy file near each project (or named file).
        bool findPolicies = true;
        /// --policy FILE: this policy for every file instead.
        std::optional<Text> policyFile;
        /// number --start, --step, --per: they take the place of the policy's [numbers].
        policy::NumberSettings numbers;
    };

    explicit PolicyRules(Settings settings);

    /// Reads every policy the files need, so that a faulty one stops the
    /// command before any work. Throws policy::PolicyError, or VbError when
    /// a policy file cannot be read.
    void Prepare(const std::vector<SourceFile>& sources);

    /// Refuses (throws templates::TemplateError) any pair of templates the
    /// run could give a procedure that cannot make blocks VB6 compiles: the
    /// run's own, and those of every policy Prepare read.
    void CheckTemplates() const;

    FileRules For(const SourceFile& file) override;

private:
    /// The policy of a file (Prepare read it), or null.
    const policy::Policy* PolicyOf(const SourceFile& file) const;
    const Text* PolicyPathOf(const SourceFile& file) const;
    bool LeavesFileAlone(const SourceFile& file, const policy::Policy& policy, const Text& policyPath) const;

    Settings settings_;
    std::map<Text, std::optional<Text>> policyByFolder_;  // the folder a search started in -> the policy found
    std::map<Text, std::shared_ptr<const policy::Policy>> policies_;  // by policy file
};

}  // namespace run
