// The commands a team runs around `add`, end to end: a dry run and its diff
// (applied with patch and git apply), add --skip-handled, remove and check,
// with their output and exit codes.
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

const fs::path kExamples = TRAPWRIGHT_EXAMPLES;

// A project to run the commands on, written into a folder.
struct ProjectRow {
    const char* name;
    std::map<std::string, std::string> files;  // relative path -> bytes; the project is P.vbp
    std::vector<std::string> options;
};

void WriteProject(const fs::path& folder, const ProjectRow& row) {
    for (const auto& [name, bytes] : row.files) WriteBytes(folder / name, bytes);
}

std::vector<ProjectRow> Projects(const fs::path& templates) {
    const std::string end = (templates / "end.tpl").string();
    return {
        {"CR LF, a subfolder, a module without a final line break",
         {{"P.vbp", CrLfLines({"Module=A; Sub\\a.bas", "Form=f.frm", "Name=\"P\""})},
          {"Sub/a.bas", "Public Sub A(x)\r\n  x = 1\r\nEnd Sub ' done\r\n"},
          {"f.frm", "Private Sub Form_Load()\r\nEnd Sub"}},
         {"--end", end}},
        {"LF checkout",
         {{"P.vbp", "Module=A; a.bas\nClass=C; c.cls\nName=\"P\"\n"},
          {"a.bas", "Public Function A(ByVal n As Long) As Long\n  A = n\nEnd Function ' x\n"},
          {"c.cls", "Option Explicit\n"}},
         {"--end", end}},
        {"code page 1251 with an undefined byte, an empty module",
         {{"P.vbp", CrLfLines({"Module=A; a.bas", "Module=E; e.bas"})},
          {"a.bas", "Sub \xC0\xE1(a)\r\n  s = \"\x98\xFF\"\r\nEnd Sub\r\n"},
          {"e.bas", ""}},
         {"--codepage", "1251"}},
    };
}

std::vector<std::string> With(std::vector<std::string> arguments, const std::vector<std::string>& options) {
    arguments.insert(arguments.end(), options.begin(), options.end());
    return arguments;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

TEST(DryRun, WritesNothingAndItsDiffAppliesToWhatAddWrites) {
    ScratchDir templates;
    WriteBytes(templates / "end.tpl", "' leaving [ProcName]\r\n");
    std::vector<ProjectRow> rows = Projects(templates.path());
    rows.push_back({"a module listed twice, the second pass adding nothing",
                    {{"P.vbp", CrLfLines({"Module=A; a.bas", "Module=A; a.bas"})},
                     {"a.bas", "Public Sub A(x)\r\n  x = 1\r\nEnd Sub\r\n"}},
                    {"--skip-handled"}});
    for (const ProjectRow& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        for (const char* copy : {"added", "patched", "applied"}) WriteProject(dir / copy, row);
        const auto before = Snapshot(dir / "added");

        const CommandResult preview =
            RunCli(With({"add", (dir / "added" / "P.vbp").string(), "--dry-run", "--diff"}, row.options));
        ASSERT_EQ(preview.exitCode, 0) << preview.err;
        EXPECT_EQ(Snapshot(dir / "added"), before) << "a dry run writes nothing";
        EXPECT_EQ(preview.out.rfind("--- a/", 0), 0u) << preview.out;
        WriteBytes(dir / "diff", preview.out);

        const CommandResult added = RunCli(With({"add", (dir / "added" / "P.vbp").string()}, row.options));
        ASSERT_EQ(added.exitCode, 0) << added.err;
        ASSERT_EQ(Shell("cd '" + (dir / "patched").string() + "' && patch -p1 -s <'" + (dir / "diff").string() + "'"), 0);
        ASSERT_EQ(Shell("cd '" + (dir / "applied").string() + "' && git apply --whitespace=nowarn '" + (dir / "diff").string() + "'"), 0);
        EXPECT_EQ(Snapshot(dir / "patched"), Snapshot(dir / "added"));
        EXPECT_EQ(Snapshot(dir / "applied"), Snapshot(dir / "added"));
    }
}

TEST(SkipHandledAndRemove, RoundTripsOnWholeProjects) {
    ScratchDir templates;
    WriteBytes(templates / "end.tpl", "' leaving [ProcName]\r\n");
    std::vector<ProjectRow> rows = Projects(templates.path());
    ProjectRow example{"the example project", {}, {}};
    for (const auto& entry : fs::recursive_directory_iterator(kExamples)) {
        const std::string name = fs::relative(entry.path(), kExamples).string();
        if (entry.is_regular_file() && name.rfind("expected", 0) != 0) example.files[name] = ReadBytes(entry.path());
    }
    example.files["P.vbp"] = example.files["Demo.vbp"];
    rows.push_back(example);
    for (const ProjectRow& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir dir;
        WriteProject(dir.path(), row);
        const std::string vbp = (dir / "P.vbp").string();
        const auto original = Snapshot(dir.path());

        CommandResult result = RunCli(With({"add", vbp, "--skip-handled"}, row.options));
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto once = Snapshot(dir.path());
        result = RunCli(With({"add", vbp, "--skip-handled"}, row.options));
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.err.find("; procedures given a handler: 0; procedures already handled: "), std::string::npos)
            << result.err;
        EXPECT_EQ(Snapshot(dir.path()), once) << "twice is once";

        result = RunCli(With({"remove", vbp}, row.options));
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(Snapshot(dir.path()), original);
    }
}

