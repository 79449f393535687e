// Paths in diffs start where the diff applies: at the top of the git work
// tree that holds the project, else at the deepest folder that holds the
// project and every file written. A project that lists a shared module with
// "..\..\" and files with spaces and non-ASCII letters in their names gives
// a diff that git apply and patch -p1 apply there exactly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

using testing_support::CommandResult;
using testing_support::CrLfLines;
using testing_support::RunCli;
using testing_support::ScratchDir;
using testing_support::Snapshot;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

// A repository whose project in src/Apps/Billing lists a module of
// src/Shared and a form in a folder with a space, whose name has an "ü"
// (written in code page 1252 in the project file, in UTF-8 on the disk).
void WriteRepository(const fs::path& top, bool withGit) {
    const fs::path project = top / "src" / "Apps" / "Billing";
    WriteBytes(project / "Billing.vbp", CrLfLines({"Module=mError; ..\\..\\Shared\\mError.bas", "Module=modMain; modMain.bas",
                                                   "Form=Sub Folder\\Kunden \xFC" "bersicht.frm", "Name=\"Billing\"", ""}));
    WriteBytes(project / "modMain.bas", CrLfLines({"Sub Main()", "End Sub", ""}));
    WriteBytes(project / "Sub Folder" / "Kunden \xC3\xBC" "bersicht.frm",
               CrLfLines({"Private Sub Form_Load()", "End Sub", ""}));
    WriteBytes(top / "src" / "Shared" / "mError.bas", "Public Sub Report(ByVal n As Long)\nEnd Sub\n");
    if (withGit) fs::create_directory(top / ".git");
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

TEST(RepositoryPaths, DiffsApplyFromTheRepositoryOrTheCommonFolder) {
    const struct Row {
        const char* name;
        bool withGit;
        std::string root;        // where the diff applies, below the copy
        std::string sharedLabel;
        bool withRuntime;        // a new file, the runtime module, and its project line
    } rows[] = {
        {"in a git work tree: from its top", true, "", "a/src/Shared/mError.bas", false},
        {"outside one: from the deepest folder that holds every file", false, "src", "a/Shared/mError.bas", false},
        {"with the runtime module: a new file", true, "", "a/src/Shared/mError.bas", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        for (const char* copy : {"added", "applied", "patched"}) WriteRepository(dir / copy, row.withGit);
        const fs::path vbp = dir / "added" / "src" / "Apps" / "Billing" / "Billing.vbp";

        std::vector<std::string> add = {"add", vbp.string()};
        if (row.withRuntime) add.push_back("--with-runtime");
        std::vector<std::string> dryRun = add;
        dryRun.insert(dryRun.end(), {"--dry-run", "--diff"});
        const CommandResult preview = RunCli(dryRun);
        ASSERT_EQ(preview.exitCode, 0) << preview.err;
        const fs::path root = row.root.empty() ? dir / "added" : dir / "added" / row.root;
        EXPECT_NE(preview.err.find("diff paths start at " + root.string() + ";"), std::string::npos) << preview.err;
        EXPECT_NE(preview.out.find("--- " + row.sharedLabel + "\n"), std::string::npos) << preview.out;
        EXPECT_NE(preview.out.find("/Sub Folder/Kunden \\303\\274bersicht.frm\"\t\n"), std::string::npos)
            << preview.out;
        WriteBytes(dir / "diff", preview.out);

        if (row.withRuntime) {
            EXPECT_NE(preview.out.find("--- /dev/null\n+++ b/src/Apps/Billing/modDebugErr.bas\n"), std::string::npos)
                << preview.out;
        }
        ASSERT_EQ(RunCli(add).exitCode, 0);
        const std::string from = row.root.empty() ? "" : "/" + row.root;
        ASSERT_EQ(Shell("cd '" + (dir / "applied").string() + from + "' && git apply --whitespace=nowarn '" +
                        (dir / "diff").string() + "'"),
                  0);
        ASSERT_EQ(Shell("cd '" + (dir / "patched").string() + from + "' && patch -p1 -s <'" + (dir / "diff").string() +
                        "'"),
                  0);
        EXPECT_EQ(Snapshot(dir / "applied"), Snapshot(dir / "added"));
        EXPECT_EQ(Snapshot(dir / "patched"), Snapshot(dir / "added"));
    }
}
