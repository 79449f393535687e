// A shown main window for the command tests, with a scripted Open dialog,
// the tree read back node by node, and a small VB6 project on disk.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "ui/ControlIds.h"
#include "ui/frmMain.h"

namespace wintest {

struct Node {
    std::wstring text;
    int image = -1;          ///< list index (tree image position - 1)
    int selectedImage = -1;
    bool bold = false;
    bool expanded = false;
    bool visible = false;    ///< on screen without any click
    std::vector<Node> children;
    friend bool operator==(const Node&, const Node&) = default;
};

inline std::vector<Node> ReadNodes(HWND tree, HTREEITEM first) {
    std::vector<Node> nodes;
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
        wchar_t text[260] = {};
        TVITEMW info{};
        info.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
        info.stateMask = TVIS_BOLD | TVIS_EXPANDED;
        info.hItem = item;
        info.pszText = text;
        info.cchTextMax = 260;
        TreeView_GetItem(tree, &info);
        Node node;
        node.text = text;
        node.image = info.iImage;
        node.selectedImage = info.iSelectedImage;
        node.bold = (info.state & TVIS_BOLD) != 0;
        node.expanded = (info.state & TVIS_EXPANDED) != 0;
        RECT rect;
        node.visible = TreeView_GetItemRect(tree, item, &rect, TRUE) != 0;
        node.children = ReadNodes(tree, TreeView_GetChild(tree, item));
        nodes.push_back(std::move(node));
    }
    return nodes;
}

class MainWindowCommands : public testing::Test {
protected:
    void SetUp() override {
        main.SetOpenDialog(dialog.Function());
        ASSERT_TRUE(main.Create());
        main.Show(SW_SHOWNORMAL);
        PumpMessages();
    }
    void TearDown() override {
        if (IsWindow(main.Hwnd())) DestroyWindow(main.Hwnd());
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    HWND Tree() const { return GetDlgItem(main.Hwnd(), IDC_TVPROJECT); }
    HWND Button(int id) const { return GetDlgItem(GetDlgItem(main.Hwnd(), IDC_PICBUTTONS), id); }
    std::vector<Node> Nodes() const { return ReadNodes(Tree(), TreeView_GetRoot(Tree())); }

    /// Clicks a button and returns the message boxes it showed, each dismissed with OK.
    std::vector<SeenBox> Click(int id) {
        MessageBoxWatcher watcher;
        SendMessageW(Button(id), BM_CLICK, 0, 0);
        PumpMessages();
        return watcher.Boxes();
    }
    /// Opens the project file through the Open command and its (scripted) dialog.
    std::vector<SeenBox> Open(const std::filesystem::path& project) {
        dialog.answer = project.string();
        return Click(IDC_CMDOPEN);
    }

    ScriptedDialog dialog;
    frmMain main;
};

}  // namespace wintest
