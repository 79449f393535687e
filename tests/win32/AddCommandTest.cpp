// The Add error handler command on real files: the templates come from the
// settings window as it stands (edited, OK'd, closed or never opened), the
// files on disk are compared byte for byte with results worked out by hand,
// and every message box is checked for its text, title, icon and buttons.
#include <gtest/gtest.h>

#include "MainWindowFixture.h"
#include "commands/AddErrorHandlerRun.h"

namespace {

using wintest::ReadBytes;
using wintest::SeenBox;
using wintest::WriteBytes;

const char Completion[] =
    "Error handler is added! Remember to append the file 'modDebugErr.bas' if you want it to work correctly.";

// The default begin block for one header, as the six template lines read
// once expanded (the template's final line break is dropped).
std::string Block(const std::string& name, const std::string& parameters, const std::string& kind) {
    return "' *** START ERROR HANDLER ***\r\n"
           "On Error GoTo errHandler\r\n"
           "If Err.Number <> 0 Then\r\n"
           "errHandler: ErrorIn \"" + name + "(" + parameters + ")\", Array(" + parameters +
           "), EA_NORERAISE: HandleError: Exit " + kind + " \r\n"
           "End If\r\n"
           "' *** BEGIN CODE ***";
}

struct SourceFile {
    const char* name;
    std::string input;
    std::string expected;  // after one run with the default templates
};

const SourceFile Module{"modA.bas",
                        "Attribute VB_Name = \"modA\"\r\nPublic Sub Hello(ByVal a As Long, b)\r\n    a = 1\r\nEnd Sub",
                        "Attribute VB_Name = \"modA\"\r\nPublic Sub Hello(ByVal a As Long, b)\r\n\r\n" +
                            Block("Hello", "a, b", "Sub") + "\r\n    a = 1\r\nEnd Sub\r\n"};
const SourceFile Form{"frmA.frm",
                      "VERSION 5.00\r\nBegin VB.Form frmA\r\nEnd\r\nAttribute VB_Name = \"frmA\"\r\n"
                      "Private Sub Form_Load()\r\nEnd Sub",
                      "VERSION 5.00\r\nBegin VB.Form frmA\r\nEnd\r\nAttribute VB_Name = \"frmA\"\r\n"
                      "Private Sub Form_Load()\r\n\r\n" + Block("Form_Load", "", "Sub") + "\r\nEnd Sub\r\n"};
const SourceFile Control{"ctlA.ctl",
                         "VERSION 5.00\r\nBegin VB.UserControl ctlA\r\nEnd\r\nPublic Property Get Value() As Long\r\n"
                         "End Property",
                         "VERSION 5.00\r\nBegin VB.UserControl ctlA\r\nEnd\r\nPublic Property Get Value() As Long\r\n"
                         "\r\n" + Block("Get Value", "", "Property") + "\r\nEnd Property\r\n"};
const SourceFile Class{"clsA.cls",
                       "VERSION 1.0 CLASS\r\nBEGIN\r\nEND\r\n"
                       "Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double\r\n"
                       "    Total = a * 2\r\nEnd Function",
                       "VERSION 1.0 CLASS\r\nBEGIN\r\nEND\r\n"
                       "Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double\r\n\r\n" +
                           Block("Total", "a, b", "Function") + "\r\n    Total = a * 2\r\nEnd Function\r\n"};

class AddCommand : public wintest::MainWindowCommands {
protected:
    // A project of four objects, one of each kind: module, form, user control, class.
    void OpenFourObjectProject() {
        for (const SourceFile* file : {&Module, &Form, &Control, &Class}) WriteBytes(folder / file->name, file->input);
        WriteBytes(folder / "Four.vbp",
                   "Type=Exe\r\nModule=modA;modA.bas\r\nForm=frmA.frm\r\nUserControl=ctlA.ctl\r\nClass=clsA;clsA.cls\r\n"
                   "Name=\"Four\"\r\n");
        ASSERT_TRUE(Open(folder / "Four.vbp").empty());
    }
    /// Opens a project file while another handle holds it open without
    /// sharing, so that reading it fails (also as root, unlike permissions).
    std::vector<SeenBox> OpenLocked(const std::filesystem::path& project) {
        HANDLE lock = CreateFileW(project.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(lock, INVALID_HANDLE_VALUE);
        const auto boxes = Open(project);
        CloseHandle(lock);
        return boxes;
    }
    std::string Disk(const SourceFile& file) { return ReadBytes(folder / file.name); }
    void ExpectUntouched() {
        for (const SourceFile* file : {&Module, &Form, &Control, &Class}) EXPECT_EQ(Disk(*file), file->input);
    }
    HWND SettingsBox(int id) { return GetDlgItem(main.Settings().Hwnd(), id); }

    static void ExpectClosingBox(const SeenBox& box, HWND owner) {
        EXPECT_EQ(box.title, L"Error handler");
        EXPECT_EQ(box.text, std::wstring(Completion, Completion + sizeof Completion - 1));
        EXPECT_EQ(box.icon, wintest::InformationIcon());
        EXPECT_EQ(box.buttonIds, std::vector<int>{IDOK});
        EXPECT_EQ(box.owner, owner);
    }

    wintest::ScratchDir folder;
};

TEST_F(AddCommand, BeforeAnyProjectItOnlyShowsTheClosingMessage) {
    EXPECT_STREQ(addrun::CompletionMessage, Completion);
    const auto boxes = Click(IDC_CMDADDERR);
    ASSERT_EQ(boxes.size(), 1u);
    ExpectClosingBox(boxes[0], main.Hwnd());
    // No object, so no template was read and Settings was never loaded.
    EXPECT_FALSE(main.Settings().Loaded());
    EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));
}

