// Helpers for the Windows suites.
#include "WindowTestSupport.h"

#include <algorithm>

#include "ui/Win32Support.h"

namespace wintest {

namespace {
MessageBoxWatcher* activeWatcher = nullptr;
}

void PumpMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Keep the quit request for the test that looks for it.
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            if (ui::PreTranslate(message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (milliseconds) Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

RECT ChildRect(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return RECT{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

SIZE ClientSize(HWND hwnd) {
    RECT rect;
    GetClientRect(hwnd, &rect);
    return SIZE{rect.right, rect.bottom};
}

LOGFONTW FontOf(HWND hwnd) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    if (handle) GetObjectW(handle, sizeof font, &font);
    return font;
}

std::wstring TextOf(HWND hwnd) { return ui::Wide(ui::WindowText(hwnd)); }

MessageBoxWatcher::MessageBoxWatcher() {
    activeWatcher = this;
    timer_ = SetTimer(nullptr, 0, 50, OnTimer);
}

MessageBoxWatcher::~MessageBoxWatcher() {
    KillTimer(nullptr, timer_);
    activeWatcher = nullptr;
}

void CALLBACK MessageBoxWatcher::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (activeWatcher) EnumThreadWindows(GetCurrentThreadId(), OnWindow, reinterpret_cast<LPARAM>(activeWatcher));
}

BOOL CALLBACK MessageBoxWatcher::OnWindow(HWND hwnd, LPARAM selfPointer) {
    auto* self = reinterpret_cast<MessageBoxWatcher*>(selfPointer);
    wchar_t className[32] = {};
    GetClassNameW(hwnd, className, 32);
    if (lstrcmpW(className, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    if (std::find(self->handled_.begin(), self->handled_.end(), hwnd) != self->handled_.end()) return TRUE;
    self->handled_.push_back(hwnd);

    SeenBox box;
    box.title = TextOf(hwnd);
    box.owner = GetWindow(hwnd, GW_OWNER);
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        GetClassNameW(child, className, 32);
        if (!IsWindowVisible(child)) continue;
        if (lstrcmpiW(className, L"Button") == 0) {
            box.buttonIds.push_back(GetDlgCtrlID(child));
        } else if (lstrcmpiW(className, L"Static") == 0) {
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                box.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            } else if (GetWindowTextLengthW(child) > 0) {
                box.text = TextOf(child);
            }
        }
    }
    self->boxes_.push_back(box);
    PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

HICON InformationIcon() { return LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_INFORMATION)); }

clsOpenSave::DialogFunction ScriptedDialog::Function() {
    return [this](OPENFILENAMEA* record) -> BOOL {
        ++calls;
        structSize = record->lStructSize;
        owner = record->hwndOwner;
        const char* end = record->lpstrFilter;
        while (end[0] || end[1]) ++end;
        filter.assign(record->lpstrFilter, end + 2);
        title = record->lpstrTitle ? record->lpstrTitle : "";
        flags = record->Flags;
        maxFile = record->nMaxFile;
        fileBuffer = record->lpstrFile;
        if (answer.empty()) return FALSE;
        lstrcpynA(record->lpstrFile, answer.c_str(), static_cast<int>(record->nMaxFile));
        record->nFilterIndex = 1;
        return TRUE;
    };
}

Text PathText(const std::filesystem::path& path) {
    const std::wstring wide = path.wstring();
    return Text(wide.begin(), wide.end());
}

}  // namespace wintest
