// The add-error-handler run. It works in two phases so that a project is
// never left half-processed by a fault that can be seen up front: first every
// object is read, checked for writing and transformed in memory, in list
// order; only when nothing failed are the results written.
#include "commands/AddErrorHandlerRun.h"

#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#ifdef _WIN32
#include <cwctype>
#endif

#include "project_model/clsProject.h"
#include "source_transformation/clsVBParser.h"
#include "vb_runtime/Backup.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"

namespace addrun {

const char CompletionMessage[] =
    "Error handler is added! Remember to append the file 'modDebugErr.bas' if you want it to work correctly.";

namespace {

// What a run will write to one file: the bytes SaveCode would write for the
// last object that names it.
struct PendingWrite {
    int32_t Index;  // the first object that names the file
    Text path;
    std::string bytes;
};

// The identity of an existing file, so that two paths that differ in letter
// case, separators or "..\" steps are known to name the same file.
std::filesystem::path FileIdentity(const Text& path) {
    const std::filesystem::path native(vb::NativePath(path));
    std::error_code error;
    std::filesystem::path identity = std::filesystem::canonical(native, error);
    if (error) identity = std::filesystem::absolute(native, error).lexically_normal();
#ifdef _WIN32
    // The canonical form keeps the letter case as written; Windows ignores it.
    std::wstring folded = identity.native();
    for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    identity = folded;
#endif
    return identity;
}

// Writes one file; it must still be there, since it was read moments ago.
void WriteOne(const PendingWrite& write, const RunOptions& options, RunResult& result) {
    if (!vb::IsOrdinaryFile(write.path)) {
        throw vb::VbError(vb::ErrFileNotFound, vb::DisplayPath(write.path) + ": disappeared after it was read");
    }
    if (options.backup) result.backups.push_back(vb::WriteBackup(write.path, vb::ReadFileBytes(write.path)));
    vb::WriteFileBytes(write.path, write.bytes);
}

// The write phase: each file once, in the order the list first names it. A
// failure here stops the phase; the files before it stay written.
void WritePending(const std::vector<PendingWrite>& writes, const RunOptions& options, RunResult& result,
                  RunObserver* observer) {
    for (const PendingWrite& write : writes) {
        try {
            WriteOne(write, options, result);
            if (observer != nullptr) observer->FileWritten(write.Index, write.path);
        } catch (const vb::VbError& error) {
            result.problems.push_back(Problem{write.Index, write.path, error});
            return;
        }
    }
}

}  // namespace

RunResult AddErrorHandlers(const clsProject& project, clsVBParser& parser, TemplateSource& templates,
                           RunObserver* observer, const RunOptions& options) {
    RunResult result;
    std::vector<PendingWrite> writes;
    std::map<std::filesystem::path, size_t> pendingByFile;  // file identity -> index into writes
    const std::filesystem::path projectIdentity =
        options.projectFile.empty() ? std::filesystem::path() : FileIdentity(options.projectFile);

    const int32_t last = project.ObjectCount();
    for (int32_t Index = 0; Index <= last; ++Index) {
        const Text path = project.ObjectPath(Index);
        if (!vb::IsOrdinaryFile(path)) {
            // LoadCode would keep the previous object's text: never write that here.
            result.skippedFiles.push_back(path);
            if (observer != nullptr) observer->FileSkipped(Index, path);
            continue;
        }
        if (observer != nullptr) observer->FileProcessing(Index, last, path);

        bool failed = false;
        auto attempt = [&](auto&& step) {
            try {
                step();
                return true;
            } catch (const vb::VbError& error) {
                result.problems.push_back(Problem{Index, path, error});
                failed = true;
                return false;
            }
        };

        const std::filesystem::path identity = FileIdentity(path);
        if (!projectIdentity.empty() && identity == projectIdentity) {
            result.problems.push_back(Problem{
                Index, path,
                vb::VbError(vb::ErrPathFileAccess, vb::DisplayPath(path) + ": the project lists its own project file")});
            continue;
        }
        const auto pending = pendingByFile.find(identity);
        bool loaded = false;
        if (pending != pendingByFile.end()) {
            // A file named again starts from what the earlier object's write
            // will leave in it.
            const std::string& earlier = writes[pending->second].bytes;
            loaded = attempt([&] { parser.CodeInput(vb::DecodeAnsi(earlier, vb::DisplayPath(path))); });
        } else {
            attempt([&] { vb::CheckWritable(path); });
            loaded = attempt([&] { parser.LoadCode(path); });
        }
        // An unwritable file is still transformed, so that its other problems are reported too.
        if (loaded) {
            attempt([&] {
                const Text BeginProc = templates.BeginTemplate();
                const Text EndProc = templates.EndTemplate();
                parser.AddErrorHandler(BeginProc, EndProc);
            });
        }
        if (failed) continue;
        if (pending == pendingByFile.end() && parser.CodeInput().find(u'\0') != Text::npos) {
            result.filesWithNul.push_back(path);
        }

        std::string bytes = vb::EncodeAnsi(parser.CodeOutput() + parser.OutputLineBreak());
        if (pending != pendingByFile.end()) {
            writes[pending->second].bytes = std::move(bytes);
        } else {
            pendingByFile.emplace(identity, writes.size());
            writes.push_back(PendingWrite{Index, path, std::move(bytes)});
        }
        ++result.filesProcessed;
        result.procedures += parser.ProcedureCount();
    }

    if (result.problems.empty()) WritePending(writes, options, result, observer);
    return result;
}

}  // namespace addrun
