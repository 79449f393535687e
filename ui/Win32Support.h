// Small helpers shared by the desktop application's windows: handle owners,
// the windows' font, text conversion at the Win32 boundary, keyboard
// navigation by tab order and access keys, and error message boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "vb_runtime/Text.h"
#include "vb_runtime/VbError.h"

namespace ui {

/// Owns a GDI object (font, bitmap, brush) and deletes it.
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset() {
        if (handle_) DeleteObject(handle_);
        handle_ = nullptr;
    }

private:
    Handle handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;

/// Owns an image list and destroys it.
class ImageList {
public:
    ImageList() = default;
    explicit ImageList(HIMAGELIST handle) : handle_(handle) {}
    ~ImageList() {
        if (handle_) ImageList_Destroy(handle_);
    }
    ImageList(ImageList&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ImageList& operator=(ImageList&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    HIMAGELIST Get() const { return handle_; }

private:
    HIMAGELIST handle_ = nullptr;
};

/// "MS Sans Serif", 8.25 points at 96 dots per inch (11 pixels), regular or bold.
Font CreateWindowFont(bool bold);

inline std::wstring Wide(vb::TextView text) { return std::wstring(text.begin(), text.end()); }
inline Text FromWide(std::wstring_view text) { return Text(text.begin(), text.end()); }

/// The whole text of a window or control.
Text WindowText(HWND hwnd);

/// Tab order and access keys of one top-level window, handled before a
/// message is dispatched (the windows are not dialogs, so nothing else does).
class KeyboardNavigation {
public:
    /// Registers the navigation for the top-level window `window`.
    void Attach(HWND window);
    /// Unregisters it (before the window is destroyed).
    void Detach();
    /// Controls that take the focus, in tab order.
    void SetTabOrder(std::vector<HWND> controls) { tabOrder_ = std::move(controls); }
    /// A button clicked by Alt with the letter (or the letter alone while a
    /// button has the focus).
    void AddAccessKey(wchar_t letter, HWND button) { accessKeys_.emplace_back(letter, button); }
    /// Gives the focus to the first control in tab order that can take it.
    void FocusFirst() const;
    /// Remembers the focused control when the window is deactivated and gives
    /// the focus back when it is activated again.
    void OnActivate(WPARAM wParam);
    /// Handles Tab, Shift+Tab, access keys and Enter on a button. True when handled.
    bool Handle(const MSG& message);

private:
    bool Move(HWND from, bool backwards) const;
    bool ClickAccessKey(wchar_t letter) const;

    HWND window_ = nullptr;
    std::vector<HWND> tabOrder_;
    std::vector<std::pair<wchar_t, HWND>> accessKeys_;
    HWND lastFocus_ = nullptr;
};

/// Offers a message to the keyboard navigation of the window it belongs to.
bool PreTranslate(const MSG& message);

/// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

/// "Error N: description" and the place (a file, "file:line"), in a message box owned by `owner`.
void ShowError(HWND owner, const vb::VbError& error);

/// The caption of the main window, also the title of its error messages.
inline constexpr wchar_t AppCaption[] = L"Trapline";

}  // namespace ui
