// The settings window as the user meets it: frame, controls, fonts, default
// texts, focus order and access key, and its lifecycle (OK hides, the close
// box unloads and discards edits, a template read loads it hidden).
#include <windows.h>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "ui/ControlIds.h"
#include "commands/DefaultTemplates.h"
#include "ui/frmSettings.h"

namespace {

using wintest::ChildRect;
using wintest::PumpMessages;
using wintest::TextOf;

class SettingsWindow : public testing::Test {
protected:
    ~SettingsWindow() override { settings.Unload(); }
    HWND Control(int id) const { return GetDlgItem(settings.Hwnd(), id); }
    frmSettings settings;
};

const std::wstring DefaultBegin(templates::DefaultBeginTemplate().begin(), templates::DefaultBeginTemplate().end());

TEST_F(SettingsWindow, FrameIsAFixedToolWindowWithoutOwner) {
    settings.Show();
    PumpMessages();
    HWND hwnd = settings.Hwnd();
    EXPECT_EQ(TextOf(hwnd), L"Settings");
    const SIZE client = wintest::ClientSize(hwnd);
    EXPECT_EQ(client.cx, 509);
    EXPECT_EQ(client.cy, 353);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_EQ(GetParent(hwnd), nullptr);
}

TEST_F(SettingsWindow, ControlsMatchTheirTable) {
    struct Row {
        int id;
        const wchar_t* className;
        const wchar_t* caption;  // null: the text box rows, checked below
        RECT rect;               // left, top, width, height
        LONG weight;
    };
    const Row rows[] = {
        {IDC_LBLPROCBEGIN, L"Static", L"Procedure begin:", {8, 16, 201, 17}, FW_BOLD},
        {IDC_LBLPROCEND, L"Static", L"Procedure end:", {8, 168, 121, 17}, FW_BOLD},
        {IDC_TXTPROCBEGIN, L"Edit", nullptr, {8, 40, 489, 105}, FW_NORMAL},
        {IDC_TXTPROCEND, L"Edit", nullptr, {8, 192, 489, 105}, FW_NORMAL},
        {IDC_CMDOK, L"Button", L"&Ok", {408, 320, 89, 25}, FW_NORMAL},
    };
    settings.Show();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        HWND control = Control(row.id);
        ASSERT_NE(control, nullptr);
        wchar_t className[32];
        GetClassNameW(control, className, 32);
        EXPECT_EQ(lstrcmpiW(className, row.className), 0) << className;
        if (row.caption) {
            EXPECT_EQ(TextOf(control), row.caption);
        }
        const RECT rect = ChildRect(control);
        EXPECT_EQ(rect.left, row.rect.left);
        EXPECT_EQ(rect.top, row.rect.top);
        EXPECT_EQ(rect.right, row.rect.right);
        EXPECT_EQ(rect.bottom, row.rect.bottom);
        const LOGFONTW font = wintest::FontOf(control);
        EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
        EXPECT_EQ(font.lfHeight, -11);  // 8.25 points at 96 dots per inch
        EXPECT_EQ(font.lfWeight, row.weight);
    }
    for (int id : {IDC_TXTPROCBEGIN, IDC_TXTPROCEND}) {
        const LONG style = GetWindowLongW(Control(id), GWL_STYLE);
        EXPECT_TRUE(style & ES_MULTILINE);
        EXPECT_TRUE(style & WS_HSCROLL);
        EXPECT_TRUE(style & WS_VSCROLL);
        EXPECT_TRUE(style & ES_AUTOHSCROLL) << "no word wrap";
        EXPECT_TRUE(style & ES_WANTRETURN);
    }
    EXPECT_FALSE(GetWindowLongW(Control(IDC_CMDOK), GWL_STYLE) & BS_DEFPUSHBUTTON);
}

