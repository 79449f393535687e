// frmMain: the main window "Trapline" with the project tree, the button bar
// and its four commands (Exit, Open project, Settings, Add error handler).
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "file_dialogs/clsOpenSave.h"
#include "ui/Win32Support.h"
#include "ui/frmSettings.h"
#include "vb_runtime/Text.h"

class clsProject;

class frmMain {
public:
    frmMain();
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    /// Creates the window, not yet shown. False when it could not be created.
    bool Create();
    /// Shows the window (the layout runs as it is first shown).
    void Show(int nCmdShow);
    HWND Hwnd() const { return hwnd_; }

    /// Empties tvProject and, when ControlName is "treeview" (case ignored),
    /// rebuilds it from the project: root, then one folder per kind with its
    /// objects; a folder left without objects is removed.
    void ProcessControls(const Text& ControlName);
    /// The folder caption of a kind word; empty text for any other word.
    Text GUIName(const Text& sName) const;
    /// The image position of a kind word; 0 for any other word.
    int32_t GetImageIndex(const Text& sName) const;

    /// The settings window (loaded or not).
    frmSettings& Settings() { return settings_; }
    /// The function that shows the Open dialog, used when the dialog object
    /// is created (by default comdlg32's).
    void SetOpenDialog(clsOpenSave::DialogFunction dialog) { openDialog_ = std::move(dialog); }

    /// Client area at design size, in pixels.
    static constexpr int ClientWidth = 585;
    static constexpr int ClientHeight = 377;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ButtonBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnSize(WPARAM wParam, int width, int height);
    void OnCommand(WPARAM wParam);
    void OnDestroy();

    void OnExit();
    void OnOpen();
    void OnSettings();
    void OnAddErr();
    /// Runs a command; an error it raises is shown and the program goes on.
    template <class Command>
    void RunCommand(Command command);

    clsProject& Project();
    /// Adds a node at top level (empty parentKey) or as the last child of the
    /// node with parentKey; a non-empty key makes it findable as a parent.
    HTREEITEM AddNode(const Text& parentKey, const Text& key, const Text& text, int32_t image);
    void RemoveNode(const Text& key);

    HWND hwnd_ = nullptr;
    HWND tvProject_ = nullptr;
    HWND picButtons_ = nullptr;
    HWND cmdExit_ = nullptr;
    HWND cmdOpen_ = nullptr;
    HWND cmdSettings_ = nullptr;
    HWND cmdAddErr_ = nullptr;
    ui::Font font_;
    ui::ImageList imgList_;
    ui::KeyboardNavigation keys_;
    std::map<Text, HTREEITEM> nodeKeys_;

    // Created on first use and kept for the window's lifetime.
    std::unique_ptr<clsOpenSave> dialogs_;
    // Created on first use; replaced by every Open that reads its file.
    std::unique_ptr<clsProject> project_;
    Text projectFile_;  // the file the project object was read from
    clsOpenSave::DialogFunction openDialog_;

    frmSettings settings_;
};
