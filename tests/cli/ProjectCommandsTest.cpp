// `trapwright list`, `tree` and `add`, end to end through the built binary:
// output, exit codes and the files on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

const std::string kCompletion =
    "Error handler is added! Remember to append the file 'modDebugErr.bas' if you want it to work correctly.\n";

const fs::path kExamples = TRAPWRIGHT_EXAMPLES;

// The example project's sources, relative to its folder.
const std::vector<std::string> kExampleSources = {"frmMain.frm", "modMain.bas", "Shared/modText.bas",
                                                  "clsCustomer.cls", "ctlGauge.ctl"};

// A copy of the example project without its expected results.
void CopyExamples(const fs::path& target) {
    fs::copy(kExamples, target, fs::copy_options::recursive);
    fs::remove_all(target / "expected");
}

}  // namespace

TEST(ListCommand, ExampleProject) {
    const std::string vbp = (kExamples / "Demo.vbp").string();
    const std::string d = kExamples.string() + "/";
    const CommandResult result = RunCli({"list", vbp});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "object\tForm\tfrmMain.frm\t" + d + "frmMain.frm\n"
              "object\tModule\tmodMain\t" + d + "modMain.bas\n"
              "object\tModule\tmodText\t" + d + "Shared/modText.bas\n"
              "object\tClass\tclsCustomer\t" + d + "clsCustomer.cls\n"
              "object\tUserControl\tctlGauge.ctl\t" + d + "ctlGauge.ctl\n"
              "variable\tType\tExe\n"
              "variable\tReference\t*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\..\\Windows\\System32\\stdole2.tlb#OLE Automation\n"
              "variable\tStartup\tfrmMain\n"
              "variable\tHelpFile\t\n"
              "variable\tTitle\tD\xC3\xA9mo\n"
              "variable\tExeName32\tDemo.exe\n"
              "variable\tCommand32\t\n"
              "variable\tName\tDemo\n"
              "variable\tHelpContextID\t0\n"
              "variable\tCompatibleMode\t0\n"
              "variable\tMajorVer\t1\n"
              "variable\tMinorVer\t0\n"
              "variable\tRevisionVer\t0\n"
              "variable\tAutoIncrementVer\t0\n"
              "variable\tServerSupportFiles\t0\n"
              "variable\tVersionCompanyName\tTrapwright\n"
              "variable\tCompilationType\t0\n"
              "variable\tOptimizationType\t0\n"
              "variable\tFavorPentiumPro(tm)\t0\n"
              "variable\tCodeViewDebugInfo\t0\n"
              "variable\tNoAliasing\t0\n"
              "variable\tBoundsCheck\t0\n"
              "variable\tOverflowCheck\t0\n"
              "variable\tFlPointCheck\t0\n"
              "variable\tFDIVCheck\t0\n"
              "variable\tUnroundedFP\t0\n"
              "variable\tStartMode\t0\n"
              "variable\tUnattended\t0\n"
              "variable\tRetained\t0\n"
              "variable\tThreadPerObject\t0\n"
              "variable\tMaxNumberOfThreads\t1\n"
              "variable\tAutoRefresh\t1\n");
}

TEST(TreeCommand, ExampleProject) {
    const CommandResult result = RunCli({"tree", (kExamples / "Demo.vbp").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "Demo\n"
              "  Forms\n"
              "    frmMain.frm\n"
              "  Class Modules\n"
              "    clsCustomer\n"
              "  Modules\n"
              "    modMain\n"
              "    modText\n"
              "  User Controls\n"
              "    ctlGauge.ctl\n");
}

TEST(ListAndTree, ProjectsOfTheirOwn) {
    struct Row {
        const char* name;
        std::string vbp;  // bytes of the project file
        std::vector<std::string> options;
        std::string list;  // with "<D>" for the project folder
        std::string tree;
    };
    const std::vector<Row> rows = {
        {"no objects, no name", CrLfLines({"Type=Exe", ""}), {}, "variable\tType\tExe\n", "\n"},
        {"empty file", "", {}, "", "\n"},
        {"LF line ends", "Name=\"N\"\nForm=a.frm\n", {}, "object\tForm\ta.frm\t<D>a.frm\nvariable\tName\tN\n",
         "N\n  Forms\n    a.frm\n"},
        {"CR LF in the majority: a lone LF stays in its line", "Name=\"N\"\r\nForm=a.frm\nForm=b.frm\r\n", {},
         "object\tForm\ta.frm\nForm\t<D>a.frm\nForm\nvariable\tName\tN\n", "N\n  Forms\n    a.frm\nForm\n"},
        {"Japanese names in code page 932",
         "Name=\"\x93\xFA\x96\x7B\"\r\nForm=\x93\xFA\x96\x7B.frm\r\n",
         {"--codepage", "932"},
         "object\tForm\t\xE6\x97\xA5\xE6\x9C\xAC.frm\t<D>\xE6\x97\xA5\xE6\x9C\xAC.frm\nvariable\tName\t\xE6\x97\xA5\xE6\x9C\xAC\n",
         "\xE6\x97\xA5\xE6\x9C\xAC\n  Forms\n    \xE6\x97\xA5\xE6\x9C\xAC.frm\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        WriteBytes(dir / "P.vbp", row.vbp);
        std::string list = row.list;
        for (size_t at; (at = list.find("<D>")) != std::string::npos;) list.replace(at, 3, dir.path().string() + "/");

        std::vector<std::string> arguments = {"list", (dir / "P.vbp").string()};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        CommandResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, list);

        arguments[0] = "tree";
        result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, row.tree);
    }
}

