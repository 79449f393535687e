// The runtime module's part of a run, and the names the blocks use.
#include "commands/RuntimeRun.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "commands/FileIdentity.h"
#include "commands/ProjectFileEdit.h"
#include "commands/RuntimeModule.h"
#include "commands/TemplateNames.h"
#include "commands/UnifiedDiff.h"
#include "policy/Policy.h"
#include "policy/PolicyLocator.h"
#include "project_model/clsProject.h"
#include "source_transformation/ModuleLevelNames.h"
#include "vb_runtime/Backup.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/Letters.h"
#include "vb_runtime/Strings.h"

namespace run {

namespace {

bool Writes(Operation operation) { return operation != Operation::Check; }

bool FindsNames(Operation operation) { return operation == Operation::Add || operation == Operation::Check; }

// What one file's procedures showed while it was scanned: their names, and
// the templates they got. Each file has its own, so no lock is needed.
struct FileRecord {
    /// A fingerprint of each procedure's name, letter case ignored: kept
    /// for every procedure of every file until the run ends, so a number
    /// rather than a string each. Two names that differ and share one (one
    /// chance in 2^64) would only hide a warning.
    std::vector<uint64_t> procedures;
    std::vector<const scan::HandlerTemplates*> seen;  // valid while the file's rules live
    std::vector<Text> templates;                       // their texts, begin and end
};

// The fingerprint of a name, spaces around it aside, letter case ignored
// (FNV-1a over its folded units).
uint64_t NameFingerprint(vb::TextView name) {
    while (!name.empty() && name.front() == u' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
    uint64_t hash = 14695981039346656037ull;
    for (const char16_t unit : name) {
        hash = (hash ^ vb::FoldLetter(unit)) * 1099511628211ull;
    }
    return hash;
}

// A file's templates, passed on, with what the scan asks of them recorded.
// A header below an opt-out comment is never asked about, so its name is
// not recorded.
class RecordingTemplates : public scan::TemplateChoice {
public:
    RecordingTemplates(std::shared_ptr<const scan::TemplateChoice> inner, FileRecord& record)
        : inner_(std::move(inner)), record_(record) {}

    const scan::HandlerTemplates* ForProcedure(const scan::ProcedureHeader& header) const override {
        record_.procedures.push_back(NameFingerprint(header.name));
        const scan::HandlerTemplates* templates = inner_->ForProcedure(header);
        if (templates != nullptr &&
            std::find(record_.seen.begin(), record_.seen.end(), templates) == record_.seen.end()) {
            record_.seen.push_back(templates);
            record_.templates.push_back(templates->begin);
            record_.templates.push_back(templates->end);
        }
        return templates;
    }
    const scan::HandlerTemplates& ForModule() const override { return inner_->ForModule(); }

private:
    std::shared_ptr<const scan::TemplateChoice> inner_;
    FileRecord& record_;
};

bool SameFile(const Text& a, const Text& b) { return FileIdentity(a) == FileIdentity(b); }

void AddNamesOfFile(const Text& path, int32_t codePage, scan::DeclaredNames& names) {
    try {
        if (vb::IsOrdinaryFile(path)) {
            scan::AddModuleLevelNamesOfBytes(vb::ReadFileBytes(path), codePage, true, true, names);
        }
    } catch (const vb::VbError&) {
        // A file that cannot be read declares nothing; the run names it where it matters.
    }
}

}  // namespace

// The run's rules with each file's templates recorded, and the files the
// rules leave alone, whose names are read from the whole file.
class RuntimeRun::Recorder : public RulesSource {
public:
    explicit Recorder(bool record) : record_(record) {}
    void Wrap(RulesSource& inner) { inner_ = &inner; }

    FileRules For(const SourceFile& file) override {
        FileRules rules = inner_->For(file);
        if (!record_) return rules;
        if (rules.excluded) {
            excluded.push_back(file.path);
        } else if (rules.templates) {
            records.emplace_back();
            rules.templates = std::make_shared<RecordingTemplates>(std::move(rules.templates), records.back());
        }
        return rules;
    }

