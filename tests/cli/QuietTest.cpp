// --quiet on every command, end to end: nothing on a clean run; otherwise
// only the findings, warnings and errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

using testing_support::CommandResult;
using testing_support::CrLfLines;
using testing_support::ReadBytes;
using testing_support::RunCli;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

struct Row {
    const char* name;
    std::vector<std::string> arguments;  // --quiet is added at the end
    int exitCode;
    std::string out;
    std::string err;
    bool outIsPrefix = false;  // `out` is how stdout starts (a diff)
};

}  // namespace

// The rows run in order on one project, each on what the one before left.
TEST(Quiet, EveryCommandPrintsOnlyFindingsWarningsAndErrors) {
    ScratchDir dir;
    const std::string module = CrLfLines({"Sub A()", "End Sub", ""});
    WriteBytes(dir / "m.bas", module);
    // P lists the runtime module, so the blocks' names are declared; G does not.
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=M; m.bas", "Module=modDebugErr; modDebugErr.bas", "Name=\"P\"", ""}));
    ASSERT_EQ(RunCli({"runtime", "--output", (dir / "modDebugErr.bas").string()}).exitCode, 0);
    WriteBytes(dir / "G.vbp", CrLfLines({"Module=M; m.bas", "Module=Gone; gone.bas", ""}));
    const std::string vbp = (dir / "P.vbp").string();
    const std::string path = (dir / "m.bas").string();
    const std::string folder = dir.path().string() + "/";

    const Row rows[] = {
        {"list", {"list", vbp}, 0,
         "object\tModule\tM\t" + folder + "m.bas\nobject\tModule\tmodDebugErr\t" + folder +
             "modDebugErr.bas\nvariable\tName\tP\n",
         ""},
        {"tree", {"tree", vbp}, 0, "P\n  Modules\n    M\n    modDebugErr\n", ""},
        {"check finds a procedure without its block", {"check", vbp}, 1, path + ":1: A has no error handler\n", ""},
        {"a dry run's diff", {"add", vbp, "--dry-run", "--diff"}, 0, "--- a/m.bas\n+++ b/m.bas\n", "", true},
        {"add", {"add", vbp, "--skip-handled"}, 0, "", ""},
        {"check on a handled project", {"check", vbp}, 0, "", ""},
        {"check in SARIF", {"check", vbp, "--format", "sarif"}, 0, "{\n", "", true},
        {"add again, nothing to do", {"add", vbp, "--skip-handled"}, 0, "", ""},
        {"remove's dry run", {"remove", vbp, "--dry-run"}, 0, "", ""},
        {"remove", {"remove", path}, 0, "", ""},
        {"transform", {"transform", path, "--skip-handled"}, 0, "", ""},
        {"a missing file is still named", {"add", (dir / "G.vbp").string(), "--skip-handled"}, 0, "",
         "trapwright: skipped, no such file: " + folder + "gone.bas\n" + folder +
             "G.vbp: the blocks use ErrorIn, HandleError and EA_NORERAISE, which no source file declares; add "
             "--with-runtime writes a module that does\n"},
        {"an error is still reported", {"check", (dir / "none.bas").string()}, 2, "",
         "trapwright: error 53: File not found (" + folder + "none.bas)\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> arguments = row.arguments;
        arguments.push_back("--quiet");
        const CommandResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, row.exitCode);
        if (row.outIsPrefix) {
            EXPECT_EQ(result.out.substr(0, row.out.size()), row.out) << result.out;
        } else {
            EXPECT_EQ(result.out, row.out);
        }
        EXPECT_EQ(result.err, row.err);
    }
    EXPECT_NE(ReadBytes(dir / "m.bas"), module) << "transform --quiet wrote its block";
}

// A second plain add sums up the procedures whose blocks stand in one line,
// and names them one by one only with --verbose; other refusals are named
// unless --quiet.
TEST(Quiet, ProceduresWithTheirBlocksAreSummedUpAndNamedOnlyWithVerbose) {
    ScratchDir dir;
    WriteBytes(dir / "m.bas", CrLfLines({"Sub A()", "End Sub", "Sub B(ByVal Err As Long)", "End Sub", ""}));
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=M; m.bas", ""}));
    const std::string vbp = (dir / "P.vbp").string();
    const std::string path = (dir / "m.bas").string();
    ASSERT_EQ(RunCli({"add", vbp}).exitCode, 0);
    const std::string refusal = path + ":10: B has a parameter named Err; the block's Err would be it; left as it is\n";
    const std::string named = path + ":1: A already has its blocks; left as it is\n";

    CommandResult result = RunCli({"add", vbp});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("procedures given a handler: 0; procedures left as they are: 1; procedures that already "
                              "have their blocks: 1;"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find(refusal), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(named), std::string::npos) << result.err;

    result = RunCli({"add", vbp, "--verbose"});
    EXPECT_NE(result.err.find(named), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(refusal), std::string::npos) << result.err;

    result = RunCli({"add", vbp, "--quiet"});
    EXPECT_EQ(result.err.find(path), std::string::npos) << result.err;
}
