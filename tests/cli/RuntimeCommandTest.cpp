// `trapwright runtime`, `add --with-runtime`, `remove --with-runtime` and the
// warning of names the blocks use that no file declares, end to end.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

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

const fs::path kExamples = TRAPWRIGHT_EXAMPLES;
const std::string kModule = ReadBytes(kExamples / "expected" / "modDebugErr.bas");
const std::string kLine = "Module=modDebugErr; modDebugErr.bas";
const std::string kWarning =
    "the blocks use ErrorIn, HandleError and EA_NORERAISE, which no source file declares; add --with-runtime "
    "writes a module that does\n";
const std::string kCompletion =
    "Error handler is added! Remember to append the file 'modDebugErr.bas' if you want it to work correctly.\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void WriteProject(const fs::path& vbp, const std::vector<std::string>& modules) {
    std::vector<std::string> lines = {"Type=Exe"};
    for (const std::string& module : modules) {
        lines.push_back("Module=" + module + "; " + module + ".bas");
        WriteBytes(vbp.parent_path() / (module + ".bas"),
                   CrLfLines({"Attribute VB_Name = \"" + module + "\"", "Public Sub " + module + "Work()", "End Sub", ""}));
    }
    lines.push_back("Name=\"" + vbp.stem().string() + "\"");
    WriteBytes(vbp, CrLfLines(lines) + "\r\n");
}

}  // namespace

TEST(RuntimeCommand, WritesTheModuleInEveryCodePage) {
    const CommandResult out = RunCli({"runtime"});
    EXPECT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(out.out, kModule);
    EXPECT_EQ(kModule.rfind("Attribute VB_Name = \"modDebugErr\"\r\n", 0), 0u);
    EXPECT_EQ(kModule.find("\n"), kModule.find("\r\n") + 1) << "CR LF line breaks";
    ScratchDir dir;
    const CommandResult file = RunCli({"runtime", "--output", (dir / "m.bas").string(), "--codepage", "932"});
    EXPECT_EQ(file.exitCode, 0) << file.err;
    EXPECT_EQ(file.out, "");
    EXPECT_EQ(ReadBytes(dir / "m.bas"), kModule);
}

