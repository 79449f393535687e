// The runtime module's pieces: the project line that --with-runtime adds
// and takes out, the names a template uses, and the names a module declares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "commands/AddErrorHandlerRun.h"
#include "commands/DefaultTemplates.h"
#include "commands/ProjectFileEdit.h"
#include "commands/RuntimeModule.h"
#include "commands/TemplateNames.h"
#include "source_transformation/ModuleLevelNames.h"
#include "project_model/clsProject.h"
#include "vb_runtime/CodePage.h"

namespace {

std::string Applied(const std::string& bytes, const run::ByteEdit& edit) {
    std::string out = bytes;
    out.replace(edit.offset, edit.removed, edit.inserted);
    return out;
}

std::vector<std::string> Utf8(const std::vector<Text>& names) {
    std::vector<std::string> out;
    for (const Text& name : names) out.push_back(vb::ToUtf8(name));
    return out;
}

}  // namespace

TEST(RuntimeProjectLine, AddedWhereTheIdeWouldAndTakenOutByteForByte) {
    const std::string kLine = "Module=modDebugErr; modDebugErr.bas";
    struct Row {
        const char* name;
        int32_t codePage;
        std::string project;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"after the last Module= line", 1252,
         "Type=Exe\r\nForm=a.frm\r\nModule=m1; m1.bas\r\nmodule=m2; m2.bas\r\nClass=c; c.cls\r\nName=\"P\"\r\n",
         "Type=Exe\r\nForm=a.frm\r\nModule=m1; m1.bas\r\nmodule=m2; m2.bas\r\n" + kLine +
             "\r\nClass=c; c.cls\r\nName=\"P\"\r\n"},
        {"only forms: after the last object line", 1252, "Type=Exe\r\nForm=a.frm\r\nForm=b.frm\r\nName=\"P\"\r\n",
         "Type=Exe\r\nForm=a.frm\r\nForm=b.frm\r\n" + kLine + "\r\nName=\"P\"\r\n"},
        {"LF line breaks", 1252, "Type=Exe\nUserControl=u.ctl\nName=\"P\"\n",
         "Type=Exe\nUserControl=u.ctl\n" + kLine + "\nName=\"P\"\n"},
        {"no objects: after Type=", 1252, "Type=Exe\r\nName=\"P\"\r\n", "Type=Exe\r\n" + kLine + "\r\nName=\"P\"\r\n"},
        {"no object and no Type=: at the start", 1252, "Name=\"P\"\r\n", kLine + "\r\nName=\"P\"\r\n"},
        {"the last line has no line break", 1252, "Type=Exe\r\nModule=m; m.bas", "Type=Exe\r\nModule=m; m.bas\r\n" + kLine},
        {"cp1251 names stay as they are", 1251,
         "Type=Exe\r\nModule=\xCC\xEE\xE4\xF3\xEB\xFC; \xCC\xEE\xE4\xF3\xEB\xFC.bas\r\nTitle=\"\xCF\xF0\xEE\xE5\xEA\xF2\"\r\n",
         "Type=Exe\r\nModule=\xCC\xEE\xE4\xF3\xEB\xFC; \xCC\xEE\xE4\xF3\xEB\xFC.bas\r\n" + kLine +
             "\r\nTitle=\"\xCF\xF0\xEE\xE5\xEA\xF2\"\r\n"},
        {"cp932: a trail byte that looks like '=' in no line", 932,
         "Type=Exe\r\nForm=\x93\xFA\x96\x7B.frm\r\nName=\"\x83\x5C\"\r\n",
         "Type=Exe\r\nForm=\x93\xFA\x96\x7B.frm\r\n" + kLine + "\r\nName=\"\x83\x5C\"\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string added = Applied(row.project, run::RuntimeLineInsertion(row.project, row.codePage));
        EXPECT_EQ(added, row.expected);
        const std::optional<run::ByteEdit> removal = run::RuntimeLineRemoval(added, row.codePage);
        ASSERT_TRUE(removal.has_value());
        EXPECT_EQ(Applied(added, *removal), row.project);
        EXPECT_FALSE(run::RuntimeLineRemoval(row.project, row.codePage).has_value());
    }
}

TEST(RuntimeProjectLine, RemovalTakesOnlyTheModuleInTheProjectsFolder) {
    EXPECT_FALSE(run::RuntimeLineRemoval("Module=modDebugErr; ..\\Common\\modDebugErr.bas\r\n", 1252).has_value());
    EXPECT_FALSE(run::RuntimeLineRemoval("Module=modErrors; modDebugErr.bas\r\n", 1252).has_value());
    const std::string spaced = "Type=Exe\r\nModule=MODDEBUGERR;modDebugErr.BAS\r\n";
    EXPECT_EQ(Applied(spaced, *run::RuntimeLineRemoval(spaced, 1252)), "Type=Exe\r\n");
}

