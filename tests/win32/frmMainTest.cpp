// The main window: frame, controls and fonts, the layout on resize
// (including minimized and very small sizes), focus order and access keys,
// and the Settings and Exit commands clicked with real button messages.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "ui/ControlIds.h"
#include "commands/DefaultTemplates.h"
#include "ui/frmMain.h"

namespace {

using wintest::ChildRect;
using wintest::PumpMessages;
using wintest::TextOf;

class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(main.Create());
        main.Show(SW_SHOWNORMAL);
        PumpMessages();
    }
    void TearDown() override {
        if (IsWindow(main.Hwnd())) DestroyWindow(main.Hwnd());
        // Closing the main window asks the program to end; take that back.
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    HWND Bar() const { return GetDlgItem(main.Hwnd(), IDC_PICBUTTONS); }
    HWND Tree() const { return GetDlgItem(main.Hwnd(), IDC_TVPROJECT); }
    HWND Button(int id) const { return GetDlgItem(Bar(), id); }
    void Click(int id) {
        SendMessageW(Button(id), BM_CLICK, 0, 0);
        PumpMessages();
    }
    static bool QuitRequested() {
        MSG quit;
        return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
    }
    frmMain main;
};

void ExpectRect(HWND control, int left, int top, int width, int height) {
    const RECT rect = ChildRect(control);
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, width);
    EXPECT_EQ(rect.bottom, height);
}

TEST_F(MainWindow, FrameIsASizableWindowCalledTrapline) {
    HWND hwnd = main.Hwnd();
    EXPECT_EQ(TextOf(hwnd), L"Trapline");
    const SIZE client = wintest::ClientSize(hwnd);
    EXPECT_EQ(client.cx, 585);
    EXPECT_EQ(client.cy, 377);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICON), 0);
}