TEST(CheckCommand, ExitCodesAndFindings) {
    ScratchDir dir;
    const std::string module = "Public Sub A(x)\r\nEnd Sub\r\n\r\nPrivate Function B() As Long\r\nEnd Function\r\n";
    WriteBytes(dir / "m.bas", module);
    WriteBytes(dir / "P.vbp", CrLfLines({"Module=M; m.bas", "Form=gone.frm"}));
    const std::string vbp = (dir / "P.vbp").string();
    const std::string path = (dir / "m.bas").string();

    CommandResult result = RunCli({"check", vbp});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ":1: A has no error handler\n" + path + ":4: B has no error handler\n" + vbp +
                              ":2: lists gone.frm, but there is no such file\n");
    EXPECT_NE(result.err.find("procedures checked: 2; without an error handler: 2"), std::string::npos) << result.err;

    ASSERT_EQ(RunCli({"add", vbp}).exitCode, 0);
    result = RunCli({"check", path});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out, "");

    // Renamed: still handled. Its block deleted by hand: named by its line.
    std::string handled = ReadBytes(dir / "m.bas");
    handled.replace(handled.find("Public Sub A(x)"), 15, "Public Sub Renamed(x, y)");
    WriteBytes(dir / "m.bas", handled);
    EXPECT_EQ(RunCli({"check", path}).exitCode, 0);
    const size_t header = handled.find("Private Function B");
    handled.erase(handled.find("\r\n", header), handled.find("' *** BEGIN CODE ***", header) + 20 -
                                                     handled.find("\r\n", header));
    WriteBytes(dir / "m.bas", handled);
    result = RunCli({"check", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, path + ":11: B has no error handler\n");

    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"check", (dir / "none.bas").string()}, {"check", vbp, "--codepage", "4242"}, {"check", vbp, path}}) {
        SCOPED_TRACE(arguments.back());
        EXPECT_EQ(RunCli(arguments).exitCode, 2);
    }
    const auto before = Snapshot(dir.path());
    RunCli({"check", vbp});
    EXPECT_EQ(Snapshot(dir.path()), before) << "check writes nothing";
}

TEST(RemoveCommand, AnEditedBlockIsNamedAndLeft) {
    ScratchDir dir;
    WriteBytes(dir / "m.bas", "Sub A()\r\nEnd Sub\r\nSub B()\r\nEnd Sub\r\n");
    const std::string path = (dir / "m.bas").string();
    ASSERT_EQ(RunCli({"transform", path, "--skip-handled"}).exitCode, 0);
    std::string edited = ReadBytes(dir / "m.bas");
    edited.replace(edited.find("On Error GoTo errHandler"), 24, "On Error Resume Next");
    WriteBytes(dir / "m.bas", edited);

    const CommandResult result = RunCli({"remove", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(path + ":1: A: the block under this header does not match the template; left as it is\n"),
              std::string::npos)
        << result.err;
    const std::string left = ReadBytes(dir / "m.bas");
    EXPECT_NE(left.find("On Error Resume Next"), std::string::npos);
    EXPECT_NE(left.find("Sub B()\r\nEnd Sub\r\n"), std::string::npos) << "B's block is gone";
    EXPECT_EQ(RunCli({"remove", path, "--diff"}).exitCode, 2) << "--diff needs --dry-run";
}