TEST(TemplateNames, TheNamesSomethingMustDeclare) {
    struct Row {
        const char* name;
        std::vector<Text> templates;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"the built-in template: the routines it calls, then the constant",
         {u"' *** START ERROR HANDLER ***\r\nOn Error GoTo errHandler\r\nIf Err.Number <> 0 Then\r\nerrHandler: ErrorIn "
          u"\"[ProcName]([Paramenters])\", Array([Paramenters]), EA_NORERAISE: HandleError: Exit [ProcType]\r\nEnd "
          u"If\r\n' *** BEGIN CODE ***\r\n",
          u""},
         {"ErrorIn", "HandleError", "EA_NORERAISE"}},
        {"a label defined by the end template is none in the begin template",
         {u"On Error GoTo Fail\r\n", u"Exit [ProcType]\r\nFail: LogError \"[ModuleName].[ProcName]\", Err.Number\r\n"},
         {"LogError"}},
        {"members, named arguments, comments, Rem, strings, numbers and type characters",
         {u"Rem Report Now\r\nCall gLog.Write(Source:=\"x: y\", Level:=&H1F) ' Later Foo\r\nx$ = Format$(Now) & vbCrLf: "
          u"rs!Field = 1",
          u""},
         {"gLog", "x", "rs"}},
        {"letter case as first written, each name once",
         {u"LogIt: logit 1\r\nReport\r\nREPORT\r\n", u"report gCount\r\n"},
         {"Report", "gCount"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Utf8(run::NamesTemplatesUse(row.templates)), row.expected);
    }
}

TEST(ModuleLevelNames, DeclarationsAboveTheFirstProcedureAndProceduresWhenReadThrough) {
    const Text module =
        u"VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\nEND\r\nAttribute VB_Name = \"clsLog\"\r\n"
        u"Option Explicit\r\nPublic Const LOG_A As Long = 1, LOG_B = 2\r\nPrivate mPath As String, mLines(1 To 3) As "
        u"String\r\nDim mCount\r\nPublic WithEvents mTimer As Timer\r\nPrivate Declare Function GetTickCount Lib "
        u"\"kernel32\" () As Long\r\nPublic Event Logged(ByVal Text As String)\r\nPublic Enum LogLevel\r\n    "
        u"llInfo = 1\r\n    llError\r\nEnd Enum\r\nPrivate Type Entry\r\n    EntryText As String\r\nEnd Type\r\n"
        u"Global gLast As _\r\n    Variant\r\nPublic Sub Write(ByVal s As String)\r\n    Dim mInside As Long\r\nEnd "
        u"Sub\r\nFriend Property Get Count() As Long\r\nEnd Property\r\n";
    const std::vector<const char16_t*> declared = {u"clsLog", u"LOG_A", u"LOG_B", u"mPath", u"mLines", u"mCount",
                                                   u"mTimer", u"GetTickCount", u"llInfo", u"llError", u"gLast"};
    const std::vector<const char16_t*> notDeclared = {u"Logged", u"LogLevel", u"Entry", u"EntryText", u"mInside",
                                                      u"VERSION", u"MultiUse", u"Explicit"};
    for (const bool through : {false, true}) {
        SCOPED_TRACE(through ? "read through" : "head only");
        scan::DeclaredNames names;
        EXPECT_EQ(scan::AddModuleLevelNames(module, through, names), !through);
        for (const char16_t* name : declared) EXPECT_TRUE(names.Has(name)) << vb::ToUtf8(name);
        for (const char16_t* name : notDeclared) EXPECT_FALSE(names.Has(name)) << vb::ToUtf8(name);
        EXPECT_EQ(names.Has(u"Write"), through);
        EXPECT_EQ(names.Has(u"Count"), through);
    }
}

TEST(RuntimeModule, DeclaresWhatTheBuiltInTemplateUsesAndIsNoSourceOfARun) {
    scan::DeclaredNames names;
    scan::AddModuleLevelNames(run::RuntimeModuleText(), true, names);
    for (const char16_t* name : {u"ErrorIn", u"HandleError", u"EA_NORERAISE", u"EA_RERAISE", u"ErrorLogPath",
                                 u"ErrorMessageBox", u"modDebugErr"}) {
        EXPECT_TRUE(names.Has(name)) << vb::ToUtf8(name);
    }
    std::vector<run::SourceFile> files(4);
    files[0].objectName = u"modMain";
    files[1].objectName = u"MODDEBUGERR";
    files[2].path = u"x/modDebugErr.bas";
    files[2].named = true;
    files[3].path = u"modDebugErr.bas";  // a project object named otherwise
    files[3].objectName = u"modErrors";
    const std::vector<run::SourceFile> kept = run::WithoutRuntimeModule(files);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].objectName, u"modMain");
    EXPECT_EQ(kept[1].objectName, u"modErrors");
    EXPECT_EQ(kept[1].Index, 1);
}

TEST(RuntimeModule, TheDesktopApplicationsAddGivesItNoBlock) {
    class BuiltIn : public addrun::TemplateSource {
    public:
        Text BeginTemplate() override { return templates::DefaultBeginTemplate(); }
        Text EndTemplate() override { return Text(); }
    } builtIn;
    testing_support::ScratchDir dir;
    testing_support::WriteBytes(dir / "P.vbp", "Module=modMain; modMain.bas\r\nModule=modDebugErr; modDebugErr.bas\r\n");
    testing_support::WriteBytes(dir / "modMain.bas", "Sub Main()\r\nEnd Sub\r\n");
    const std::string module = run::RuntimeModuleBytes(1252);
    testing_support::WriteBytes(dir / "modDebugErr.bas", module);
    clsProject project;
    project.ParseProject(testing_support::PathText(dir / "P.vbp"));
    const run::RunResult result = addrun::AddErrorHandlers(project, builtIn);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.counts.filesProcessed, 1);
    EXPECT_EQ(result.counts.blocksInserted, 1);
    EXPECT_EQ(testing_support::ReadBytes(dir / "modDebugErr.bas"), module);
}