TEST_F(MainWindow, ControlsMatchTheirTable) {
    struct Row {
        int id;
        const wchar_t* caption;
        RECT rect;  // left, top, width, height in the bar
    };
    const Row buttons[] = {
        {IDC_CMDEXIT, L"&Exit", {0, 0, 113, 25}},
        {IDC_CMDOPEN, L"&Open project", {120, 0, 113, 25}},
        {IDC_CMDSETTINGS, L"&Settings", {240, 0, 113, 25}},
        {IDC_CMDADDERR, L"&Add error handler", {360, 0, 113, 25}},
    };
    for (const Row& row : buttons) {
        SCOPED_TRACE(row.id);
        HWND button = Button(row.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(GetParent(button), Bar());
        EXPECT_EQ(TextOf(button), row.caption);
        ExpectRect(button, row.rect.left, row.rect.top, row.rect.right, row.rect.bottom);
        EXPECT_TRUE(IsWindowEnabled(button));
        EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << "no default button";
        const LOGFONTW font = wintest::FontOf(button);
        EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
        EXPECT_EQ(font.lfHeight, -11);
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
    }
    // As shown: the layout has already replaced the tree's height and the bar's top.
    ExpectRect(Tree(), 8, 8, 569, 317);
    ExpectRect(Bar(), 104, 341, 473, 25);
    EXPECT_EQ(GetWindowLongW(Bar(), GWL_STYLE) & WS_BORDER, 0);
    EXPECT_EQ(GetWindowLongW(Bar(), GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), 0);
    EXPECT_STREQ(wintest::FontOf(Tree()).lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(TreeView_GetCount(Tree()), 0u) << "empty until a project is opened";
    EXPECT_NE(TreeView_GetImageList(Tree(), TVSIL_NORMAL), nullptr);
}

TEST_F(MainWindow, ResizingLaysTheTreeAndTheBarOut) {
    struct Row {
        int width, height;
    };
    // Real frame changes: the client area is then W x H.
    for (const Row& row : {Row{585, 377}, Row{800, 600}, Row{640, 200}, Row{300, 300}}) {
        SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
        RECT frame{0, 0, row.width, row.height};
        AdjustWindowRectEx(&frame, GetWindowLongW(main.Hwnd(), GWL_STYLE), FALSE,
                           GetWindowLongW(main.Hwnd(), GWL_EXSTYLE));
        SetWindowPos(main.Hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
        const SIZE client = wintest::ClientSize(main.Hwnd());
        ASSERT_EQ(client.cx, row.width);
        ASSERT_EQ(client.cy, row.height);
        ExpectRect(Tree(), 8, 8, row.width - 16, row.height - 60);
        ExpectRect(Bar(), row.width - 481, row.height - 36, 473, 25);
        ExpectRect(Button(IDC_CMDADDERR), 360, 0, 113, 25);
    }
}

TEST_F(MainWindow, ResizeMessagesForAnySizeNeverFail) {
    struct Row {
        int width, height;
        RECT tree, bar;
    };
    const Row rows[] = {
        {481, 100, {8, 8, 465, 40}, {0, 64, 473, 25}},
        {100, 60, {8, 8, 84, 0}, {-381, 24, 473, 25}},
        {16, 60, {8, 8, 0, 0}, {-465, 24, 473, 25}},
        // Below 16 x 60 the tree's size is held at zero.
        {10, 20, {8, 8, 0, 0}, {-471, 24, 473, 25}},
        {0, 0, {8, 8, 0, 0}, {-481, 24, 473, 25}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
        SendMessageW(main.Hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(row.width, row.height));
        ExpectRect(Tree(), row.tree.left, row.tree.top, row.tree.right, row.tree.bottom);
        ExpectRect(Bar(), row.bar.left, row.bar.top, row.bar.right, row.bar.bottom);
    }
}

TEST_F(MainWindow, MinimizeAndRestoreKeepTheLayout) {
    ShowWindow(main.Hwnd(), SW_MINIMIZE);
    PumpMessages(100);
    EXPECT_TRUE(IsIconic(main.Hwnd()));
    EXPECT_TRUE(IsWindow(main.Hwnd()));
    ShowWindow(main.Hwnd(), SW_RESTORE);
    PumpMessages(100);
    ExpectRect(Tree(), 8, 8, 569, 317);
    ExpectRect(Bar(), 104, 341, 473, 25);
    ShowWindow(main.Hwnd(), SW_MAXIMIZE);
    PumpMessages(100);
    const SIZE client = wintest::ClientSize(main.Hwnd());
    ExpectRect(Tree(), 8, 8, client.cx - 16, client.cy - 60);
    ExpectRect(Bar(), client.cx - 481, client.cy - 36, 473, 25);
}

TEST_F(MainWindow, TabFollowsTheTabOrder) {
    EXPECT_EQ(GetFocus(), Button(IDC_CMDSETTINGS));
    const HWND order[] = {Button(IDC_CMDEXIT), Button(IDC_CMDADDERR), Tree(), Button(IDC_CMDOPEN),
                          Button(IDC_CMDSETTINGS)};
    for (HWND expected : order) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        PumpMessages();
        EXPECT_EQ(GetFocus(), expected);
    }
}

TEST_F(MainWindow, SettingsShowsOneWindowAndTheMainWindowStaysUsable) {
    Click(IDC_CMDSETTINGS);
    frmSettings& settings = main.Settings();
    ASSERT_TRUE(settings.Visible());
    HWND first = settings.Hwnd();
    EXPECT_EQ(GetWindow(first, GW_OWNER), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));
    Click(IDC_CMDSETTINGS);
    EXPECT_EQ(settings.Hwnd(), first);
    EXPECT_EQ(FindWindowExW(nullptr, first, L"TrapwrightSettings", nullptr), nullptr);

    // Hidden by OK, shown again with its text.
    SetWindowTextW(GetDlgItem(first, IDC_TXTPROCBEGIN), L"' kept\r\n");
    SendMessageW(GetDlgItem(first, IDC_CMDOK), BM_CLICK, 0, 0);
    Click(IDC_CMDSETTINGS);
    EXPECT_EQ(settings.Hwnd(), first);
    EXPECT_TRUE(settings.Visible());
    EXPECT_EQ(TextOf(GetDlgItem(first, IDC_TXTPROCBEGIN)), L"' kept\r\n");

    // Closed with its close box, it comes back with the defaults.
    SendMessageW(first, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(settings.Loaded());
    Click(IDC_CMDSETTINGS);
    EXPECT_TRUE(settings.Visible());
    EXPECT_EQ(settings.ProcBegin(), templates::DefaultBeginTemplate());
}

TEST_F(MainWindow, AccessKeysClickTheirButtons) {
    PostMessageW(GetFocus(), WM_SYSCHAR, L's', 1 << 29);
    PumpMessages();
    EXPECT_TRUE(main.Settings().Visible());
    PostMessageW(Tree(), WM_SYSCHAR, L'E', 1 << 29);
    PumpMessages();
    EXPECT_FALSE(IsWindow(main.Hwnd()));
}

TEST_F(MainWindow, ExitClosesTheWindowAndEndsTheProgramWithSettingsLoaded) {
    Click(IDC_CMDSETTINGS);
    SendMessageW(GetDlgItem(main.Settings().Hwnd(), IDC_CMDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(main.Settings().Loaded());
    EXPECT_FALSE(QuitRequested());
    Click(IDC_CMDEXIT);
    EXPECT_FALSE(IsWindow(main.Hwnd()));
    EXPECT_FALSE(main.Settings().Loaded());
    EXPECT_TRUE(QuitRequested());
}

TEST_F(MainWindow, TheCloseBoxEndsTheProgramWhileSettingsIsVisible) {
    Click(IDC_CMDSETTINGS);
    ASSERT_TRUE(main.Settings().Visible());
    SendMessageW(main.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(main.Hwnd()));
    EXPECT_FALSE(FindWindowW(L"TrapwrightSettings", nullptr));
    EXPECT_TRUE(QuitRequested());
}

}  // namespace
