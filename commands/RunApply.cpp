// The apply phase of a run: the atomic writes.
#include "commands/RunApply.h"

#include "vb_runtime/Backup.h"
#include "vb_runtime/FileAccess.h"

namespace run {

namespace {

// Writes one file; one written over itself must still be there, since it
// was read moments ago.
void WriteOne(const PlannedFile& file, const RunRequest& request, RunResult& result) {
    if (file.target == file.path && !vb::IsOrdinaryFile(file.path)) {
        throw vb::VbError(vb::ErrFileNotFound, vb::DisplayPath(file.path) + ": disappeared after it was read");
    }
    if (request.backup && vb::IsOrdinaryFile(file.target)) {
        result.backups.push_back(vb::WriteBackup(file.target, vb::ReadFileBytes(file.target)));
    }
    vb::WriteFileBytes(file.target, file.outcome.bytes);
}

}  // namespace

void ApplyPlan(RunPlan& plan, const RunRequest& request, RunObserver* observer) {
    RunResult& result = plan.result;
    if (!result.Succeeded()) return;
    for (const PlannedFile& file : plan.files) {
        if (!file.outcome.changed) continue;
        try {
            WriteOne(file, request, result);
        } catch (const vb::VbError& error) {
            result.problems.push_back(Problem{file.Index, file.path, error});
            return;
        }
        ++result.filesWritten;
        if (observer != nullptr) observer->FileWritten(file.Index, file.path);
    }
}

}  // namespace run
