// Helpers shared by the desktop application's windows.
#include "ui/Win32Support.h"

#include <algorithm>
#include <cwctype>

#include "vb_runtime/CodePage.h"

namespace ui {

namespace {

constexpr wchar_t NavigationProperty[] = L"Trapwright.KeyboardNavigation";

bool IsButton(HWND hwnd) {
    wchar_t className[16] = {};
    GetClassNameW(hwnd, className, 16);
    return lstrcmpiW(className, L"Button") == 0;
}

bool CanTakeFocus(HWND hwnd) { return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd); }

}  // namespace

Font CreateWindowFont(bool bold) {
    return Font(CreateFontW(-11, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            L"MS Sans Serif"));
}

Text WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return FromWide(text);
}

void KeyboardNavigation::Attach(HWND window) {
    window_ = window;
    SetPropW(window, NavigationProperty, this);
}

void KeyboardNavigation::Detach() {
    if (window_) RemovePropW(window_, NavigationProperty);
    window_ = nullptr;
    lastFocus_ = nullptr;
}

void KeyboardNavigation::FocusFirst() const {
    for (HWND control : tabOrder_) {
        if (CanTakeFocus(control)) {
            SetFocus(control);
            return;
        }
    }
}

void KeyboardNavigation::OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) lastFocus_ = focus;
    } else if (lastFocus_ && IsWindow(lastFocus_) && CanTakeFocus(lastFocus_)) {
        SetFocus(lastFocus_);
    } else {
        FocusFirst();
    }
}

bool KeyboardNavigation::Move(HWND from, bool backwards) const {
    const int count = static_cast<int>(tabOrder_.size());
    if (count == 0) return false;
    int current = -1;
    for (int i = 0; i < count; ++i) {
        if (tabOrder_[i] == from || IsChild(tabOrder_[i], from)) current = i;
    }
    for (int step = 1; step <= count; ++step) {
        const int start = current < 0 ? (backwards ? 0 : -1) : current;
        const int index = ((start + (backwards ? -step : step)) % count + count) % count;
        if (CanTakeFocus(tabOrder_[index])) {
            SetFocus(tabOrder_[index]);
            return true;
        }
    }
    return false;
}

bool KeyboardNavigation::ClickAccessKey(wchar_t letter) const {
    for (const auto& [key, button] : accessKeys_) {
        if (std::towupper(key) != std::towupper(letter) || !CanTakeFocus(button)) continue;
        SetFocus(button);
        SendMessageW(button, BM_CLICK, 0, 0);
        return true;
    }
    return false;
}

bool KeyboardNavigation::Handle(const MSG& message) {
    switch (message.message) {
    case WM_KEYDOWN:
        if (message.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
            Move(message.hwnd, GetKeyState(VK_SHIFT) < 0);
            return true;
        }
        if (message.wParam == VK_RETURN && IsButton(message.hwnd)) {
            SendMessageW(message.hwnd, BM_CLICK, 0, 0);
            return true;
        }
        return false;
    case WM_CHAR:
        // A Tab never reaches a control as a character; the key moved the focus.
        if (message.wParam == L'\t') return true;
        return IsButton(message.hwnd) && ClickAccessKey(static_cast<wchar_t>(message.wParam));
    case WM_SYSCHAR:
        return ClickAccessKey(static_cast<wchar_t>(message.wParam));
    default:
        return false;
    }
}

bool PreTranslate(const MSG& message) {
    if (!message.hwnd) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    auto* navigation = static_cast<KeyboardNavigation*>(GetPropW(root, NavigationProperty));
    return navigation && navigation->Handle(message);
}

int RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void ShowError(HWND owner, const vb::VbError& error) {
    std::wstring text = L"Error " + std::to_wstring(error.Number()) + L": " +
                        Wide(vb::FromUtf8(error.Description()));
    if (!error.Context().empty()) text += L"\r\n\r\n" + Wide(vb::FromUtf8(error.Context()));
    MessageBoxW(owner, text.c_str(), AppCaption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace ui