TEST(RuntimeCommand, AddWithRuntimeGivesTheExampleThatBuilds) {
    ScratchDir dir;
    fs::copy(kExamples, dir / "Demo", fs::copy_options::recursive);
    fs::remove_all(dir / "Demo" / "expected");
    const std::string vbp = (dir / "Demo" / "Demo.vbp").string();
    const CommandResult add = RunCli({"add", vbp, "--with-runtime", "--backup"});
    EXPECT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(add.out, "") << "no reminder: every name is declared";
    EXPECT_FALSE(Has(add.err, "the blocks use"));
    for (const char* file : {"Demo.vbp", "modDebugErr.bas", "frmMain.frm", "modMain.bas", "Shared/modText.bas",
                             "clsCustomer.cls", "ctlGauge.ctl"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ReadBytes(dir / "Demo" / file), ReadBytes(kExamples / "expected" / file));
    }
    EXPECT_EQ(ReadBytes(dir / "Demo" / "Demo.vbp.bak"), ReadBytes(kExamples / "Demo.vbp"));
    EXPECT_FALSE(fs::exists(dir / "Demo" / "modDebugErr.bas.bak")) << "a new file has no backup";

    const auto before = Snapshot(dir / "Demo");
    const CommandResult again = RunCli({"add", vbp, "--with-runtime"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(Snapshot(dir / "Demo"), before) << "a second add changes nothing";
    const CommandResult check = RunCli({"check", vbp});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_FALSE(Has(check.err, "the blocks use")) << "the module is not checked and declares the names";
}

TEST(RuntimeCommand, WarnsOfUndeclaredNamesAndRemindsOnlyThen) {
    ScratchDir dir;
    WriteProject(dir / "App.vbp", {"modA"});
    const std::string vbp = (dir / "App.vbp").string();
    const CommandResult check = RunCli({"check", vbp});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_TRUE(Has(check.err, vbp + ": " + kWarning)) << check.err;
    const CommandResult sarif = RunCli({"check", vbp, "--format", "sarif"});
    const nlohmann::json log = nlohmann::json::parse(sarif.out);
    const nlohmann::json& last = log["runs"][0]["results"].back();
    EXPECT_EQ(last["ruleId"], "undeclared-names");
    EXPECT_EQ(last["level"], "warning");
    EXPECT_EQ(last["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], "App.vbp");

    const CommandResult add = RunCli({"add", vbp});
    EXPECT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(add.out, kCompletion);
    EXPECT_TRUE(Has(add.err, vbp + ": " + kWarning)) << add.err;

    // A module of the project that declares the names (left alone by the
    // policy, and one name on a line of its own) silences the warning.
    WriteBytes(dir / "modErrors.bas", CrLfLines({"Attribute VB_Name = \"modErrors\"", "Public Const EA_NORERAISE = 0",
                                                 "Public Sub ErrorIn(ByVal s As String, ByVal v As Variant, Optional ByVal f As Long)",
                                                 "End Sub", "Public Sub HandleError()", "End Sub", ""}));
    WriteBytes(dir / "App.vbp", ReadBytes(dir / "App.vbp") + "Module=modErrors; modErrors.bas\r\n");
    WriteBytes(dir / "trapwright.toml", "[exclude]\nfiles = [\"modErrors.bas\"]\n");
    const CommandResult declared = RunCli({"add", vbp, "--skip-handled"});
    EXPECT_EQ(declared.exitCode, 0) << declared.err;
    EXPECT_EQ(declared.out, "");
    EXPECT_FALSE(Has(declared.err, "the blocks use")) << declared.err;
}

TEST(RuntimeCommand, AnUnlistedModuleStopsTheRun) {
    ScratchDir dir;
    WriteProject(dir / "App.vbp", {"modA"});
    WriteBytes(dir / "modDebugErr.bas", "Attribute VB_Name = \"modDebugErr\"\r\n");
    const auto before = Snapshot(dir.path());
    const CommandResult add = RunCli({"add", (dir / "App.vbp").string(), "--with-runtime"});
    EXPECT_EQ(add.exitCode, 2);
    EXPECT_EQ(add.err, "trapwright: error: " + (dir / "modDebugErr.bas").string() + " stands in the folder of " +
                           (dir / "App.vbp").string() + ", which does not list it; list it in the project (" + kLine +
                           ") or move it away; nothing was written\n");
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(RuntimeCommand, AGroupGetsTheModuleOncePerFolderAndRemoveTakesItAllOut) {
    ScratchDir dir;
    WriteProject(dir / "One.vbp", {"modOne"});
    WriteProject(dir / "Two.vbp", {"modTwo"});
    WriteProject(dir / "sub" / "Three.vbp", {"modThree"});
    WriteBytes(dir / "All.vbg", CrLfLines({"VBGROUP 5.0", "StartupProject=One.vbp", "Project=Two.vbp",
                                           "Project=sub\\Three.vbp", ""}));
    const auto original = Snapshot(dir.path());
    const std::string vbg = (dir / "All.vbg").string();

    const CommandResult preview = RunCli({"add", vbg, "--with-runtime", "--skip-handled", "--dry-run", "--diff"});
    EXPECT_EQ(preview.exitCode, 0) << preview.err;
    EXPECT_TRUE(Has(preview.out, "--- /dev/null\n+++ b/modDebugErr.bas\n@@ -0,0 +1,")) << preview.out;
    EXPECT_TRUE(Has(preview.out, "--- /dev/null\n+++ b/sub/modDebugErr.bas\n"));
    EXPECT_TRUE(Has(preview.out, "--- a/Two.vbp\n+++ b/Two.vbp\n@@ -1,3 +1,4 @@\n Type=Exe\r\n Module=modTwo; modTwo.bas\r\n+" +
                                     kLine + "\r\n"))
        << preview.out;
    EXPECT_EQ(Snapshot(dir.path()), original) << "a dry run writes nothing";

    const CommandResult add = RunCli({"add", vbg, "--with-runtime", "--skip-handled"});
    EXPECT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(ReadBytes(dir / "modDebugErr.bas"), kModule);
    EXPECT_EQ(ReadBytes(dir / "sub" / "modDebugErr.bas"), kModule);
    for (const char* vbp : {"One.vbp", "Two.vbp", "sub/Three.vbp"}) {
        SCOPED_TRACE(vbp);
        std::string expected = original.at(vbp);
        expected.insert(expected.find("Name="), kLine + "\r\n");
        EXPECT_EQ(ReadBytes(dir / vbp), expected);
    }
    EXPECT_EQ(Snapshot(dir.path()).size(), original.size() + 2);

    const CommandResult remove = RunCli({"remove", vbg, "--with-runtime"});
    EXPECT_EQ(remove.exitCode, 0) << remove.err;
    EXPECT_EQ(Snapshot(dir.path()), original) << "every file back byte for byte";
}

TEST(RuntimeCommand, RemoveLeavesAModuleThatIsNotOurs) {
    ScratchDir dir;
    WriteProject(dir / "App.vbp", {"modA"});
    const std::string vbp = (dir / "App.vbp").string();
    ASSERT_EQ(RunCli({"add", vbp, "--with-runtime"}).exitCode, 0);
    WriteBytes(dir / "modDebugErr.bas", kModule + "' ours now\r\n");
    const auto before = Snapshot(dir.path());
    const CommandResult remove = RunCli({"remove", vbp, "--with-runtime"});
    EXPECT_EQ(remove.exitCode, 1);
    EXPECT_TRUE(Has(remove.err, (dir / "modDebugErr.bas").string() +
                                    ": it differs from the module trapwright runtime writes; left as it is\n"))
        << remove.err;
    EXPECT_EQ(ReadBytes(dir / "modDebugErr.bas"), before.at("modDebugErr.bas"));
    EXPECT_EQ(ReadBytes(dir / "App.vbp"), before.at("App.vbp"));
}

TEST(RuntimeCommand, ThePolicyAsksForTheModuleThatNoRunGivesABlock) {
    ScratchDir dir;
    WriteProject(dir / "App.vbp", {"modA"});
    WriteBytes(dir / "trapwright.toml", "runtime = true\n");
    const std::string vbp = (dir / "App.vbp").string();
    const CommandResult add = RunCli({"add", vbp});
    EXPECT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(ReadBytes(dir / "modDebugErr.bas"), kModule);
    EXPECT_TRUE(Has(ReadBytes(dir / "App.vbp"), kLine));
    // Whatever the templates: add, check and remove leave the module alone.
    WriteBytes(dir / "begin.txt", "On Error Resume Next ' [ProcName]\r\n");
    const CommandResult other = RunCli({"add", vbp, "--begin", (dir / "begin.txt").string()});
    EXPECT_EQ(other.exitCode, 0) << other.err;
    EXPECT_EQ(ReadBytes(dir / "modDebugErr.bas"), kModule);
    EXPECT_TRUE(Has(other.err, "files processed: 1;")) << other.err;
    const CommandResult named = RunCli({"check", (dir / "modDebugErr.bas").string()});
    EXPECT_EQ(named.exitCode, 0) << named.out;

    WriteBytes(dir / "trapwright.toml", "runtime = 1\n");
    const CommandResult faulty = RunCli({"add", vbp});
    EXPECT_EQ(faulty.exitCode, 2);
    EXPECT_EQ(faulty.err, (dir / "trapwright.toml").string() + ":1: error: 'runtime' must be true or false\n");
}
