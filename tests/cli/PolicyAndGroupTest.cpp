// A team policy kept in the repository and project groups, end to end:
// the blocks a policy gives, what check and remove make of it, the opt-out
// comment, the module placeholders, and groups that share modules.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "TestSupport.h"

using testing_support::CommandResult;
using testing_support::CrLfLines;
using testing_support::ReadBytes;
using testing_support::RunCli;
using testing_support::ScratchDir;
using testing_support::Snapshot;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

const char kPolicy[] = R"(begin = "On Error Resume Next ' [ModuleName].[ProcName]\n"
[kinds."Function"]
begin = "On Error Resume Next ' F: [ProcName] in [FileName] of [ProjectName]\n"
[objects.Class.kinds."Property Get"]
begin = "' getter [ProcName]\n"
[exclude]
procedures = ["Class_Initialize", "*_Click"]
files = ["Generated/*.bas"]
)";

// A repository holding a policy and a project of a module, a class and a
// generated module.
void WriteRepository(const fs::path& root) {
    fs::create_directories(root / ".git");
    WriteBytes(root / "trapwright.toml", kPolicy);
    WriteBytes(root / "App" / "App.vbp",
               CrLfLines({"Type=Exe", "Module=modMain; modMain.bas", "Class=clsThing; clsThing.cls",
                          "Module=modGen; Generated\\modGen.bas", "Name=\"Demo\""}));
    WriteBytes(root / "App" / "modMain.bas",
               CrLfLines({"Public Sub Main()", "End Sub", "Private Sub cmdGo_Click()", "End Sub",
                          "' trapwright: skip", "Public Sub Quiet()", "End Sub", "Function Twice(n)", "End Function",
                          ""}));
    WriteBytes(root / "App" / "clsThing.cls",
               CrLfLines({"Attribute VB_Name = \"clsThing\"", "Private Sub Class_Initialize()", "End Sub",
                          "Public Property Get Size() As Long", "End Property", ""}));
    WriteBytes(root / "App" / "Generated" / "modGen.bas", CrLfLines({"Sub Generated()", "End Sub", ""}));
}

}  // namespace