TEST(ProjectCommands, MissingProjectFileIsAnError) {
    ScratchDir dir;
    WriteBytes(dir / ".hidden.vbp", "Form=a.frm\r\n");
    for (const std::string& name : {std::string("Missing.vbp"), std::string(".hidden.vbp")}) {
        for (const char* command : {"list", "tree", "add"}) {
            SCOPED_TRACE(std::string(command) + " " + name);
            const std::string path = (dir / name).string();
            const CommandResult result = RunCli({command, path});
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err, "trapwright: error 53: no such project file (" + path + ")\n");
        }
    }
}

TEST(ProjectCommands, UsageErrors) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", "Form=a.frm\r\n");
    const std::string vbp = (dir / "P.vbp").string();
    const std::vector<std::vector<std::string>> rows = {
        {"list"},
        {"tree"},
        {"add"},
        {"list", vbp, "extra"},
        {"tree", vbp, "--codepage", "0"},
        {"add", vbp, "--codepage", "999999"},
        {"add", vbp, "--unknown"},
    };
    for (const auto& row : rows) {
        std::string name;
        for (const std::string& argument : row) name += argument + " ";
        SCOPED_TRACE(name);
        const CommandResult result = RunCli(row);
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_EQ(result.out.find("Error handler is added!"), std::string::npos);
    }
}

