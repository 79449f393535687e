// The desktop application's add run: the plan and apply phases with the
// templates read afresh for every object.
#include "commands/AddErrorHandlerRun.h"

#include <vector>

#include "commands/RunApply.h"
#include "commands/RuntimeModule.h"
#include "commands/TemplateCheck.h"
#include "commands/SourceList.h"
#include "project_model/clsProject.h"

namespace addrun {

const char CompletionMessage[] =
    "Error handler is added! Remember to append the file 'modDebugErr.bas' if you want it to work correctly.";

namespace {

// The templates as the source holds them when each object comes up.
class TemplatesPerObject : public run::RulesSource {
public:
    explicit TemplatesPerObject(TemplateSource& templates) : templates_(templates) {}
    run::FileRules For(const run::SourceFile& /*file*/) override {
        run::FileRules rules;
        const Text begin = templates_.BeginTemplate();
        const Text end = templates_.EndTemplate();
        rules.templates = std::make_shared<scan::FixedTemplates>(scan::HandlerTemplates{begin, end});
        return rules;
    }

private:
    TemplateSource& templates_;
};

}  // namespace

RunResult AddErrorHandlers(const clsProject& project, TemplateSource& templates, RunObserver* observer,
                           const RunOptions& options) {
    // The runtime module never gets a block: it would handle its own errors.
    const std::vector<run::SourceFile> sources = run::WithoutRuntimeModule(run::ProjectSources(project));
    // Templates that cannot make blocks VB6 compiles are refused before any
    // file is read. A project without objects reads no template at all.
    if (!sources.empty()) {
        try {
            templates::CheckTemplatePair({templates.BeginTemplate(), "the begin template"},
                                         {templates.EndTemplate(), "the end template"});
        } catch (const templates::TemplateError& error) {
            RunResult refused;
            refused.problems.push_back(Problem{-1, Text(), vb::VbError(vb::ErrInvalidArgument, error.what())});
            return refused;
        }
    }
    run::RunRequest request;
    request.operation = run::Operation::Add;
    request.backup = options.backup;
    request.writeAhead = true;
    if (!options.projectFile.empty()) request.projectFiles.push_back(options.projectFile);
    TemplatesPerObject rules(templates);
    run::RunPlan plan = run::MakePlan(run::WithoutRuntimeModule(run::ProjectSources(project)), rules, request, observer);
    run::ApplyPlan(plan, request, observer);
    return std::move(plan.result);
}

}  // namespace addrun
