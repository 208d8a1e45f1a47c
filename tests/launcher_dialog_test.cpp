// tests/launcher_dialog_test.cpp: the region-selection dialog run in this process, for what
// another process cannot see under Wine: the system menu, the icons, and painting while
// minimized (a minimized window has an empty client area, so the icon it draws is clipped away
// and has to be caught at the DrawIcon call instead).
#include "app/launcher_dlg.h"
#include "platform/app.h"
#include "res/resource.h"

#include "tests/support/expected_texts.h"
#include "tests/support/hex.h"
#include "tests/support/pe_image.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The dialog loads its icon through the application object, and commands that nobody in the
// dialog handles go on to it.
class CTestApp : public CWinApp {
public:
    int m_helpCommands = 0;
    void OnHelpCommand() { ++m_helpCommands; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelpCommand)
END_MESSAGE_MAP()

static CTestApp s_testApp;

namespace {

// --- Recording DrawIcon: this program's import of it is pointed at a recorder. -------------

struct DrawIconCall {
    HDC hdc;
    int x, y;
    HICON icon;
};
std::vector<DrawIconCall> g_drawIconCalls;
decltype(&DrawIcon) g_realDrawIcon;

BOOL WINAPI RecordingDrawIcon(HDC hdc, int x, int y, HICON icon)
{
    g_drawIconCalls.push_back({hdc, x, y, icon});
    return g_realDrawIcon(hdc, x, y, icon);
}

// --- Running the dialog with a check inside its modal loop. ----------------------------------

CDialog* g_running;
void (*g_inspect)(HWND);

void CALLBACK InspectThenCancel(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND dlg = g_running->m_hWnd;
    ASSERT_NE(dlg, nullptr);
    g_inspect(dlg);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// Runs dlg modally; once its loop is running, calls inspect with its window, then cancels it.
// A dialog that does not end, or a box that opens over it, fails the test in seconds.
INT_PTR RunWith(CDialog& dlg, void (*inspect)(HWND))
{
    g_running = &dlg;
    g_inspect = inspect;
    SetTimer(nullptr, 0, 10, InspectThenCancel);
    test::Watchdog dog("the dialog's modal loop, cancelled after the checks,", 5000);
    return dlg.DoModal();
}

HICON AppIcon()
{
    return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

// Records WM_ICONERASEBKGND as the dialog's window procedure sees it.
WNDPROC g_dialogProc;
std::vector<std::pair<WPARAM, LPARAM>> g_iconErase;
LRESULT CALLBACK RecordingDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ICONERASEBKGND)
        g_iconErase.emplace_back(wParam, lParam);
    return CallWindowProcA(g_dialogProc, hwnd, message, wParam, lParam);
}

TEST(LauncherDialog, SystemMenuEndsWithASeparatorAndTheAboutItem)
{
    CLauncherDlg dlg;
    EXPECT_EQ(RunWith(dlg, [](HWND hwnd) {
        HMENU menu = GetSystemMenu(hwnd, FALSE);
        ASSERT_NE(menu, nullptr);
        const int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_TRUE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
        char text[64] = {};
        GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
        EXPECT_EQ(test::Hex(text), test::Hex(test::gbk::kAboutItem));
        int aboutItems = 0;
        for (int i = 0; i < count; ++i)
            aboutItems += GetMenuItemID(menu, i) == static_cast<UINT>(IDM_ABOUTBOX);
        EXPECT_EQ(aboutItems, 1);
    }), IDCANCEL);
}

TEST(LauncherDialog, BigSmallAndDragIconsAreTheApplicationIcon)
{
    CLauncherDlg dlg;
    RunWith(dlg, [](HWND hwnd) {
        const HICON icon = AppIcon();
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0)), icon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0)), icon);
        // A dialog procedure returns this one directly rather than through DWLP_MSGRESULT.
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0)), icon);
    });
}

TEST(LauncherDialog, CommandsItDoesNotHandleGoOnToTheApplication)
{
    s_testApp.m_helpCommands = 0;
    CLauncherDlg dlg;
    s_testApp.m_pMainWnd = &dlg;
    EXPECT_EQ(RunWith(dlg, [](HWND hwnd) {
        // As a menu or an accelerator sends it: no control handle.
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(ID_HELP, 0), 0);
        EXPECT_EQ(s_testApp.m_helpCommands, 1);
        // A list notification is not a command, for the dialog or the application.
        HWND list = GetDlgItem(hwnd, IDC_REGION_LIST);
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_REGION_LIST, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(list));
        EXPECT_EQ(s_testApp.m_helpCommands, 1);
        EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 19);
    }), IDCANCEL);
    // The window is gone, and so is the application's pointer to it.
    EXPECT_EQ(s_testApp.m_pMainWnd, nullptr);
}

TEST(LauncherDialog, ADialogThatCannotBeCreatedLeavesNoMainWindowBehind)
{
    CDialog missing(4242);  // no such template
    s_testApp.m_pMainWnd = &missing;
    test::Watchdog dog("DoModal of a dialog with no template", 5000);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(s_testApp.m_pMainWnd, nullptr);
}

TEST(LauncherDialog, MinimizedItErasesThenDrawsTheIconCentred)
{
    const test::ScopedImportHook hook("user32.dll", "DrawIcon",
                                      reinterpret_cast<void*>(&RecordingDrawIcon));
    ASSERT_TRUE(hook.Installed()) << "this program does not import DrawIcon";
    g_realDrawIcon = hook.Original<decltype(&DrawIcon)>();
    CLauncherDlg dlg;
    RunWith(dlg, [](HWND hwnd) {
        g_dialogProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingDialogProc)));

        ShowWindow(hwnd, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(hwnd));
        g_iconErase.clear();
        g_drawIconCalls.clear();
        SendMessageA(hwnd, WM_PAINT, 0, 0);

        ASSERT_EQ(g_iconErase.size(), 1u);
        ASSERT_EQ(g_drawIconCalls.size(), 1u);
        const DrawIconCall& call = g_drawIconCalls[0];
        EXPECT_NE(call.hdc, nullptr);
        EXPECT_EQ(g_iconErase[0].first, reinterpret_cast<WPARAM>(call.hdc));
        EXPECT_EQ(g_iconErase[0].second, 0);
        EXPECT_EQ(call.icon, AppIcon());
        // Centred: the icon's middle within a pixel of the client area's, in half pixels.
        RECT rc;
        GetClientRect(hwnd, &rc);
        const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
        EXPECT_LE(std::abs((2 * call.x + cx) - (rc.left + rc.right)), 2)
            << "icon at x " << call.x << ", client area " << rc.left << " to " << rc.right;
        EXPECT_LE(std::abs((2 * call.y + cy) - (rc.top + rc.bottom)), 2)
            << "icon at y " << call.y << ", client area " << rc.top << " to " << rc.bottom;

        // Restored, painting is the system's: no icon.
        ShowWindow(hwnd, SW_RESTORE);
        ASSERT_FALSE(IsIconic(hwnd));
        g_iconErase.clear();
        g_drawIconCalls.clear();
        InvalidateRect(hwnd, nullptr, TRUE);
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        EXPECT_TRUE(g_iconErase.empty());
        EXPECT_TRUE(g_drawIconCalls.empty());
        RECT update;
        EXPECT_FALSE(GetUpdateRect(hwnd, &update, FALSE)) << "default painting validates";

        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_dialogProc));
    });
}

}  // namespace
