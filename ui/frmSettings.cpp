// frmSettings: the settings window and its lifecycle.
#include "ui/frmSettings.h"

#include "ui/ControlIds.h"
#include "commands/DefaultTemplates.h"

namespace {

constexpr wchar_t ClassName[] = L"TrapwrightSettings";
constexpr DWORD WindowStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD WindowExStyle = WS_EX_TOOLWINDOW;
constexpr DWORD TextBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL |
    ES_WANTRETURN;

bool RegisterOnce(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, ClassName, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = frmSettings::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = ClassName;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

frmSettings::~frmSettings() { Unload(); }

bool frmSettings::Load() {
    if (hwnd_) return true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterOnce(instance)) return false;
    RECT frame{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, WindowStyle, FALSE, WindowExStyle);
    shownBefore_ = false;
    // No owner: the window lives on its own and has no task-bar button.
    return CreateWindowExW(WindowExStyle, ClassName, L"Settings", WindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                           this) != nullptr;
}

void frmSettings::Unload() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void frmSettings::Show() {
    if (!Load()) return;
    if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    BringWindowToTop(hwnd_);
    if (!shownBefore_) {
        shownBefore_ = true;
        SetFocus(txtProcBegin_);
    }
}

Text frmSettings::ProcBegin() { return TemplateText(&frmSettings::txtProcBegin_); }
Text frmSettings::ProcEnd() { return TemplateText(&frmSettings::txtProcEnd_); }

Text frmSettings::TemplateText(HWND frmSettings::*box) {
    if (!Load()) throw vb::VbError(vb::ErrOutOfMemory, "the settings window could not be created");
    return ui::WindowText(this->*box);
}

HWND frmSettings::CreateControl(const wchar_t* className, const Text& text, DWORD style, DWORD exStyle, int id,
                                int left, int top, int width, int height, HFONT font) {
    HWND control = CreateWindowExW(exStyle, className, ui::Wide(text).c_str(), style, left, top, width, height, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

bool frmSettings::OnCreate() {
    font_ = ui::CreateWindowFont(false);
    boldFont_ = ui::CreateWindowFont(true);
    if (!font_ || !boldFont_) return false;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);

    lblProcBegin_ = CreateControl(L"Static", u"Procedure begin:", WS_CHILD | WS_VISIBLE | SS_LEFT, 0,
                                  IDC_LBLPROCBEGIN, 8, 16, 201, 17, boldFont_.Get());
    lblProcEnd_ = CreateControl(L"Static", u"Procedure end:", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, IDC_LBLPROCEND, 8,
                                168, 121, 17, boldFont_.Get());
    txtProcBegin_ = CreateControl(L"Edit", templates::DefaultBeginTemplate(), TextBoxStyle, WS_EX_CLIENTEDGE,
                                  IDC_TXTPROCBEGIN, 8, 40, 489, 105, font_.Get());
    txtProcEnd_ = CreateControl(L"Edit", templates::DefaultEndTemplate(), TextBoxStyle, WS_EX_CLIENTEDGE,
                                IDC_TXTPROCEND, 8, 192, 489, 105, font_.Get());
    cmdOK_ = CreateControl(L"Button", u"&Ok", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_CMDOK, 408,
                           320, 89, 25, font_.Get());
    if (!lblProcBegin_ || !lblProcEnd_ || !txtProcBegin_ || !txtProcEnd_ || !cmdOK_) return false;
    // No length limit beyond the control's own maximum.
    SendMessageW(txtProcBegin_, EM_SETLIMITTEXT, 0, 0);
    SendMessageW(txtProcEnd_, EM_SETLIMITTEXT, 0, 0);

    keys_.Attach(hwnd_);
    keys_.SetTabOrder({txtProcBegin_, txtProcEnd_, cmdOK_});
    keys_.AddAccessKey(L'O', cmdOK_);
    return true;
}

void frmSettings::OnCommand(WPARAM wParam) {
    if (LOWORD(wParam) == IDC_CMDOK && HIWORD(wParam) == BN_CLICKED) ShowWindow(hwnd_, SW_HIDE);
}

LRESULT CALLBACK frmSettings::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<frmSettings*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<frmSettings*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT frmSettings::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_COMMAND:
        OnCommand(wParam);
        return 0;
    case WM_ACTIVATE:
        keys_.OnActivate(wParam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd_);
        return 0;
    case WM_NCDESTROY: {
        HWND hwnd = hwnd_;
        hwnd_ = lblProcBegin_ = lblProcEnd_ = txtProcBegin_ = txtProcEnd_ = cmdOK_ = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        keys_.Detach();
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}
