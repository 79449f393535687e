// clsProject: project file lines into the object and variable lists, the
// project folder, variable lookup and index checks.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "project_model/clsProject.h"
#include "project_model/modGlobal.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/VbError.h"

using testing_support::CrLfLines;
using testing_support::PathText;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

Text T(const std::string& utf8) { return vb::FromUtf8(utf8); }
std::string U(const Text& text) { return vb::ToUtf8(text); }

using ObjectRow = std::tuple<std::string, std::string, std::string>;  // Type, Name, Path
using VariableRow = std::pair<std::string, std::string>;              // Name, value

std::vector<ObjectRow> Objects(const clsProject& project) {
    std::vector<ObjectRow> rows;
    for (int32_t i = 0; i <= project.ObjectCount(); ++i) {
        rows.emplace_back(U(project.ObjectType(i)), U(project.ObjectName(i)), U(project.ObjectPath(i)));
    }
    return rows;
}

std::vector<VariableRow> Variables(const clsProject& project) {
    std::vector<VariableRow> rows;
    for (const ProjectEntry& entry : project.VariableEntries()) {
        EXPECT_TRUE(entry.Type.empty()) << U(entry.Name);
        rows.emplace_back(U(entry.Name), U(entry.Path));
    }
    return rows;
}

// Parses `text` as the content of a project opened under `fileName`. The
// name names no file, so ParseProject keeps the text set beforehand.
clsProject ParseText(const std::string& text, const std::string& fileName = "C:\\P\\Demo.vbp") {
    clsProject project;
    project.CodeInput(T(text));
    project.ParseProject(T(fileName));
    return project;
}

}  // namespace

TEST(ParseProject, WorkedExample) {
    const clsProject project = ParseText(CrLfLines({
                                             "Type=Exe",
                                             "Form=Form1.frm",
                                             "Module=Module1;Module1.bas",
                                             "class=Sub\\Class1.cls",
                                             "UserControl=Ctl1;Ctl1.ctl;x",
                                             "Form=",
                                             "Name=\"Demo\"",
                                             "Title=\"a=b\"",
                                             "Designer=Des1.Dsr",
                                             "[Options]",
                                         }),
                                         "C:\\Work\\Demo.vbp");
    EXPECT_EQ(Objects(project), (std::vector<ObjectRow>{
                                    {"Form", "Form1.frm", "C:\\Work\\Form1.frm"},
                                    {"Module", "Module1", "C:\\Work\\Module1.bas"},
                                    {"class", "Sub\\Class1.cls", "C:\\Work\\Sub\\Class1.cls"},
                                    {"UserControl", "Ctl1", "C:\\Work\\Ctl1.ctl"},
                                    {"Form", "", "C:\\Work\\"},
                                }));
    EXPECT_EQ(Variables(project), (std::vector<VariableRow>{
                                      {"Type", "Exe"}, {"Name", "Demo"}, {"Title", "a"}, {"Designer", "Des1.Dsr"}}));
    EXPECT_EQ(project.ObjectCount(), 4);
    EXPECT_EQ(U(project.Variables(u"name")), "Demo");
}