TEST(AddCommand, ExampleProjectMatchesTheExpectedFiles) {
    ScratchDir dir;
    CopyExamples(dir / "Demo");
    const CommandResult result = RunCli({"add", (dir / "Demo" / "Demo.vbp").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kCompletion);
    const std::string d = (dir / "Demo").string() + "/";
    // The Property Let that rejects a value with Err.Raise keeps its error for its caller.
    EXPECT_NE(result.err.find(d + "ctlGauge.ctl:34: Let Value raises errors for its caller (line 35); a block would "
                                  "catch them; left as it is\nfiles processed: 5; procedures given a handler: 23; "
                                  "procedures left as they are: 1; files skipped: 0\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("[1/5] " + d + "frmMain.frm\n[2/5] " + d + "modMain.bas\n[3/5] " + d +
                              "Shared/modText.bas\n[4/5] " + d + "clsCustomer.cls\n[5/5] " + d + "ctlGauge.ctl\n"),
              0u)
        << result.err;
    for (const std::string& source : kExampleSources) {
        SCOPED_TRACE(source);
        EXPECT_EQ(ReadBytes(dir / "Demo" / source), ReadBytes(kExamples / "expected" / source));
    }
    EXPECT_EQ(ReadBytes(dir / "Demo" / "Demo.vbp"), ReadBytes(kExamples / "Demo.vbp"));
    EXPECT_EQ(Snapshot(dir / "Demo").size(), kExampleSources.size() + 1) << "no file added or left behind";
}

TEST(AddCommand, CaseMismatchesAndParentFolders) {
    // A project written on Windows: other letter case than on disk, "..\"
    // steps and backslashes.
    ScratchDir dir;
    fs::create_directories(dir / "app");
    fs::create_directories(dir / "common");
    WriteBytes(dir / "app" / "App.vbp",
               CrLfLines({"Type=Exe", "Form=FRMMAIN.FRM", "Module=Util; ..\\Common\\UTIL.bas", "Name=\"App\""}));
    WriteBytes(dir / "app" / "frmMain.frm", "Private Sub Form_Load()\r\nEnd Sub\r\n");
    WriteBytes(dir / "common" / "Util.bas", "Public Function Twice(ByVal n As Long) As Long\r\nEnd Function\r\n");

    const CommandResult result = RunCli({"add", (dir / "app" / "App.vbp").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kCompletion);
    const std::string block = "' *** START ERROR HANDLER ***\r\nOn Error GoTo errHandler\r\nIf Err.Number <> 0 Then\r\n";
    EXPECT_EQ(ReadBytes(dir / "app" / "frmMain.frm"),
              "Private Sub Form_Load()\r\n\r\n" + block +
                  "errHandler: ErrorIn \"Form_Load()\", Array(), EA_NORERAISE: HandleError: Exit Sub \r\n"
                  "End If\r\n' *** BEGIN CODE ***\r\nEnd Sub\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir / "common" / "Util.bas"),
              "Public Function Twice(ByVal n As Long) As Long\r\n\r\n" + block +
                  "errHandler: ErrorIn \"Twice(n)\", Array(n), EA_NORERAISE: HandleError: Exit Function \r\n"
                  "End If\r\n' *** BEGIN CODE ***\r\nEnd Function\r\n\r\n");
    EXPECT_FALSE(fs::exists(dir / "app" / "FRMMAIN.FRM"));
    EXPECT_FALSE(fs::exists(dir / "Common"));
}

TEST(AddCommand, MissingSourceIsSkippedAndNamed) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=A; a.bas", "Form=Gone.frm", "Module=B; b.bas"}));
    WriteBytes(dir / "a.bas", "Sub A()\r\nEnd Sub\r\n");
    WriteBytes(dir / "b.bas", "' nothing\r\n");
    const CommandResult result = RunCli({"add", (dir / "P.vbp").string(), "--begin", (dir / "b.bas").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "") << "a template that calls nothing needs no reminder";
    EXPECT_NE(result.err.find("trapwright: skipped, no such file: " + (dir / "Gone.frm").string() + "\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("files processed: 2; procedures given a handler: 1; files skipped: 1\n"),
              std::string::npos)
        << result.err;
    EXPECT_FALSE(fs::exists(dir / "Gone.frm"));
    EXPECT_EQ(ReadBytes(dir / "a.bas"), "Sub A()\r\n\r\n' nothing\r\nEnd Sub\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir / "b.bas"), "' nothing\r\n");
}

TEST(AddCommand, ProblemsAreAllReportedAndNothingIsWritten) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=A; a.bas", "Module=B; b.bas", "Module=C; c.bas"}));
    WriteBytes(dir / "a.bas", "Sub A()\r\n");
    WriteBytes(dir / "b.bas", "Sub B()\r\n");
    WriteBytes(dir / "c.bas", "Sub C()\r\n");
    fs::permissions(dir / "a.bas", fs::perms::owner_read);
    fs::permissions(dir / "c.bas", fs::perms::owner_read);
    const auto before = Snapshot(dir.path());

    const CommandResult result = RunCli({"add", (dir / "P.vbp").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    const std::string d = dir.path().string() + "/";
    EXPECT_NE(result.err.find("trapwright: error 70: Permission denied (" + d + "a.bas)\n"
                              "trapwright: error 70: Permission denied (" + d + "c.bas)\n"
                              "trapwright: nothing was written\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(AddCommand, BytesUndefinedInTheCodePageAreWrittenBackUnchanged) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=A; a.bas", "Module=B; b.bas"}));
    // The same module twice, the second with a lone lead byte and an
    // undefined pair in its comment.
    WriteBytes(dir / "a.bas", "Sub B()\r\n' x\r\nEnd Sub\r\n");
    WriteBytes(dir / "b.bas", "Sub B()\r\n' \x81\x20\x85\x41\r\nEnd Sub\r\n");
    const CommandResult result = RunCli({"add", (dir / "P.vbp").string(), "--codepage", "932"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kCompletion);
    std::string expected = ReadBytes(dir / "a.bas");
    const size_t comment = expected.find("' x\r\n");
    ASSERT_NE(comment, std::string::npos) << expected;
    EXPECT_GT(comment, 9u) << "a handler was inserted";
    expected.replace(comment, 3, "' \x81\x20\x85\x41");
    EXPECT_EQ(ReadBytes(dir / "b.bas"), expected);
}

TEST(AddCommand, EmptyProjectTouchesNothing) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Type=Exe", "Name=\"Empty\"", ""}));
    WriteBytes(dir / "Stray.bas", "Sub S()\r\n");
    const auto before = Snapshot(dir.path());
    const CommandResult result = RunCli({"add", (dir / "P.vbp").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "") << "no block calls anything";
    EXPECT_NE(result.err.find("files processed: 0; procedures given a handler: 0; files skipped: 0\n"),
              std::string::npos);
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(AddCommand, MissingTemplateFileStopsBeforeAnyWork) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", "Module=A; a.bas\r\n");
    WriteBytes(dir / "a.bas", "Sub A()\r\n");
    const CommandResult result = RunCli({"add", (dir / "P.vbp").string(), "--end", (dir / "none.tpl").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "trapwright: error 53: File not found (" + (dir / "none.tpl").string() + ")\n");
    EXPECT_EQ(ReadBytes(dir / "a.bas"), "Sub A()\r\n");
}
