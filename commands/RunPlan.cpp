// The plan phase of a run: every file read, checked and processed in list
// order, nothing written.
#include "commands/RunPlan.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "commands/FileIdentity.h"
#include "commands/UnifiedDiff.h"
#include "vb_runtime/FileAccess.h"

namespace run {

namespace {

bool Writes(Operation operation) { return operation != Operation::Check; }

// Why a named file cannot be processed: it is missing, or a folder or a
// hidden file, which a project's run would skip.
vb::VbError NotASourceFile(const Text& path) {
    if (!vb::PathExists(path)) return vb::VbError(vb::ErrFileNotFound, vb::DisplayPath(path));
    return vb::VbError(vb::ErrPathFileAccess, vb::DisplayPath(path) + ": a folder or a hidden file, not a source file");
}

class Planner {
public:
    Planner(const std::vector<SourceFile>& sources, RulesSource& rules, const RunRequest& request,
            RunObserver* observer)
        : sources_(sources), rules_(rules), request_(request), observer_(observer) {
        for (const Text& file : request.projectFiles) projectIdentities_.push_back(FileIdentity(file));
    }

    RunPlan Run() {
        for (const SourceFile& source : sources_) Plan(source);
        for (const PlannedFile& file : plan_.files) plan_.result.filesChanged += file.outcome.changed ? 1 : 0;
        return std::move(plan_);
    }

private:
    RunResult& Result() { return plan_.result; }

    // Records a problem of a file; the same error twice (a file that can be
    // neither written nor read) is reported once.
    void AddProblem(const SourceFile& source, const vb::VbError& error) {
        std::vector<Problem>& problems = Result().problems;
        if (!problems.empty()) {
            const Problem& last = problems.back();
            if (last.Index == source.Index && last.path == source.path && last.error.Number() == error.Number() &&
                last.error.Context() == error.Context()) {
                return;
            }
        }
        problems.push_back(Problem{source.Index, source.path, error});
    }

    // Runs one step of a file; a failure is recorded and the file's other
    // steps still run, so that all its problems are reported.
    template <class Step>
    bool Attempt(const SourceFile& source, Step&& step) {
        try {
            step();
            return true;
        } catch (const vb::VbError& error) {
            AddProblem(source, error);
            return false;
        }
    }

    void Plan(const SourceFile& source) {
        const int32_t last = static_cast<int32_t>(sources_.size()) - 1;
        if (!vb::IsOrdinaryFile(source.path)) {
            if (source.named) {
                AddProblem(source, NotASourceFile(source.path));
                return;
            }
            // Never write another file's text there: the entry is skipped.
            Result().skippedFiles.push_back(source.path);
            if (observer_ != nullptr) observer_->FileSkipped(source.Index, source.path);
            return;
        }
        if (observer_ != nullptr) observer_->FileProcessing(source.Index, last, source.path);

        const std::filesystem::path identity = FileIdentity(source.path);
        if (std::find(projectIdentities_.begin(), projectIdentities_.end(), identity) != projectIdentities_.end()) {
            AddProblem(source, vb::VbError(vb::ErrPathFileAccess,
                                           vb::DisplayPath(source.path) + ": the project lists its own project file"));
            return;
        }
        const auto earlier = plannedByFile_.find(identity);
        if (earlier != plannedByFile_.end() && request_.operation == Operation::Check) return;
        PlannedFile* planned = earlier != plannedByFile_.end() ? &plan_.files[earlier->second] : nullptr;
        const Text target = request_.output.empty() ? source.path : request_.output;

        const FileRules rules = rules_.For(source);
        if (rules.leaveAlone) {
            ++Result().filesLeftAlone;
            return;
        }
        const size_t problemsBefore = Result().problems.size();
        std::string bytes;
        bool read = true;
        if (planned != nullptr) {
            // A file named again starts from what the earlier entry leaves in it.
            bytes = planned->outcome.bytes;
        } else {
            if (Writes(request_.operation)) Attempt(source, [&] { vb::CheckWritable(target); });
            read = Attempt(source, [&] { bytes = vb::ReadFileBytes(source.path); });
        }
        ModuleOutcome outcome;
        const bool processed = read && Attempt(source, [&] { outcome = Process(rules, bytes); });
        if (!processed || Result().problems.size() > problemsBefore) return;

        Count(source, outcome);
        if (planned != nullptr) {
            Merge(*planned, std::move(outcome));
        } else {
            if (outcome.holdsNul) Result().filesWithNul.push_back(source.path);
            PlannedFile file;
            file.Index = source.Index;
            file.path = source.path;
            file.target = target;
            if (request_.keepOriginals) file.original = std::move(bytes);
            file.outcome = std::move(outcome);
            plannedByFile_.emplace(identity, plan_.files.size());
            plan_.files.push_back(std::move(file));
        }
    }

    ModuleOutcome Process(const FileRules& rules, const std::string& bytes) const {
        ModuleRequest module;
        module.operation = request_.operation;
        module.skipHandled = request_.skipHandled;
        module.templates = rules.templates.get();
        module.context = rules.context ? &*rules.context : nullptr;
        module.optOutComments = rules.optOutComments;
        module.keepEdits = request_.keepOriginals;
        return ProcessModule(bytes, module);
    }

    void Count(const SourceFile& source, const ModuleOutcome& outcome) {
        RunResult& result = Result();
        ++result.filesProcessed;
        result.procedures += outcome.blocksInserted;
        result.proceduresSeen += outcome.procedures;
        result.alreadyHandled += outcome.alreadyHandled;
        result.blocksRemoved += outcome.blocksRemoved;
        result.endBlocksRemoved += outcome.endBlocksRemoved;
        for (const LineNote& note : outcome.notes) result.notes.push_back(FileNote{source.path, note});
    }

    // A later pass over a file: its result replaces the earlier one, and the
    // edits now lead from the original bytes to the last pass's bytes.
    void Merge(PlannedFile& planned, ModuleOutcome outcome) {
        outcome.changed = outcome.changed || planned.outcome.changed;
        outcome.holdsNul = planned.outcome.holdsNul;
        outcome.edits = request_.keepOriginals ? EditBetween(planned.original, outcome.bytes) : std::vector<ByteEdit>{};
        planned.outcome = std::move(outcome);
    }

    const std::vector<SourceFile>& sources_;
    RulesSource& rules_;
    const RunRequest& request_;
    RunObserver* observer_;
    std::vector<std::filesystem::path> projectIdentities_;
    std::map<std::filesystem::path, size_t> plannedByFile_;  // file identity -> index into the plan's files
    RunPlan plan_;
};

}  // namespace

RunPlan MakePlan(const std::vector<SourceFile>& sources, RulesSource& rules, const RunRequest& request,
                 RunObserver* observer) {
    return Planner(sources, rules, request, observer).Run();
}

}  // namespace run
