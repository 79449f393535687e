// The plan phase of a run: every file read, checked and processed, nothing
// written in place. The files go through three steps: the cheap checks and
// the rules, on the calling thread in list order; the reading, processing
// and writing ahead, several files at once; then their results, merged in
// list order, so that what is reported never depends on which file was
// quicker.
#include "commands/RunPlan.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

#include "commands/FileIdentity.h"
#include "commands/ParallelMap.h"
#include "commands/UnifiedDiff.h"
#include "source_transformation/DeclaredNames.h"
#include "source_transformation/ModuleLevelNames.h"
#include "vb_runtime/BackgroundFlush.h"
#include "vb_runtime/CodePage.h"
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

// Hands a module's new bytes to its pending write as they are made.
class PendingWriteSink : public ByteSink {
public:
    explicit PendingWriteSink(vb::PendingWrite& write) : write_(write) {}
    void Append(std::string_view bytes) override { write_.Append(bytes); }

private:
    vb::PendingWrite& write_;
};

// One entry of the list as classified, before anything is read.
struct Entry {
    const SourceFile* source = nullptr;
    enum class Kind { Skipped, Refused, Excluded, Repeat, Process } kind = Kind::Process;
    std::filesystem::path identity;
    FileRules rules;
    Text target;
    int earlier = -1;         // Process: the entry before it that names the same file
    bool namedLater = false;  // Process: a later entry names the same file
    std::vector<vb::VbError> problems;  // Refused: why
};

// What processing an entry's file gave.
struct FileResult {
    std::vector<vb::VbError> problems;
    bool processed = false;
    std::string original;
    ModuleOutcome outcome;
    std::unique_ptr<vb::PendingWrite> pending;
    std::exception_ptr failure;  // anything but a VbError
};

class Planner {
public:
    Planner(const std::vector<SourceFile>& sources, RulesSource& rules, const RunRequest& request,
            RunObserver* observer)
        : sources_(sources), rules_(rules), request_(request), observer_(observer) {
        for (const Text& file : request.projectFiles) projectIdentities_.push_back(FileIdentity(file));
    }

    RunPlan Run() {
        entries_.resize(sources_.size());
        for (size_t i = 0; i < sources_.size(); ++i) Classify(i);
        FindDeclarations();
        ProcessAll();
        for (size_t i = 0; i < entries_.size(); ++i) Merge(entries_[i], results_[i]);
        for (const PlannedFile& file : plan_.files) plan_.result.counts.filesChanged += file.outcome.changed ? 1 : 0;
        return std::move(plan_);
    }

private:
    RunResult& Result() { return plan_.result; }

    // What the list says of an entry: the checks that need no reading, the
    // file's rules, and the entries that name the same file.
    void Classify(size_t i) {
        Entry& entry = entries_[i];
        const SourceFile& source = sources_[i];
        entry.source = &source;
        if (!vb::IsOrdinaryFile(source.path)) {
            entry.kind = source.named ? Entry::Kind::Refused : Entry::Kind::Skipped;
            if (source.named) entry.problems.push_back(NotASourceFile(source.path));
            return;
        }
        entry.identity = FileIdentity(source.path);
        if (std::find(projectIdentities_.begin(), projectIdentities_.end(), entry.identity) !=
            projectIdentities_.end()) {
            entry.kind = Entry::Kind::Refused;
            entry.problems.push_back(vb::VbError(
                vb::ErrPathFileAccess, vb::DisplayPath(source.path) + ": the project lists its own project file"));
            return;
        }
        const auto earlier = firstEntryOf_.find(entry.identity);
        if (earlier != firstEntryOf_.end() && request_.operation == Operation::Check) {
            entry.kind = Entry::Kind::Repeat;
            return;
        }
        entry.rules = rules_.For(source);
        if (entry.rules.excluded) {
            entry.kind = Entry::Kind::Excluded;
            return;
        }
        entry.target = request_.output.empty() ? source.path : request_.output;
        if (earlier != firstEntryOf_.end()) {
            entry.earlier = lastEntryOf_[entry.identity];
            entries_[static_cast<size_t>(entry.earlier)].namedLater = true;
        } else {
            firstEntryOf_.emplace(entry.identity, static_cast<int>(i));
        }
        lastEntryOf_[entry.identity] = static_cast<int>(i);
    }

