// The apply phase of a run: the new contents put in place.
#include "commands/RunApply.h"

#include "vb_runtime/Backup.h"
#include "vb_runtime/FileAccess.h"

namespace run {

namespace {

// Puts one file's new content in place; one written over itself must still
// be there, since it was read moments ago.
void WriteOne(PlannedFile& file, const RunRequest& request, RunResult& result) {
    if (file.newFile) {
        if (vb::PathExists(file.target)) {
            throw vb::VbError(vb::ErrFileAlreadyExists, vb::DisplayPath(file.target) + ": appeared after the run was planned");
        }
    } else if (file.target == file.path && !vb::IsOrdinaryFile(file.path)) {
        throw vb::VbError(vb::ErrFileNotFound, vb::DisplayPath(file.path) + ": disappeared after it was read");
    }
    if (request.backup && vb::IsOrdinaryFile(file.target)) {
        result.backups.push_back(vb::WriteBackup(file.target, vb::ReadFileBytes(file.target)));
    }
    if (file.pending) {
        file.pending->Commit();
        file.pending.reset();
    } else {
        vb::WriteFileBytes(file.target, file.outcome.bytes);
    }
}

}  // namespace

void ApplyPlan(RunPlan& plan, const RunRequest& request, RunObserver* observer) {
    RunResult& result = plan.result;
    if (!result.Succeeded()) return;
    // Every new content reaches the disk before the first takes its place.
    std::vector<vb::PendingWrite*> pending;
    for (PlannedFile& file : plan.files) {
        if (file.outcome.changed && file.pending) pending.push_back(file.pending.get());
    }
    try {
        vb::PendingWrite::FlushAll(pending);
    } catch (const vb::VbError& error) {
        result.problems.push_back(Problem{plan.files.front().Index, plan.files.front().path, error});
        return;
    }
    for (PlannedFile& file : plan.files) {
        if (!file.outcome.changed) continue;
        try {
            WriteOne(file, request, result);
        } catch (const vb::VbError& error) {
            result.problems.push_back(Problem{file.Index, file.path, error});
            return;
        }
        ++result.counts.filesWritten;
        if (observer != nullptr) observer->FileWritten(file.Index, file.path);
    }
}

}  // namespace run