TEST_F(SettingsWindow, StartsWithTheDefaultTemplates) {
    settings.Show();
    EXPECT_EQ(TextOf(Control(IDC_TXTPROCBEGIN)), DefaultBegin);
    EXPECT_EQ(DefaultBegin.size(), 227u);
    EXPECT_EQ(DefaultBegin.substr(0, 31), L"' *** START ERROR HANDLER ***\r\n");
    EXPECT_EQ(TextOf(Control(IDC_TXTPROCEND)), L"");
    EXPECT_EQ(settings.ProcBegin(), templates::DefaultBeginTemplate());
    EXPECT_EQ(settings.ProcEnd(), u"");
}

TEST_F(SettingsWindow, FocusStartsInTheBeginTextAndTabFollowsTheTabOrder) {
    settings.Show();
    PumpMessages();
    EXPECT_EQ(GetFocus(), Control(IDC_TXTPROCBEGIN));
    const int forward[] = {IDC_TXTPROCEND, IDC_CMDOK, IDC_TXTPROCBEGIN};
    for (int id : forward) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        PumpMessages();
        EXPECT_EQ(GetFocus(), Control(id)) << id;
    }
    // Shift+Tab goes back; the Tab itself never lands in the text.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    PumpMessages();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(GetFocus(), Control(IDC_CMDOK));
    EXPECT_EQ(TextOf(Control(IDC_TXTPROCBEGIN)), DefaultBegin);
}

TEST_F(SettingsWindow, EnterInATextBoxStartsANewLineStoredAsCrLf) {
    settings.Show();
    HWND box = Control(IDC_TXTPROCEND);
    SetFocus(box);
    SetWindowTextW(box, L"ab");
    SendMessageW(box, EM_SETSEL, 1, 1);
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    PumpMessages();
    EXPECT_EQ(settings.ProcEnd(), u"a\r\nb");
    EXPECT_TRUE(settings.Visible());
}

TEST_F(SettingsWindow, OkHidesAndKeepsTheEditedTexts) {
    settings.Show();
    SetWindowTextW(Control(IDC_TXTPROCBEGIN), L"' begin\r\n");
    SetWindowTextW(Control(IDC_TXTPROCEND), L"' end\r\n");
    SendMessageW(Control(IDC_CMDOK), BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_TRUE(settings.Loaded());
    EXPECT_FALSE(settings.Visible());
    EXPECT_EQ(settings.ProcBegin(), u"' begin\r\n");

    settings.Show();
    EXPECT_TRUE(settings.Visible());
    EXPECT_EQ(TextOf(Control(IDC_TXTPROCBEGIN)), L"' begin\r\n");
    EXPECT_EQ(TextOf(Control(IDC_TXTPROCEND)), L"' end\r\n");
}

TEST_F(SettingsWindow, AltOClicksOk) {
    settings.Show();
    PostMessageW(Control(IDC_TXTPROCBEGIN), WM_SYSCHAR, L'o', 1 << 29);
    PumpMessages();
    EXPECT_TRUE(settings.Loaded());
    EXPECT_FALSE(settings.Visible());
}

TEST_F(SettingsWindow, TheCloseBoxUnloadsAndTheEditsAreLost) {
    settings.Show();
    SetWindowTextW(Control(IDC_TXTPROCBEGIN), L"' edited\r\n");
    SendMessageW(settings.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_FALSE(settings.Loaded());
    EXPECT_FALSE(FindWindowW(L"TrapwrightSettings", nullptr));

    settings.Show();
    EXPECT_EQ(TextOf(Control(IDC_TXTPROCBEGIN)), DefaultBegin);
}

TEST_F(SettingsWindow, ATemplateReadWhileNotLoadedLoadsItHiddenWithTheDefaults) {
    EXPECT_FALSE(settings.Loaded());
    EXPECT_EQ(settings.ProcEnd(), u"");
    EXPECT_TRUE(settings.Loaded());
    EXPECT_FALSE(settings.Visible());
    EXPECT_EQ(settings.ProcBegin(), templates::DefaultBeginTemplate());
    // Shown afterwards, it keeps being the one window.
    settings.Show();
    EXPECT_TRUE(settings.Visible());
    EXPECT_EQ(FindWindowExW(nullptr, settings.Hwnd(), L"TrapwrightSettings", nullptr), nullptr);
}

}  // namespace
