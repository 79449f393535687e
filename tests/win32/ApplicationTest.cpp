// Trapwright.exe as a process: it starts into its main window, and closing
// that window ends the program even while the settings window is loaded.
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "ui/ControlIds.h"

namespace {

// A path of the build machine as Wine opens it (its Z: drive is "/").
std::wstring HostPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return std::wstring(path.begin(), path.end());
}

std::wstring ExecutablePath() { return HostPath(TRAPWRIGHT_EXE); }

HWND WaitForWindow(const wchar_t* className, DWORD processId, DWORD timeout, const wchar_t* title = nullptr) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
        for (HWND hwnd = FindWindowW(className, title); hwnd; hwnd = FindWindowExW(nullptr, hwnd, className, title)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == processId && IsWindowVisible(hwnd)) return hwnd;
        }
        Sleep(50);
    }
    return nullptr;
}

class Application : public testing::Test {
protected:
    void SetUp() override {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + ExecutablePath() + L"\"";
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process))
            << GetLastError();
    }
    void TearDown() override {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    PROCESS_INFORMATION process{};
};

TEST_F(Application, ClosingTheMainWindowEndsTheProgramWithSettingsOpen) {
    HWND main = WaitForWindow(L"TrapwrightMain", process.dwProcessId, 20000);
    ASSERT_NE(main, nullptr);
    wchar_t caption[32] = {};
    GetWindowTextW(main, caption, 32);
    EXPECT_STREQ(caption, L"Trapline");

    HWND settingsButton = GetDlgItem(GetDlgItem(main, IDC_PICBUTTONS), IDC_CMDSETTINGS);
    ASSERT_NE(settingsButton, nullptr);
    SendMessageW(settingsButton, BM_CLICK, 0, 0);
    ASSERT_NE(WaitForWindow(L"TrapwrightSettings", process.dwProcessId, 5000), nullptr);

    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(Application, ExitEndsTheProgram) {
    HWND main = WaitForWindow(L"TrapwrightMain", process.dwProcessId, 20000);
    ASSERT_NE(main, nullptr);
    HWND exitButton = GetDlgItem(GetDlgItem(main, IDC_PICBUTTONS), IDC_CMDEXIT);
    PostMessageW(exitButton, BM_CLICK, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

// The whole road as a user takes it: the real Open dialog, the tree, the
// add command and its closing message, and the files compared byte for byte
// with the example project's expected result.
TEST_F(Application, OpensTheExampleThroughTheDialogAndAddsTheHandlers) {
    const std::filesystem::path examples(HostPath(TRAPWRIGHT_EXAMPLES));
    wintest::ScratchDir folder;
    const auto copyOptions = std::filesystem::copy_options::recursive;
    std::filesystem::copy(examples / "Shared", folder / "Shared", copyOptions);
    for (const char* name : {"Demo.vbp", "frmMain.frm", "modMain.bas", "clsCustomer.cls", "ctlGauge.ctl"}) {
        std::filesystem::copy_file(examples / name, folder / name);
    }

    HWND main = WaitForWindow(L"TrapwrightMain", process.dwProcessId, 20000);
    ASSERT_NE(main, nullptr);
    HWND bar = GetDlgItem(main, IDC_PICBUTTONS);
    PostMessageW(GetDlgItem(bar, IDC_CMDOPEN), BM_CLICK, 0, 0);
    HWND dialog = WaitForWindow(L"#32770", process.dwProcessId, 10000, L"Open Project");
    ASSERT_NE(dialog, nullptr);
    HWND name = GetDlgItem(dialog, cmb13);
    if (!name) name = GetDlgItem(dialog, edt1);
    ASSERT_NE(name, nullptr);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((folder / "Demo.vbp").wstring().c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);

    HWND tree = GetDlgItem(main, IDC_TVPROJECT);
    const DWORD start = GetTickCount();
    // The tree is built in one go inside the other process: wait for it to appear and settle.
    while (TreeView_GetCount(tree) == 0 && GetTickCount() - start < 10000) Sleep(50);
    Sleep(300);
    // Root, four folders and five objects.
    EXPECT_EQ(TreeView_GetCount(tree), 10u);

    PostMessageW(GetDlgItem(bar, IDC_CMDADDERR), BM_CLICK, 0, 0);
    HWND box = WaitForWindow(L"#32770", process.dwProcessId, 10000, L"Error handler");
    ASSERT_NE(box, nullptr);
    std::wstring text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t buffer[512] = {};
        GetWindowTextW(child, buffer, 512);
        if (wcsstr(buffer, L"Error handler is added!")) text = buffer;
    }
    // The Property Let that rejects a value with Err.Raise is named as left as it is.
    EXPECT_EQ(text.rfind(L"Error handler is added! Remember to append the file 'modDebugErr.bas' if you want it to "
                         L"work correctly.\r\n\r\n1 procedure(s) were left as they are:\r\n",
                         0),
              0u)
        << text.c_str();
    EXPECT_NE(text.find(L"ctlGauge.ctl:34: Let Value raises errors for its caller (line 35); a block would catch them"),
              std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);

    for (const char* file : {"frmMain.frm", "modMain.bas", "clsCustomer.cls", "ctlGauge.ctl", "Shared/modText.bas"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(wintest::ReadBytes(folder / file), wintest::ReadBytes(examples / "expected" / file));
    }

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
}

}  // namespace