    std::deque<FileRecord> records;  // stable addresses
    std::vector<Text> excluded;

private:
    bool record_;
    RulesSource* inner_ = nullptr;
};

RuntimeRun::RuntimeRun(const std::vector<SourceFile>& sources, const std::vector<Text>& projectFiles,
                       RuntimeSettings settings)
    : settings_(std::move(settings)),
      // Named files are a part of a project at most (a hook passes the
      // staged ones): what they declare says nothing of the build.
      findNames_(FindsNames(settings_.operation) && !projectFiles.empty()),
      recorder_(std::make_unique<Recorder>(findNames_)) {
    for (const SourceFile& file : sources) {
        if (IsRuntimeModule(file)) runtimeFiles_.push_back(file.path);
    }
    const bool changesProjects =
        settings_.operation == Operation::Add || (settings_.operation == Operation::Remove && settings_.withRuntime);
    if (!changesProjects) return;
    for (const Text& file : projectFiles) {
        if (file.size() < 4 || !vb::EqualsNoCase(vb::TextView(file).substr(file.size() - 4), u".vbp")) continue;
        clsProject project;
        project.ParseProject(file);
        Project opened{file, vb::FolderPart(file), {}};
        for (int32_t k = 0; k <= project.ObjectCount(); ++k) {
            if (vb::NamesEqual(project.ObjectName(k), kRuntimeModuleName)) opened.runtimeModules.push_back(project.ObjectPath(k));
        }
        for (const Text& module : opened.runtimeModules) runtimeFiles_.push_back(module);
        projects_.push_back(std::move(opened));
    }
    if (settings_.operation == Operation::Add) PlanAdding();
    if (settings_.operation == Operation::Remove) PlanRemoving();
}

RuntimeRun::~RuntimeRun() = default;
RuntimeRun::RuntimeRun(RuntimeRun&&) noexcept = default;

// --with-runtime, or `runtime = true` in the policy that governs the project.
bool RuntimeRun::Wants(const Project& project) {
    if (settings_.withRuntime) return true;
    std::optional<Text> policyFile = settings_.policyFile;
    if (!policyFile && settings_.findPolicies) policyFile = policy::FindPolicy(project.folder);
    return policyFile && policy::Policy::Load(*policyFile).Runtime();
}

void RuntimeRun::PlanAdding() {
    for (const Project& project : projects_) {
        if (!project.runtimeModules.empty() || !Wants(project)) continue;
        projectsToEdit_.push_back(project.file);
        const Text module = project.folder + kRuntimeFileName;
        const auto same = [&](const Text& other) { return SameFile(other, module); };
        // Once per folder; a file another project of the run lists is the module already.
        if (std::any_of(modulesAdded_.begin(), modulesAdded_.end(), same) ||
            std::any_of(runtimeFiles_.begin(), runtimeFiles_.end(), same)) {
            continue;
        }
        if (vb::PathExists(module)) {
            conflicts_.push_back(vb::DisplayPath(module) + " stands in the folder of " + vb::DisplayPath(project.file) +
                                 ", which does not list it; list it in the project (" +
                                 vb::ToUtf8(kRuntimeProjectLine) + ") or move it away");
            continue;
        }
        modulesAdded_.push_back(module);
    }
}

void RuntimeRun::PlanRemoving() {
    const std::string ours = RuntimeModuleBytes(settings_.codePage);
    for (const Project& project : projects_) {
        for (const Text& module : project.runtimeModules) {
            const auto same = [&](const Text& other) { return SameFile(other, module); };
            if (std::any_of(modulesRemoved_.begin(), modulesRemoved_.end(), same)) {
                projectsToEdit_.push_back(project.file);
                continue;
            }
            const auto left = [&](const ModuleLeft& other) { return SameFile(other.path, module); };
            if (std::any_of(modulesLeft_.begin(), modulesLeft_.end(), left)) continue;
            std::string reason;
            if (!SameFile(module, project.folder + kRuntimeFileName)) {
                reason = "it is not the module add --with-runtime writes into the project's folder";
            } else if (!vb::IsOrdinaryFile(module)) {
                reason = "no such file";
            } else if (vb::ReadFileBytes(module) != ours) {
                reason = "it differs from the module trapwright runtime writes";
            }
            if (!reason.empty()) {
                modulesLeft_.push_back(ModuleLeft{module, reason + "; left as it is"});
                continue;
            }
            modulesRemoved_.push_back(module);
            projectsToEdit_.push_back(project.file);
        }
    }
}

RulesSource& RuntimeRun::Rules(RulesSource& rules) {
    recorder_->Wrap(rules);
    return *recorder_;
}

void RuntimeRun::Request(RunRequest& request) {
    request.findModuleNames = findNames_;
    writeAhead_ = request.writeAhead && Writes(request.operation);
    keepOriginals_ = request.keepOriginals;
    backup_ = request.backup;
}

// One project file's line put in or taken out, as a file of the plan.
void RuntimeRun::AddProjectEdit(RunPlan& plan, const Text& projectFile, bool removing) {
    PlannedFile file;
    file.Index = static_cast<int32_t>(plan.files.size());
    file.path = projectFile;
    file.target = projectFile;
    try {
        std::string bytes = vb::ReadFileBytes(projectFile);
        std::optional<ByteEdit> edit = removing ? RuntimeLineRemoval(bytes, settings_.codePage)
                                                : RuntimeLineInsertion(bytes, settings_.codePage);
        if (!edit) return;
        file.outcome.bytes = bytes;
        file.outcome.bytes.replace(edit->offset, edit->removed, edit->inserted);
        file.outcome.changed = true;
        if (writeAhead_) file.pending = std::make_unique<vb::PendingWrite>(file.target, file.outcome.bytes);
        if (keepOriginals_) file.original = std::move(bytes);
        file.outcome.edits.push_back(std::move(*edit));
    } catch (const vb::VbError& error) {
        plan.result.problems.push_back(Problem{file.Index, projectFile, error});
        return;
    }
    plan.files.push_back(std::move(file));
    ++plan.result.counts.filesChanged;
}

void RuntimeRun::Planned(RunPlan& plan) {
    if (findNames_) FindUndeclared(plan);
    if (!Writes(settings_.operation)) return;
    // The modules first: should the writing stop, no project lists a module that is not there.
    for (const Text& module : modulesAdded_) {
        PlannedFile file;
        file.Index = static_cast<int32_t>(plan.files.size());
        file.path = module;
        file.target = module;
        file.newFile = true;
        file.outcome.bytes = RuntimeModuleBytes(settings_.codePage);
        file.outcome.changed = true;
        file.outcome.edits.push_back(ByteEdit{0, 0, file.outcome.bytes});
        try {
            if (writeAhead_) file.pending = std::make_unique<vb::PendingWrite>(file.target, file.outcome.bytes);
        } catch (const vb::VbError& error) {
            plan.result.problems.push_back(Problem{file.Index, module, error});
            continue;
        }
        plan.files.push_back(std::move(file));
        ++plan.result.counts.filesChanged;
    }
    std::set<std::filesystem::path> edited;
    for (const Text& project : projectsToEdit_) {
        if (edited.insert(FileIdentity(project)).second) {
            AddProjectEdit(plan, project, settings_.operation == Operation::Remove);
        }
    }
}

void RuntimeRun::Applied(RunPlan& plan) {
    RunResult& result = plan.result;
    if (!result.Succeeded()) return;
    for (const Text& module : modulesRemoved_) {
        try {
            if (backup_) result.backups.push_back(vb::WriteBackup(module, vb::ReadFileBytes(module)));
            std::error_code error;
            if (!std::filesystem::remove(std::filesystem::path(vb::NativePath(module)), error) || error) {
                throw vb::VbError(vb::ErrPermissionDenied, vb::DisplayPath(module) + ": could not be deleted");
            }
        } catch (const vb::VbError& error) {
            result.problems.push_back(Problem{static_cast<int32_t>(plan.files.size()), module, error});
            return;
        }
        ++result.counts.filesWritten;
    }
}

// The names of the templates the scan used, less those that VB, a file of
// the run, or the runtime module the run adds declare.
void RuntimeRun::FindUndeclared(const RunPlan& plan) {
    std::vector<Text> templates;
    for (const FileRecord& record : recorder_->records) {
        for (const Text& text : record.templates) {
            if (std::find(templates.begin(), templates.end(), text) == templates.end()) templates.push_back(text);
        }
    }
    const std::vector<Text> used = NamesTemplatesUse(templates);
    if (used.empty()) return;
    scan::DeclaredNames declared = plan.moduleNames;
    for (const Text& path : recorder_->excluded) AddNamesOfFile(path, settings_.codePage, declared);
    for (const Text& path : runtimeFiles_) AddNamesOfFile(path, settings_.codePage, declared);
    if (!modulesAdded_.empty()) scan::AddModuleLevelNames(RuntimeModuleText(), true, declared);
    for (const Text& name : used) {
        const uint64_t fingerprint = NameFingerprint(name);
        const bool aProcedure = std::any_of(recorder_->records.begin(), recorder_->records.end(), [&](const FileRecord& record) {
            return std::find(record.procedures.begin(), record.procedures.end(), fingerprint) != record.procedures.end();
        });
        if (!declared.Has(name) && !aProcedure) undeclared_.push_back(name);
    }
}

bool RuntimeRun::RuntimeDeclaresThem() const {
    scan::DeclaredNames runtime;
    scan::AddModuleLevelNames(RuntimeModuleText(), true, runtime);
    return std::all_of(undeclared_.begin(), undeclared_.end(), [&](const Text& name) { return runtime.Has(name); });
}

}  // namespace run