    // Processes the files, several at once. A file the list names more
    // than once is one work item: its passes run in list order, each
    // starting from what the one before leaves. The new contents written
    // ahead are flushed in the background meanwhile; every flush has ended,
    // or failed, when this returns.
    void ProcessAll() {
        std::vector<std::vector<size_t>> items;  // each file's entries, in list order
        std::map<std::filesystem::path, size_t> itemOf;
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].kind != Entry::Kind::Process) continue;
            const auto [found, added] = itemOf.emplace(entries_[i].identity, items.size());
            if (added) items.emplace_back();
            items[found->second].push_back(i);
        }
        results_.resize(entries_.size());
        if (WritesAhead()) flush_.emplace();
        const unsigned workers = Workers(items.size());
        spareCore_ = workers < std::thread::hardware_concurrency();
        ForEachAtOnce(items.size(), workers, [&](size_t k, unsigned) {
            for (const size_t entry : items[k]) results_[entry] = Process(entries_[entry]);
        });
        flush_.reset();
    }

    unsigned Workers(size_t items) const { return WorkerCount(request_.workers, items); }

    // The classes, forms, user controls and Enums of every file of the run,
    // which parameters of those types need: each file is read only up to its
    // first procedure, where its declarations end, a piece at a time, so
    // that no file is held whole. A file that cannot be read declares
    // nothing; its processing reports why. Removing needs no names.
    void FindDeclarations() {
        if (request_.operation != Operation::Add && request_.operation != Operation::Check) return;
        std::vector<size_t> files;
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].kind == Entry::Kind::Process && entries_[i].earlier < 0) files.push_back(i);
        }
        const unsigned workers = Workers(files.size());
        std::vector<scan::DeclaredNames> found(workers);
        std::vector<scan::DeclaredNames> moduleNames(request_.findModuleNames ? workers : 0);
        const int32_t codePage = request_.codePage;
        ForEachAtOnce(files.size(), workers, [&](size_t k, unsigned worker) {
            const Text& path = entries_[files[k]].source->path;
            try {
                for (size_t limit = size_t{1} << 14;; limit *= 4) {
                    const std::string head = vb::ReadFileHead(path, limit);
                    const bool whole = head.size() < limit;
                    if (scan::AddDeclarationsOfBytes(head, codePage, whole, found[worker]) || whole) {
                        if (!moduleNames.empty()) {
                            scan::AddModuleLevelNamesOfBytes(head, codePage, whole, false, moduleNames[worker]);
                        }
                        break;
                    }
                }
            } catch (const vb::VbError&) {
            }
        });
        for (const scan::DeclaredNames& names : found) declared_.Merge(names);
        for (const scan::DeclaredNames& names : moduleNames) plan_.moduleNames.Merge(names);
    }

    // Runs one step of a file; a failure is recorded and the file's other
    // steps still run, so that all its problems are reported.
    template <class Step>
    static bool Attempt(FileResult& result, Step&& step) {
        try {
            step();
            return true;
        } catch (const vb::VbError& error) {
            result.problems.push_back(error);
            return false;
        }
    }

    // One file's processing: read (or taken from the entry before that
    // names it), processed, and its new content written ahead.
    FileResult Process(const Entry& entry) {
        FileResult result;
        try {
            ProcessFile(entry, result);
        } catch (...) {
            result.failure = std::current_exception();
        }
        return result;
    }

    void ProcessFile(const Entry& entry, FileResult& result) {
        const SourceFile& source = *entry.source;
        std::string bytes;
        bool read = true;
        if (entry.earlier >= 0) {
            // A file named again starts from what the earlier entry leaves in it.
            bytes = results_[static_cast<size_t>(entry.earlier)].outcome.bytes;
        } else {
            if (Writes(request_.operation) && !request_.dryRun) {
                Attempt(result, [&] { vb::CheckWritable(entry.target); });
            }
            read = Attempt(result, [&] { bytes = vb::ReadFileBytes(source.path); });
        }
        if (!read) return;
        const ModuleRequest module = ModuleRequestFor(entry.rules);
        std::optional<PreparedModule> prepared;
        if (!Attempt(result, [&] { prepared.emplace(bytes, module); })) return;
        if (!result.problems.empty()) return;
        result.processed = true;
        const bool changed = prepared->Outcome().changed;
        if (WritesAhead() && changed && !entry.namedLater && !module.keepEdits) {
            // Nothing needs the new bytes whole: they go straight into the
            // temporary file, a piece at a time.
            Attempt(result, [&] {
                auto pending = std::make_unique<vb::PendingWrite>(entry.target);
                PendingWriteSink sink(*pending);
                prepared->MakeBytesInto(sink);
                pending->Seal();
                result.pending = std::move(pending);
            });
        } else if (changed || entry.namedLater) {
            // An unchanged file's bytes are wanted only by an entry that starts from them.
            prepared->MakeBytes();
            if (WritesAhead() && changed) {
                Attempt(result, [&] {
                    result.pending = std::make_unique<vb::PendingWrite>(entry.target, prepared->Outcome().bytes);
                });
            }
        }
        result.outcome = std::move(prepared->Outcome());
        prepared.reset();
        if (result.pending && flush_) flush_->Submit(*result.pending);
        if (request_.keepOriginals && entry.earlier < 0) result.original = std::move(bytes);
        // The new bytes are in the pending write, or the file stays as it is:
        // keep them only for an entry that starts from them.
        const bool keepBytes = entry.namedLater || (!request_.writeAhead && result.outcome.changed);
        if (!keepBytes) std::string().swap(result.outcome.bytes);
    }

    bool WritesAhead() const { return request_.writeAhead && Writes(request_.operation); }

    ModuleRequest ModuleRequestFor(const FileRules& rules) const {
        ModuleRequest module;
        module.operation = request_.operation;
        module.skipHandled = request_.skipHandled;
        module.templates = rules.templates.get();
        module.context = rules.context ? &*rules.context : nullptr;
        module.optOutComments = rules.optOutComments;
        module.numbering = rules.numbering;
        module.keepNumbers = request_.keepNumbers;
        module.declared = &declared_;
        module.keepEdits = request_.keepOriginals;
        module.spareCore = spareCore_;
        module.codePage = request_.codePage;
        module.writeAlways = !request_.output.empty();
        return module;
    }

    // The entry's events, problems, counts and planned file, in list order.
    void Merge(Entry& entry, FileResult& processed) {
        if (processed.failure) std::rethrow_exception(processed.failure);
        const SourceFile& source = *entry.source;
        const int32_t last = static_cast<int32_t>(sources_.size()) - 1;
        if (entry.kind == Entry::Kind::Skipped) {
            Result().skippedFiles.push_back(source.path);
            if (observer_ != nullptr) observer_->FileSkipped(source.Index, source.path);
            return;
        }
        if (!(entry.kind == Entry::Kind::Refused && source.named) && observer_ != nullptr) {
            observer_->FileProcessing(source.Index, last, source.path);
        }
        AddProblems(source, entry.problems);
        AddProblems(source, processed.problems);
        if (entry.kind == Entry::Kind::Excluded) ++Result().counts.filesExcluded;
        if (entry.kind != Entry::Kind::Process || !processed.processed) return;

        Count(source, processed.outcome);
        if (entry.earlier >= 0) {
            MergeLaterPass(plan_.files[plannedIndex_.at(entry.identity)], processed);
            return;
        }
        if (processed.outcome.holdsNul) Result().filesWithNul.push_back(source.path);
        PlannedFile file;
        file.Index = source.Index;
        file.path = source.path;
        file.target = entry.target;
        file.original = std::move(processed.original);
        file.outcome = std::move(processed.outcome);
        file.pending = std::move(processed.pending);
        plannedIndex_[entry.identity] = plan_.files.size();
        plan_.files.push_back(std::move(file));
    }

    // Records the problems of a file; the same error twice (a file that can
    // be neither written nor read) is reported once.
    void AddProblems(const SourceFile& source, const std::vector<vb::VbError>& problems) {
        for (size_t k = 0; k < problems.size(); ++k) {
            const vb::VbError& error = problems[k];
            if (k > 0 && problems[k - 1].Number() == error.Number() && problems[k - 1].Context() == error.Context()) {
                continue;
            }
            Result().problems.push_back(Problem{source.Index, source.path, error});
        }
    }

    void Count(const SourceFile& source, ModuleOutcome& outcome) {
        RunResult& result = Result();
        ++result.counts.filesProcessed;
        result.counts += outcome.counts;
        if (!outcome.numbers.empty()) {
            result.numbers.push_back(
                NumberedFile{source.path, std::move(outcome.numberedProcedures), std::move(outcome.numbers)});
        }
        for (const LineNote& note : outcome.notes) result.notes.push_back(FileNote{source.path, note});
    }

    // A later pass over a file: its result replaces the earlier one, and the
    // edits now lead from the original bytes to the last pass's bytes.
    void MergeLaterPass(PlannedFile& planned, FileResult& later) {
        ModuleOutcome outcome = std::move(later.outcome);
        // A pass that changes nothing leaves the bytes the passes before it made.
        if (!outcome.changed) outcome.bytes = std::move(planned.outcome.bytes);
        outcome.changed = outcome.changed || planned.outcome.changed;
        outcome.holdsNul = planned.outcome.holdsNul;
        outcome.edits = request_.keepOriginals ? EditBetween(planned.original, outcome.bytes) : std::vector<ByteEdit>{};
        planned.outcome = std::move(outcome);
        if (later.pending) planned.pending = std::move(later.pending);
    }

    const std::vector<SourceFile>& sources_;
    RulesSource& rules_;
    const RunRequest& request_;
    RunObserver* observer_;
    std::vector<std::filesystem::path> projectIdentities_;
    std::vector<Entry> entries_;
    std::vector<FileResult> results_;  // one per entry; those processed filled in
    std::map<std::filesystem::path, int> firstEntryOf_;
    std::map<std::filesystem::path, int> lastEntryOf_;
    bool spareCore_ = false;  // fewer files are processed at once than there are cores
    scan::DeclaredNames declared_;  // the classes, forms, user controls and Enums of the run
    std::optional<vb::BackgroundFlush> flush_;  // while the entries are processed
    std::map<std::filesystem::path, size_t> plannedIndex_;  // file identity -> index into the plan's files
    RunPlan plan_;
};

}  // namespace

RunPlan MakePlan(const std::vector<SourceFile>& sources, RulesSource& rules, const RunRequest& request,
                 RunObserver* observer) {
    return Planner(sources, rules, request, observer).Run();
}

}  // namespace run
