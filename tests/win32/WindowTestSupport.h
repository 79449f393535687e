// Helpers for the Windows suites: message pumping, geometry and fonts of real windows, and a watcher that reads and
// dismisses the real message boxes that a command shows.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "file_dialogs/clsOpenSave.h"

namespace wintest {

using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

/// Dispatches the thread's messages (through the application's keyboard
/// handling) for at least `milliseconds`.
void PumpMessages(DWORD milliseconds = 0);

/// Position and size of a child window relative to its parent's client area.
RECT ChildRect(HWND child);
/// Width and height of a window's client area.
SIZE ClientSize(HWND hwnd);
/// The font a control draws with.
LOGFONTW FontOf(HWND hwnd);
std::wstring TextOf(HWND hwnd);

/// What a message box showed.
struct SeenBox {
    std::wstring title;
    std::wstring text;
    HICON icon = nullptr;           ///< the icon it shows, null for none
    std::vector<int> buttonIds;     ///< its buttons' command IDs
    HWND owner = nullptr;
};

/// While alive, finds every message box of this thread as it appears,
/// records it and presses its OK button.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
    const std::vector<SeenBox>& Boxes() const { return boxes_; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK OnWindow(HWND hwnd, LPARAM self);
    UINT_PTR timer_ = 0;
    std::vector<SeenBox> boxes_;
    std::vector<HWND> handled_;
};

/// The information icon as the system gives it to message boxes.
HICON InformationIcon();

/// What a scripted Open dialog was given, and what it answers.
struct ScriptedDialog {
    std::string answer;  ///< the path it "chooses"; empty: it cancels
    int calls = 0;
    // Copies of what the last call received.
    DWORD structSize = 0;
    HWND owner = nullptr;
    std::string filter;  ///< up to and including the double NUL
    std::string title;
    DWORD flags = 0;
    DWORD maxFile = 0;
    std::string fileBuffer;  ///< the path buffer as given, up to its NUL
    clsOpenSave::DialogFunction Function();
};

/// A path as the Text the classes take.
Text PathText(const std::filesystem::path& path);

}  // namespace wintest