TEST(ParseProject, LineRules) {
    struct Row {
        const char* name;
        std::string text;
        std::vector<ObjectRow> objects;
        std::vector<VariableRow> variables;
    };
    const std::vector<Row> rows = {
        {"empty file", "", {}, {}},
        {"blank lines and a section only", "\r\n\r\n[Options]\r\n", {}, {}},
        {"an LF file's lines end in LF", "Form=a.frm\nModule=b.bas\n", {{"Form", "a.frm", "C:\\P\\a.frm"}, {"Module", "b.bas", "C:\\P\\b.bas"}}, {}},
        {"a lone LF in a CR LF file does not end a line", "Form=a.frm\nModule=b.bas\r\nX=1\r\n", {{"Form", "a.frm\nModule", "C:\\P\\a.frm\nModule"}}, {{"X", "1"}}},
        {"CR alone does not end a line", "Type=Exe\rName=x", {}, {{"Type", "Exe\rName"}}},
        {"final CR LF adds nothing", "Form=a.frm\r\n", {{"Form", "a.frm", "C:\\P\\a.frm"}}, {}},
        {"kind key in capitals kept as written", "FORM=a.frm", {{"FORM", "a.frm", "C:\\P\\a.frm"}}, {}},
        {"every kind, any case",
         CrLfLines({"form=a", "MODULE=b", "Class=c", "userControl=d"}),
         {{"form", "a", "C:\\P\\a"}, {"MODULE", "b", "C:\\P\\b"}, {"Class", "c", "C:\\P\\c"}, {"userControl", "d", "C:\\P\\d"}},
         {}},
        {"longer key is a setting", "Forms=a.frm", {}, {{"Forms", "a.frm"}}},
        {"blank before = is part of the key", "Form =a.frm", {}, {{"Form ", "a.frm"}}},
        {"third ; part dropped", "Module=Mod1;Mod1.bas;extra", {{"Module", "Mod1", "C:\\P\\Mod1.bas"}}, {}},
        {"empty name part", "Module=;Mod1.bas", {{"Module", "", "C:\\P\\Mod1.bas"}}, {}},
        {"; at the end gives the folder", "Module=Mod1;", {{"Module", "Mod1", "C:\\P\\"}}, {}},
        {"blanks around both parts dropped", "Module=Module1; Module1.bas", {{"Module", "Module1", "C:\\P\\Module1.bas"}}, {}},
        {"blanks on every side dropped", "Class= c1 ;  Sub\\c1.cls  ;x", {{"Class", "c1", "C:\\P\\Sub\\c1.cls"}}, {}},
        {"tabs are not blanks", "Module=\tm;\tm.bas", {{"Module", "\tm", "C:\\P\\\tm.bas"}}, {}},
        {"without ; the value stays as written", "Form= a.frm ", {{"Form", " a.frm ", "C:\\P\\ a.frm "}}, {}},
        {"value after a second = dropped", "Form=a.frm=b", {{"Form", "a.frm", "C:\\P\\a.frm"}}, {}},
        {"full path still gets the folder", "Form=C:\\Other\\a.frm", {{"Form", "C:\\Other\\a.frm", "C:\\P\\C:\\Other\\a.frm"}}, {}},
        {"relative path kept as written", "Module=m; ..\\Shared\\m.bas", {{"Module", "m", "C:\\P\\..\\Shared\\m.bas"}}, {}},
        {"setting value cut at a second =", "Title=\"a=b\"", {}, {{"Title", "a"}}},
        {"every double quote removed", "Name=\"My \"\"big\"\" app\"", {}, {{"Name", "My big app"}}},
        {"empty key", "=x", {}, {{"", "x"}}},
        {"empty setting value", "HelpFile=\"\"", {}, {{"HelpFile", ""}}},
        {"line without = skipped", "just text\r\nType=Exe", {}, {{"Type", "Exe"}}},
        {"object named twice gives two entries",
         CrLfLines({"Form=a.frm", "Form=a.frm"}),
         {{"Form", "a.frm", "C:\\P\\a.frm"}, {"Form", "a.frm", "C:\\P\\a.frm"}},
         {}},
        {"repeated settings each kept, in order",
         CrLfLines({"Reference=r1", "Type=Exe", "Reference=r2"}),
         {},
         {{"Reference", "r1"}, {"Type", "Exe"}, {"Reference", "r2"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const clsProject project = ParseText(row.text);
        EXPECT_EQ(Objects(project), row.objects);
        EXPECT_EQ(Variables(project), row.variables);
        EXPECT_EQ(project.ObjectCount(), static_cast<int32_t>(row.objects.size()) - 1);
    }
}

TEST(ParseProject, ProjectFolderIsUpToTheLastSeparator) {
    struct Row {
        const char* fileName;
        const char* expectedPath;
    };
    const std::vector<Row> rows = {
        {"C:\\Work\\Demo.vbp", "C:\\Work\\a.frm"},
        {"Demo.vbp", "a.frm"},
        {"C:\\Work\\", "C:\\Work\\a.frm"},
        {"C:/Work/Demo.vbp", "C:/Work/a.frm"},
        {"/home/user/vb/Demo.vbp", "/home/user/vb/a.frm"},
        {"C:\\Work/Sub\\Demo.vbp", "C:\\Work/Sub\\a.frm"},
        {"C:\\Work\\Sub/Demo.vbp", "C:\\Work\\Sub/a.frm"},
        {"\\\\server\\share\\Demo.vbp", "\\\\server\\share\\a.frm"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fileName);
        EXPECT_EQ(U(ParseText("Form=a.frm", row.fileName).ObjectPath(0)), row.expectedPath);
    }
}

TEST(ParseProject, ReadsTheFileInTheCodePage) {
    ScratchDir dir;
    WriteBytes(dir / "Demo.vbp", "Name=\"D\xE9mo\"\r\nForm=F\xFC.frm\r\nModule=M; M.bas\r\n");
    clsProject project;
    project.ParseProject(PathText(dir / "Demo.vbp"));
    const std::string folder = (dir.path() / "").string();
    EXPECT_EQ(Objects(project),
              (std::vector<ObjectRow>{{"Form", "F\xC3\xBC.frm", folder + "F\xC3\xBC.frm"}, {"Module", "M", folder + "M.bas"}}));
    EXPECT_EQ(U(project.Variables(u"Name")), "D\xC3\xA9mo");
    EXPECT_EQ(U(project.CodeInput()), "Name=\"D\xC3\xA9mo\"\r\nForm=F\xC3\xBC.frm\r\nModule=M; M.bas\r\n");
}

TEST(ParseProject, SecondProjectReplacesTheFirst) {
    ScratchDir dir;
    WriteBytes(dir / "A.vbp", CrLfLines({"Name=\"A\"", "Form=a.frm", "Module=m;m.bas", "Class=c;c.cls"}));
    WriteBytes(dir / "B.vbp", CrLfLines({"Form=b.frm", "Title=\"B\""}));
    clsProject project;
    project.ParseProject(PathText(dir / "A.vbp"));
    ASSERT_EQ(project.ObjectCount(), 2);
    project.ParseProject(PathText(dir / "B.vbp"));
    EXPECT_EQ(Objects(project), (std::vector<ObjectRow>{{"Form", "b.frm", (dir / "b.frm").string()}}));
    EXPECT_EQ(Variables(project), (std::vector<VariableRow>{{"Title", "B"}}));
    EXPECT_EQ(U(project.Variables(u"Name")), "");
}

TEST(ParseProject, MissingFileRebuildsFromTheTextHeld) {
    ScratchDir dir;
    WriteBytes(dir / "A.vbp", CrLfLines({"Form=a.frm", "Name=\"A\""}));
    clsProject project;
    project.ParseProject(u"C:\\Nowhere\\Missing.vbp");
    EXPECT_EQ(project.ObjectCount(), -1);
    EXPECT_TRUE(project.CodeInput().empty());

    project.ParseProject(PathText(dir / "A.vbp"));
    project.ParseProject(u"C:\\Other\\Missing.vbp");
    EXPECT_EQ(Objects(project), (std::vector<ObjectRow>{{"Form", "a.frm", "C:\\Other\\a.frm"}}));
    EXPECT_EQ(Variables(project), (std::vector<VariableRow>{{"Name", "A"}}));
}

TEST(LoadCode, ReadsOrdinaryFilesOnly) {
    ScratchDir dir;
    WriteBytes(dir / "empty.vbp", "");
    WriteBytes(dir / ".hidden.vbp", "Form=h.frm");
    clsProject project;
    project.CodeInput(u"kept");
    project.LoadCode(PathText(dir / "missing.vbp"));
    EXPECT_EQ(U(project.CodeInput()), "kept");
    project.LoadCode(PathText(dir / ".hidden.vbp"));
    EXPECT_EQ(U(project.CodeInput()), "kept");
    project.LoadCode(PathText(dir.path()));
    EXPECT_EQ(U(project.CodeInput()), "kept");
    project.LoadCode(PathText(dir / "empty.vbp"));
    EXPECT_EQ(U(project.CodeInput()), "");
    EXPECT_EQ(project.ObjectCount(), -1) << "LoadCode parses nothing";
}

TEST(Variables, GetAndLet) {
    clsProject fresh;
    EXPECT_EQ(U(fresh.Variables(u"Name")), "");
    EXPECT_TRUE(fresh.CodeInput().empty());

    clsProject project = ParseText(CrLfLines({"Name=\"first\"", "Type=Exe", "name=\"second\""}));
    EXPECT_EQ(U(project.Variables(u"NAME")), "first");
    EXPECT_EQ(U(project.Variables(u"Missing")), "");

    project.Variables(u"nAmE", u"changed");
    EXPECT_EQ(Variables(project),
              (std::vector<VariableRow>{{"Name", "changed"}, {"Type", "Exe"}, {"name", "second"}}));

    clsProject empty;
    empty.Variables(u"Title", u"one");
    empty.Variables(u"TITLE", u"two");
    EXPECT_EQ(Variables(empty), (std::vector<VariableRow>{{"Title", "two"}}));
    empty.Variables(u"Other", u"x");
    EXPECT_EQ(Variables(empty), (std::vector<VariableRow>{{"Title", "two"}, {"Other", "x"}}));
    EXPECT_EQ(empty.ObjectCount(), -1);
}

TEST(ObjectAccess, IndexOutsideTheListFailsWithError9) {
    const clsProject empty;
    const clsProject three = ParseText(CrLfLines({"Form=a", "Module=b", "Class=c"}));
    ASSERT_EQ(three.ObjectCount(), 2);
    EXPECT_EQ(U(three.ObjectName(2)), "c");

    struct Row {
        const char* name;
        const clsProject* project;
        int32_t index;
    };
    const std::vector<Row> rows = {
        {"empty list, index 0", &empty, 0},
        {"one past the last", &three, 3},
        {"negative", &three, -1},
        {"far out", &three, 1 << 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (auto field : {&clsProject::ObjectName, &clsProject::ObjectPath, &clsProject::ObjectType}) {
            try {
                (row.project->*field)(row.index);
                ADD_FAILURE() << "no error";
            } catch (const vb::VbError& error) {
                EXPECT_EQ(error.Number(), vb::ErrSubscriptOutOfRange);
            }
        }
    }
}

TEST(GetUpperBound, LastIndexOrMinusOne) {
    const std::vector<ProjectEntry> none;
    const std::vector<ProjectEntry> three(3);
    EXPECT_EQ(GetUpperBound(none, 1), -1);
    EXPECT_EQ(GetUpperBound(three, 1), 2);
    EXPECT_EQ(GetUpperBound(three, 0), -1);
    EXPECT_EQ(GetUpperBound(three, -5), -1);
}