TEST_F(AddCommand, EveryFileGetsItsBlocksWithTheDefaultTemplates) {
    OpenFourObjectProject();
    // Whatever the tree shows selected or collapsed does not matter.
    HTREEITEM root = TreeView_GetRoot(Tree());
    TreeView_SelectItem(Tree(), TreeView_GetChild(Tree(), root));
    TreeView_Expand(Tree(), root, TVE_COLLAPSE);

    const auto boxes = Click(IDC_CMDADDERR);
    ASSERT_EQ(boxes.size(), 1u);
    ExpectClosingBox(boxes[0], main.Hwnd());
    for (const SourceFile* file : {&Module, &Form, &Control, &Class}) {
        SCOPED_TRACE(file->name);
        EXPECT_EQ(Disk(*file), file->expected);
    }
    // The templates were read: the settings window is loaded but not shown.
    EXPECT_TRUE(main.Settings().Loaded());
    EXPECT_FALSE(main.Settings().Visible());
}

// The block defines errHandler: a procedure that has one gets no second
// block, and the completion message names it.
TEST_F(AddCommand, ASecondRunChangesNothingAndNamesTheProcedures) {
    OpenFourObjectProject();
    Click(IDC_CMDADDERR);
    const auto boxes = Click(IDC_CMDADDERR);
    EXPECT_EQ(Disk(Module), Module.expected);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(std::wstring(Completion, Completion + sizeof Completion - 1), 0), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(L"were left as they are:"), std::wstring::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(L"Hello already has its blocks; left as it is"), std::wstring::npos)
        << boxes[0].text;
}

TEST_F(AddCommand, UsesTheSettingsTextsAsTheyStand) {
    struct Row {
        const char* name;
        bool pressOk;
        bool closeWindow;
        std::string moduleAfter;
    };
    const std::string edited = "Attribute VB_Name = \"modA\"\r\nPublic Sub Hello(ByVal a As Long, b)\r\n\r\n"
                               "' begin Sub Hello(a, b)\r\n    a = 1\r\nEnd Sub\r\n";
    const Row rows[] = {
        {"edited, window still open", false, false, edited},
        {"edited, OK pressed", true, false, edited},
        {"edited, then closed with the close box", false, true, Module.expected},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OpenFourObjectProject();
        Click(IDC_CMDSETTINGS);
        SetWindowTextW(SettingsBox(IDC_TXTPROCBEGIN), L"' begin [proctype][ProcName]([PARAMENTERS])\r\n");
        if (row.pressOk) SendMessageW(SettingsBox(IDC_CMDOK), BM_CLICK, 0, 0);
        if (row.closeWindow) SendMessageW(main.Settings().Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        const auto boxes = Click(IDC_CMDADDERR);
        ASSERT_EQ(boxes.size(), 1u);
        ExpectClosingBox(boxes[0], main.Hwnd());
        EXPECT_EQ(Disk(Module), row.moduleAfter);
        EXPECT_EQ(main.Settings().Visible(), !row.pressOk && !row.closeWindow);
        main.Settings().Unload();
    }
}

TEST_F(AddCommand, TheEndTemplateGoesAboveTheLineThatClosesAProcedure) {
    WriteBytes(folder / "modE.bas", "Sub Main()\r\n    x = 1\r\nEnd Sub ' done");
    WriteBytes(folder / "E.vbp", "Module=modE;modE.bas\r\n");
    Open(folder / "E.vbp");
    Click(IDC_CMDSETTINGS);
    SetWindowTextW(SettingsBox(IDC_TXTPROCBEGIN), L"' in [ProcName]\r\n");
    SetWindowTextW(SettingsBox(IDC_TXTPROCEND), L"' out [ProcName]\r\n");
    Click(IDC_CMDADDERR);
    EXPECT_EQ(ReadBytes(folder / "modE.bas"),
              "Sub Main()\r\n\r\n' in Main\r\n    x = 1\r\n' out Main\r\n\r\nEnd Sub ' done\r\n");
}

TEST_F(AddCommand, AnErrorIsShownAndNoFileIsWritten) {
    OpenFourObjectProject();
    Click(IDC_CMDSETTINGS);
    SetWindowTextW(SettingsBox(IDC_TXTPROCBEGIN), L"");
    const auto boxes = Click(IDC_CMDADDERR);
    ASSERT_EQ(boxes.size(), 1u) << "no closing message after an error";
    EXPECT_EQ(boxes[0].title, L"Error handler");
    // An empty begin template is refused before any file is read.
    EXPECT_NE(boxes[0].text.find(L"Error 5: Invalid procedure call or argument (the begin template is empty)"),
              std::wstring::npos)
        << boxes[0].text;
    EXPECT_EQ(boxes[0].text.find(L"File: "), std::wstring::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].buttonIds, std::vector<int>{IDOK});
    ExpectUntouched();
    // The program goes on: the next run with a good template works.
    SetWindowTextW(SettingsBox(IDC_TXTPROCBEGIN), L"' x\r\n");
    ASSERT_EQ(Click(IDC_CMDADDERR).size(), 1u);
    EXPECT_NE(Disk(Module), Module.input);
}

