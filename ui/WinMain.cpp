// Trapwright.exe: creates the main window, shows it and runs until it is closed.
#include <windows.h>
#include <commctrl.h>

#include "ui/Win32Support.h"
#include "ui/frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int nCmdShow) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    frmMain main;
    if (!main.Create()) return 1;
    main.Show(nCmdShow);
    return ui::RunMessageLoop();
}
