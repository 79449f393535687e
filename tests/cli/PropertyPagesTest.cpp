// Property pages and user documents, end to end: every command that
// processes a project's sources processes them, with their policy object
// kinds; list leaves them among the settings and designers stay out.
#include <gtest/gtest.h>

#include <filesystem>
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

TEST(PropertyPages, EveryCommandProcessesThemAndDesignersStayOut) {
    ScratchDir dir;
    WriteBytes(dir / "P.vbp", CrLfLines({"Type=Control", "UserControl=Gauge.ctl", "PropertyPage=ppgGeneral.pag",
                                         "Designer=Env.Dsr", "UserDocument=Docs\\Viewer.dob", "Name=\"Lib\"", ""}));
    WriteBytes(dir / "trapwright.toml", "[objects.PropertyPage]\nbegin = \"On Error Resume Next\\n\"\n");
    WriteBytes(dir / "Gauge.ctl", CrLfLines({"Attribute VB_Name = \"Gauge\"", "Public Sub Refresh()", "End Sub", ""}));
    WriteBytes(dir / "ppgGeneral.pag",
               CrLfLines({"VERSION 5.00", "Begin VB.PropertyPage ppgGeneral", "   Caption = \"General\"", "End",
                          "Attribute VB_Name = \"ppgGeneral\"", "Private Sub PropertyPage_ApplyChanges()",
                          "  Changed = False", "End Sub", ""}));
    WriteBytes(dir / "Docs" / "Viewer.dob",
               CrLfLines({"VERSION 5.00", "Begin VB.UserDocument Viewer", "End", "Attribute VB_Name = \"Viewer\"",
                          "Public Sub Show()", "  x = 1", "End Sub", ""}));
    WriteBytes(dir / "Env.Dsr", CrLfLines({"Sub Designed()", "End Sub", ""}));
    const std::string vbp = (dir / "P.vbp").string();
    const std::string d = dir.path().string() + "/";
    const auto original = Snapshot(dir.path());

    CommandResult result = RunCli({"check", vbp});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.out, d + "Gauge.ctl:2: Refresh has no error handler\n" + d +
                              "ppgGeneral.pag:6: PropertyPage_ApplyChanges has no error handler\n" + d +
                              "Docs/Viewer.dob:5: Show has no error handler\n");

    result = RunCli({"add", vbp, "--skip-handled"});  // so that remove gives every byte back
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("files processed: 3; procedures given a handler: 3;"), std::string::npos) << result.err;
    EXPECT_NE(ReadBytes(dir / "ppgGeneral.pag").find("PropertyPage_ApplyChanges()\r\n\r\nOn Error Resume Next\r\n"),
              std::string::npos)
        << "the policy's PropertyPage template";
    EXPECT_NE(ReadBytes(dir / "Docs" / "Viewer.dob").find("Show()\r\n\r\n' *** START ERROR HANDLER ***\r\n"),
              std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "Env.Dsr"), original.at("Env.Dsr"));
    const auto added = Snapshot(dir.path());
    EXPECT_EQ(RunCli({"check", vbp}).exitCode, 0);

    ASSERT_EQ(RunCli({"number", vbp}).exitCode, 0);
    EXPECT_NE(ReadBytes(dir / "ppgGeneral.pag").find("\r\n10   Changed = False\r\n"), std::string::npos);
    ASSERT_EQ(RunCli({"unnumber", vbp}).exitCode, 0);
    EXPECT_EQ(Snapshot(dir.path()), added);

    ASSERT_EQ(RunCli({"remove", vbp}).exitCode, 0);
    EXPECT_EQ(Snapshot(dir.path()), original);

    // The listing keeps them among the settings, the tree leaves them out.
    EXPECT_EQ(RunCli({"list", vbp}).out.find("object\tPropertyPage"), std::string::npos);
    EXPECT_EQ(RunCli({"tree", vbp}).out.find("ppgGeneral"), std::string::npos);
}
