// frmSettings: the settings window, the only store of the two handler
// templates. Not loaded at start; the Settings command shows it, OK hides
// it, the close box unloads it and its edits are lost.
#pragma once

#include <windows.h>

#include "ui/Win32Support.h"
#include "vb_runtime/Text.h"

class frmSettings {
public:
    frmSettings() = default;
    ~frmSettings();
    frmSettings(const frmSettings&) = delete;
    frmSettings& operator=(const frmSettings&) = delete;

    /// Shows the window modeless and without owner: creates it with the
    /// default templates if it is not loaded, shows it with the text it held
    /// if it is hidden, brings it to the front if it is visible.
    void Show();
    /// Creates the window hidden, with the default templates, if it is not
    /// loaded. False when the window could not be created.
    bool Load();
    /// Destroys the window; its texts are discarded.
    void Unload();

    bool Loaded() const { return hwnd_ != nullptr; }
    bool Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }
    HWND Hwnd() const { return hwnd_; }

    /// The live text of txtProcBegin (the begin template); loads the window
    /// hidden first if it is not loaded.
    Text ProcBegin();
    /// The live text of txtProcEnd (the end template); loads it hidden likewise.
    Text ProcEnd();

    /// Client area, in pixels.
    static constexpr int ClientWidth = 509;
    static constexpr int ClientHeight = 353;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnCommand(WPARAM wParam);
    HWND CreateControl(const wchar_t* className, const Text& text, DWORD style, DWORD exStyle, int id, int left,
                       int top, int width, int height, HFONT font);
    /// The text of a text box, loading the window hidden first if needed.
    Text TemplateText(HWND frmSettings::*box);

    HWND hwnd_ = nullptr;
    HWND lblProcBegin_ = nullptr;
    HWND lblProcEnd_ = nullptr;
    HWND txtProcBegin_ = nullptr;
    HWND txtProcEnd_ = nullptr;
    HWND cmdOK_ = nullptr;
    ui::Font font_;
    ui::Font boldFont_;
    ui::KeyboardNavigation keys_;
    bool shownBefore_ = false;
};
