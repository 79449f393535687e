// Runs that write nothing need read access only: dry runs (with or without
// their diff) and check work in a folder the user may only read, while a
// real run still refuses before it writes the first file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

using testing_support::CommandResult;
using testing_support::CrLfLines;
using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::Snapshot;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

// The built command line run as the user nobody (the shell that catches its
// output is root's).
CommandResult RunAsNobody(const std::vector<std::string>& arguments) {
    return testing_support::RunCliAs("setpriv --reuid=65534 --regid=65534 --clear-groups ", arguments);
}

}  // namespace

TEST(ReadOnlyRuns, DryRunsAndCheckNeedOnlyReadAccess) {
    if (geteuid() != 0) GTEST_SKIP() << "needs the superuser, to run the command as a user who may not write";
    ScratchDir dir;
    const fs::path folder = dir / "readonly";
    WriteBytes(folder / "P.vbp", CrLfLines({"Module=A; a.bas", "Class=C; c.cls", ""}));
    WriteBytes(folder / "a.bas", CrLfLines({"Public Sub A(x)", "  x = 1", "End Sub", ""}));
    WriteBytes(folder / "c.cls", CrLfLines({"Private Function F() As Long", "End Function", ""}));
    for (const char* name : {"P.vbp", "a.bas", "c.cls"}) {
        fs::permissions(folder / name, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const auto before = Snapshot(folder);
    const std::string vbp = (folder / "P.vbp").string();
    const std::string module = (folder / "a.bas").string();

    const struct Row {
        std::vector<std::string> arguments;
        int exitCode;
        std::string inOut;  // a piece of what stdout shows
    } rows[] = {
        {{"add", vbp, "--dry-run", "--diff"}, 0, "+++ b/a.bas\n"},
        {{"number", vbp, "--dry-run"}, 0, ""},
        {{"transform", module, "--dry-run", "--diff"}, 0, "+++ b/a.bas\n"},
        {{"check", vbp}, 1, "a.bas:1: A has no error handler\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments[0] + " " + row.arguments.back());
        const CommandResult result = RunAsNobody(row.arguments);
        EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
        EXPECT_NE(result.out.find(row.inOut), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find("trapwright: error"), std::string::npos) << result.err;
    }

    // A real run finds every file it cannot write before it writes any.
    const CommandResult added = RunAsNobody({"add", vbp});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_NE(added.err.find("trapwright: error 70: Permission denied (" + module + ")\n"), std::string::npos)
        << added.err;
    EXPECT_NE(added.err.find("trapwright: error 70: Permission denied (" + (folder / "c.cls").string() + ")\n"),
              std::string::npos)
        << added.err;
    EXPECT_EQ(Snapshot(folder), before);
}