TEST(TeamPolicy, GivesTheBlocksItNamesAndCheckAndRemoveHonourIt) {
    ScratchDir dir;
    WriteRepository(dir.path());
    const auto original = Snapshot(dir.path());
    const std::string vbp = (dir / "App" / "App.vbp").string();

    CommandResult result = RunCli({"check", vbp});
    EXPECT_EQ(result.exitCode, 1);
    const std::string main = (dir / "App" / "modMain.bas").string();
    const std::string thing = (dir / "App" / "clsThing.cls").string();
    EXPECT_EQ(result.out, main + ":1: Main has no error handler\n" + main + ":8: Twice has no error handler\n" + thing +
                              ":4: Get Size has no error handler\n");

    result = RunCli({"add", vbp, "--skip-handled"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // No VB_Name in modMain: [ModuleName] is the object's name.
    EXPECT_EQ(ReadBytes(dir / "App" / "modMain.bas"),
              CrLfLines({"Public Sub Main()", "", "On Error Resume Next ' modMain.Main", "End Sub",
                         "Private Sub cmdGo_Click()", "End Sub", "' trapwright: skip", "Public Sub Quiet()", "End Sub",
                         "Function Twice(n)", "", "On Error Resume Next ' F: Twice in modMain.bas of Demo",
                         "End Function", ""}));
    EXPECT_EQ(ReadBytes(dir / "App" / "clsThing.cls"),
              CrLfLines({"Attribute VB_Name = \"clsThing\"", "Private Sub Class_Initialize()", "End Sub",
                         "Public Property Get Size() As Long", "", "' getter Get Size", "End Property", ""}));
    EXPECT_EQ(ReadBytes(dir / "App" / "Generated" / "modGen.bas"), original.at("App/Generated/modGen.bas"));

    result = RunCli({"check", vbp});
    EXPECT_EQ(result.exitCode, 0) << result.out;
    result = RunCli({"remove", vbp});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Snapshot(dir.path()), original);
}

TEST(TeamPolicy, ChosenIgnoredOrRefused) {
    ScratchDir dir;
    WriteRepository(dir.path());
    const std::string vbp = (dir / "App" / "App.vbp").string();
    WriteBytes(dir / "other.toml", "begin = \"' other [ProcName]\\n\"\n");
    const auto original = Snapshot(dir.path());

    // --no-policy: the built-in template for every procedure, none excluded.
    CommandResult result = RunCli({"check", vbp, "--no-policy"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find("Class_Initialize has no error handler"), std::string::npos) << result.out;
    // --policy FILE instead of the one found, and --begin over its default.
    result = RunCli({"add", vbp, "--policy", (dir / "other.toml").string(), "--dry-run", "--diff"});
    EXPECT_NE(result.out.find("+' other Main\r\n"), std::string::npos) << result.out;
    WriteBytes(dir / "begin.txt", "' given [ProcName]\n");
    result = RunCli({"add", vbp, "--begin", (dir / "begin.txt").string(), "--dry-run", "--diff"});
    EXPECT_NE(result.out.find("+' given Main\r\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("+On Error Resume Next ' F: Twice"), std::string::npos) << "per-kind templates stay";
    EXPECT_EQ(RunCli({"add", vbp, "--policy", "x.toml", "--no-policy"}).exitCode, 2);

    WriteBytes(dir / "trapwright.toml", std::string(kPolicy) + "[objects.Class]\nbeginn = \"x\"\n");
    result = RunCli({"add", vbp});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, (dir / "trapwright.toml").string() + ":10: error: unknown key 'objects.Class.beginn'\n");
    fs::remove(dir / "begin.txt");
    WriteBytes(dir / "trapwright.toml", kPolicy);
    EXPECT_EQ(Snapshot(dir.path()), original) << "nothing was written";
}

TEST(ProjectGroups, SharedModulesAreProcessedOnceUnderTheirFirstProject) {
    ScratchDir dir;
    WriteBytes(dir / "All.vbg",
               CrLfLines({"VBGROUP 5.0", "StartupProject=App\\App.vbp", "Project=Lib\\Lib.vbp", "Project=Gone.vbp"}));
    WriteBytes(dir / "App" / "App.vbp",
               CrLfLines({"Module=modA; modA.bas", "Module=modShared; ..\\Shared\\modShared.bas", "Name=\"App\""}));
    WriteBytes(dir / "Lib" / "Lib.vbp",
               CrLfLines({"Module=modShared; ..\\SHARED\\modShared.bas", "Module=modL; modL.bas", "Name=\"Lib\""}));
    WriteBytes(dir / "App" / "modA.bas", "Sub A()\r\nEnd Sub\r\n");
    WriteBytes(dir / "Lib" / "modL.bas", "Sub L()\r\nEnd Sub\r\n");
    WriteBytes(dir / "Shared" / "modShared.bas", "Sub S()\r\nEnd Sub\r\n");
    WriteBytes(dir / "begin.txt", "' [ProcName] of [ProjectName]\r\n");
    const std::string vbg = (dir / "All.vbg").string();
    const std::string begin = (dir / "begin.txt").string();
    const auto original = Snapshot(dir.path());

    CommandResult result = RunCli({"add", vbg, "--begin", begin});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("trapwright: skipped, no such project: " + (dir / "Gone.vbp").string() + "\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("files processed: 3; procedures given a handler: 3"), std::string::npos) << result.err;
    EXPECT_EQ(ReadBytes(dir / "Shared" / "modShared.bas"), "Sub S()\r\n\r\n' S of App\r\nEnd Sub\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir / "Lib" / "modL.bas"), "Sub L()\r\n\r\n' L of Lib\r\nEnd Sub\r\n\r\n");
    EXPECT_EQ(RunCli({"check", vbg, "--begin", begin}).exitCode, 0);
    ASSERT_EQ(RunCli({"remove", vbg, "--begin", begin}).exitCode, 0);
    for (const auto& [name, bytes] : original) {
        SCOPED_TRACE(name);
        const bool source = name.size() > 4 && name.compare(name.size() - 4, 4, ".bas") == 0;
        EXPECT_EQ(ReadBytes(dir / name), source ? bytes + "\r\n" : bytes);
    }

    result = RunCli({"tree", vbg});
    EXPECT_EQ(result.out, "App\n  Modules\n    modA\n    modShared\nLib\n  Modules\n    modShared\n    modL\n");
}