TEST_F(AddCommand, AReadOnlyFileIsReportedAndNothingIsWritten) {
    OpenFourObjectProject();
    const std::wstring readOnly = (folder / Control.name).wstring();
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const auto boxes = Click(IDC_CMDADDERR);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(L"Error 70: Permission denied"), std::wstring::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(L"ctlA.ctl"), std::wstring::npos) << boxes[0].text;
    ExpectUntouched();
    EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));
}

TEST_F(AddCommand, AProjectThatListsItselfIsRefusedAndNothingIsWritten) {
    for (const SourceFile* file : {&Module, &Form, &Control, &Class}) WriteBytes(folder / file->name, file->input);
    const std::string project = "Module=modA;modA.bas\r\nModule=Self;SELF.VBP\r\nName=\"Self\"\r\n";
    WriteBytes(folder / "Self.vbp", project);
    ASSERT_TRUE(Open(folder / "Self.vbp").empty());
    const auto boxes = Click(IDC_CMDADDERR);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"Error handler");
    EXPECT_NE(boxes[0].text.find(L"no file was changed"), std::wstring::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(L"the project lists its own project file"), std::wstring::npos) << boxes[0].text;
    EXPECT_EQ(ReadBytes(folder / "Self.vbp"), project);
    ExpectUntouched();
}

TEST_F(AddCommand, MissingFilesAreNamedBeforeTheClosingMessage) {
    OpenFourObjectProject();
    std::filesystem::remove(folder / Form.name);
    const auto boxes = Click(IDC_CMDADDERR);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, L"Error handler");
    EXPECT_NE(boxes[0].text.find((folder / Form.name).wstring()), std::wstring::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].buttonIds, std::vector<int>{IDOK});
    ExpectClosingBox(boxes[1], main.Hwnd());
    EXPECT_FALSE(std::filesystem::exists(folder / Form.name)) << "a missing file is never created";
    EXPECT_EQ(Disk(Module), Module.expected);
    EXPECT_EQ(Disk(Class), Class.expected);
}

TEST_F(AddCommand, AnOpenThatCannotReadItsProjectKeepsTheOpenOne) {
    OpenFourObjectProject();
    const auto tree = Nodes();
    const auto other = folder / "Other.vbp";
    WriteBytes(other, "Name=\"Other\"\r\nModule=modA;modA.bas\r\n");
    const auto boxes = OpenLocked(other);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"Trapline");
    EXPECT_EQ(boxes[0].text, L"Error 70: Permission denied\r\n\r\n" + other.wstring());
    EXPECT_TRUE(Nodes() == tree) << "the tree still shows the open project";

    const auto added = Click(IDC_CMDADDERR);
    ASSERT_EQ(added.size(), 1u);
    ExpectClosingBox(added[0], main.Hwnd());
    for (const SourceFile* file : {&Module, &Form, &Control, &Class}) {
        SCOPED_TRACE(file->name);
        EXPECT_EQ(Disk(*file), file->expected);
    }
}

TEST_F(AddCommand, AnOpenThatCannotReadItsProjectKeepsTheProjectFileThatAddRefuses) {
    WriteBytes(folder / Module.name, Module.input);
    const std::string project = "Module=modA;modA.bas\r\nModule=Self;SELF.VBP\r\nName=\"Self\"\r\n";
    WriteBytes(folder / "Self.vbp", project);
    ASSERT_TRUE(Open(folder / "Self.vbp").empty());
    WriteBytes(folder / "Other.vbp", "Name=\"Other\"\r\n");
    ASSERT_EQ(OpenLocked(folder / "Other.vbp").size(), 1u);
    const auto boxes = Click(IDC_CMDADDERR);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(L"the project lists its own project file"), std::wstring::npos) << boxes[0].text;
    EXPECT_EQ(ReadBytes(folder / "Self.vbp"), project);
    EXPECT_EQ(Disk(Module), Module.input);
}

