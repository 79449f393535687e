// check cannot pass on nothing: a project or group from which no source
// can be read stops it with exit 2 and says what was read. (A listed file
// that is missing is a finding: TeamWorkflowTest, SarifReportTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "TestSupport.h"

using testing_support::CommandResult;
using testing_support::CrLfLines;
using testing_support::RunCli;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

TEST(CheckInputs, AProjectOrGroupThatGivesNoFileToReadIsAnError) {
    ScratchDir dir;
    const std::string d = dir.path().string() + "/";
    WriteBytes(dir / "empty.vbp", "");
    WriteBytes(dir / "random.vbp", std::string("\x8F\x00\xC3(=\x17\xFF\r\n\x01", 10));
    WriteBytes(dir / "renamed.vbp", CrLfLines({"Attribute VB_Name = \"modA\"", "Public Sub A()", "End Sub", ""}));
    WriteBytes(dir / "gone.vbp", CrLfLines({"Module=modA; modA.bas", "Form=Forms\\frmMain.frm", ""}));
    WriteBytes(dir / "gone1.vbp", CrLfLines({"Type=Exe", "Class=C; C.cls", ""}));
    WriteBytes(dir / "none.vbg", CrLfLines({"VBGROUP 5.0", ""}));
    WriteBytes(dir / "lost.vbg", CrLfLines({"VBGROUP 5.0", "StartupProject=a\\A.vbp", "Project=b\\B.vbp", ""}));
    WriteBytes(dir / "hollow.vbg", CrLfLines({"VBGROUP 5.0", "StartupProject=empty.vbp", "Project=renamed.vbp", ""}));
    const struct Row {
        const char* file;
        std::string out;
        std::string error;
    } rows[] = {
        {"empty.vbp", "", d + "empty.vbp lists no source files (is it a project file?)"},
        {"random.vbp", "", d + "random.vbp lists no source files (is it a project file?)"},
        {"renamed.vbp", "", d + "renamed.vbp lists no source files (is it a project file?)"},
        {"gone.vbp",
         d + "gone.vbp:1: lists modA.bas, but there is no such file\n" + d +
             "gone.vbp:2: lists Forms/frmMain.frm, but there is no such file\n",
         "none of the 2 source files that " + d + "gone.vbp lists can be read"},
        {"gone1.vbp", d + "gone1.vbp:2: lists C.cls, but there is no such file\n",
         "the one source file that " + d + "gone1.vbp lists cannot be read"},
        {"none.vbg", "", d + "none.vbg names no projects (is it a project group file?)"},
        {"lost.vbg", "", "none of the 2 projects that " + d + "lost.vbg names exists"},
        {"hollow.vbg", "", "the projects of " + d + "hollow.vbg list no source files (are they project files?)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const CommandResult result = RunCli({"check", (dir / row.file).string()});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, row.out);
        const std::string line = "trapwright: error: " + row.error + "\n";
        EXPECT_EQ(result.err.substr(result.err.size() - std::min(result.err.size(), line.size())), line) << result.err;
    }
}
