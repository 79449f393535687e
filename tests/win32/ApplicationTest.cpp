// Trapwright.exe as a process: it starts into its main window, and closing
// that window ends the program even while the settings window is loaded.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "ui/ControlIds.h"

namespace {

// The built executable, as a path Wine can open (its Z: drive is "/").
std::wstring ExecutablePath() {
    std::string path = TRAPWRIGHT_EXE;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return std::wstring(path.begin(), path.end());
}

HWND WaitForWindow(const wchar_t* className, DWORD processId, DWORD timeout) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
        for (HWND hwnd = FindWindowW(className, nullptr); hwnd; hwnd = FindWindowExW(nullptr, hwnd, className, nullptr)) {
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

}  // namespace