TEST_F(AddCommand, EachBoxListsAtMostTwentyEntries) {
    struct Row {
        const char* name;
        int readOnly;              // files listed first, all read-only
        int missing;               // then files that do not exist
        int problemsShown;
        std::wstring problemsMore;
        int missingShown;
        std::wstring missingMore;
    };
    const Row rows[] = {
        {"25 read-only files", 25, 0, 20, L"\r\n\u2026 and 5 more", 0, L""},
        {"20 read-only files, all shown", 20, 0, 20, L"", 0, L""},
        {"a read-only file and 22 missing ones: twenty entries in all", 1, 22, 1, L"", 19, L"\r\n\u2026 and 3 more"},
        {"25 read-only files and 2 missing ones", 25, 2, 20, L"\r\n\u2026 and 5 more", 0, L"\r\n\u2026 and 2 more"},
        {"22 missing files, the others processed", 0, 22, 0, L"", 20, L"\r\n\u2026 and 2 more"},
    };
    const std::string source = "Sub Main()\r\nEnd Sub";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        wintest::ScratchDir project;
        auto readOnlyName = [](int i) { return "mod" + std::to_string(i) + ".bas"; };
        auto missingName = [](int i) { return "gone" + std::to_string(i) + ".bas"; };
        std::string vbp = "Name=\"Many\"\r\n";
        for (int i = 0; i < row.readOnly; ++i) {
            WriteBytes(project / readOnlyName(i), source);
            SetFileAttributesW((project / readOnlyName(i)).wstring().c_str(), FILE_ATTRIBUTE_READONLY);
            vbp += "Module=m" + std::to_string(i) + ";" + readOnlyName(i) + "\r\n";
        }
        for (int i = 0; i < row.missing; ++i) vbp += "Module=g" + std::to_string(i) + ";" + missingName(i) + "\r\n";
        WriteBytes(project / "Many.vbp", vbp);
        ASSERT_TRUE(Open(project / "Many.vbp").empty());

        // A run that fails shows one box; one that succeeds the list of
        // missing files, then the closing box.
        const auto boxes = Click(IDC_CMDADDERR);
        ASSERT_EQ(boxes.size(), row.readOnly > 0 ? 1u : 2u);
        std::wstring expected;
        if (row.readOnly > 0) {
            expected = L"Error handler was not added; no file was changed.\r\n";
            for (int i = 0; i < row.problemsShown; ++i) {
                expected += L"\r\nError 70: Permission denied \u2014 File: " + (project / readOnlyName(i)).wstring();
            }
            expected += row.problemsMore;
            if (row.missing > 0) expected += L"\r\n\r\n";
        }
        if (row.missing > 0) expected += L"These files of the project do not exist and were skipped:\r\n";
        for (int i = 0; i < row.missingShown; ++i) expected += L"\r\n" + (project / missingName(i)).wstring();
        expected += row.missingMore;
        EXPECT_EQ(boxes[0].text, expected);
        EXPECT_EQ(boxes[0].title, L"Error handler");
        for (int i = 0; i < row.readOnly; ++i) EXPECT_EQ(ReadBytes(project / readOnlyName(i)), source);
    }
}

// The begin text box reports whether the windows took input while the
// command read it.
WNDPROC originalEditProc = nullptr;
std::vector<bool> enabledWhileRead;
HWND watchedMain = nullptr;
HWND watchedSettings = nullptr;

LRESULT CALLBACK WatchingEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETTEXT) {
        enabledWhileRead.push_back(IsWindowEnabled(watchedMain) || IsWindowEnabled(watchedSettings));
    }
    return CallWindowProcW(originalEditProc, hwnd, message, wParam, lParam);
}

TEST_F(AddCommand, TheWindowsTakeNoInputWhileTheCommandRuns) {
    OpenFourObjectProject();
    Click(IDC_CMDSETTINGS);
    HWND box = SettingsBox(IDC_TXTPROCBEGIN);
    watchedMain = main.Hwnd();
    watchedSettings = main.Settings().Hwnd();
    enabledWhileRead.clear();
    originalEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingEditProc)));
    Click(IDC_CMDADDERR);
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalEditProc));
    ASSERT_EQ(enabledWhileRead.size(), 5u) << "read once to be checked, then afresh for each of the four objects";
    for (bool enabled : enabledWhileRead) EXPECT_FALSE(enabled);
    EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));
    EXPECT_TRUE(IsWindowEnabled(main.Settings().Hwnd()));
    EXPECT_EQ(Disk(Module), Module.expected);
}

}  // namespace
