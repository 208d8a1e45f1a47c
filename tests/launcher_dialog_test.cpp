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
#include "tests/support/modal.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// --- The dialog's icons. -------------------------------------------------------------------

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

TEST(LauncherDialog, BigSmallAndDragIconsAreTheApplicationIcon)
{
    CLauncherDlg dlg;
    test::RunWith(dlg, [](HWND hwnd) {
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
    EXPECT_EQ(test::RunWith(dlg, [](HWND hwnd) {
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
    test::RunWith(dlg, [](HWND hwnd) {
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

// --- The background picture at other scales -------------------------------------------------

// Points this program's import of dll!function at replacement; returns the function it replaces,
// or null when the program does not import it.
void* HookImport(const char* dll, const char* function, void* replacement)
{
    void** slot = test::FindImportSlot(GetModuleHandleA(nullptr), dll, function);
    if (slot == nullptr)
        return nullptr;
    DWORD old;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    void* real = *slot;
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, old, &old);
    return real;
}

// Every bitmap the dialog code makes goes through CreateDIBSection; the handles are kept here.
std::vector<HBITMAP> g_dibsCreated;
decltype(&CreateDIBSection) g_realCreateDIBSection;
HBITMAP WINAPI RecordingCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                         HANDLE section, DWORD offset)
{
    HBITMAP dib = g_realCreateDIBSection(dc, info, usage, bits, section, offset);
    g_dibsCreated.push_back(dib);
    return dib;
}

// The dialog as a larger font or display would lay it out: its units mapped to pixels are
// stretched by g_unitScale (in percent). Only what the dialog code itself maps is affected.
int g_unitScale = 100;
decltype(&MapDialogRect) g_realMapDialogRect;
BOOL WINAPI ScaledMapDialogRect(HWND dialog, LPRECT rect)
{
    const BOOL mapped = g_realMapDialogRect(dialog, rect);
    rect->left = MulDiv(rect->left, g_unitScale, 100);
    rect->top = MulDiv(rect->top, g_unitScale, 100);
    rect->right = MulDiv(rect->right, g_unitScale, 100);
    rect->bottom = MulDiv(rect->bottom, g_unitScale, 100);
    return mapped;
}

class LauncherPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        static bool hooked = false;
        if (!hooked) {
            g_realCreateDIBSection = reinterpret_cast<decltype(g_realCreateDIBSection)>(HookImport(
                "gdi32.dll", "CreateDIBSection", reinterpret_cast<void*>(&RecordingCreateDIBSection)));
            g_realMapDialogRect = reinterpret_cast<decltype(g_realMapDialogRect)>(HookImport(
                "user32.dll", "MapDialogRect", reinterpret_cast<void*>(&ScaledMapDialogRect)));
            hooked = true;
        }
        ASSERT_NE(g_realCreateDIBSection, nullptr);
        ASSERT_NE(g_realMapDialogRect, nullptr);
        g_dibsCreated.clear();
        g_unitScale = 100;
    }
    void TearDown() override { g_unitScale = 100; }
};

// The picture control: the template's first control, a bitmap static.
HWND PictureOf(HWND dialog)
{
    HWND first = GetWindow(dialog, GW_CHILD);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(GetWindowLongA(first, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
    return first;
}

// A bitmap's pixels as 0x00RRGGBB, rows top down; empty when they cannot be read.
std::vector<DWORD> PixelsOf(HBITMAP bitmap, int* width, int* height)
{
    BITMAP bm = {};
    if (GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm)
        return {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), pixels.data(),
                               &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != bm.bmHeight)
        return {};
    for (DWORD& p : pixels)
        p &= 0xFFFFFF;
    *width = bm.bmWidth;
    *height = bm.bmHeight;
    return pixels;
}

int Distance(DWORD a, DWORD b)
{
    int most = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) -
                               static_cast<int>((b >> shift) & 0xFF));
        most = d > most ? d : most;
    }
    return most;
}

// The picture's pixels and where its list frame's gold hairline runs (column 46), as the layout
// tests describe them.
const int kPictureWidth = 302;
const int kPictureHeight = 500;
const int kFrameLeft = 46;
const int kFrameMiddleRow = 244;

TEST_F(LauncherPicture, AtTheDesignedScaleItIsTheTemplatesBitmapAsItIs)
{
    CLauncherDlg dlg;
    test::RunWith(dlg, [](HWND hwnd) {
        HBITMAP shown = reinterpret_cast<HBITMAP>(
            SendMessageA(PictureOf(hwnd), STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP bm = {};
        ASSERT_EQ(GetObjectA(shown, sizeof bm, &bm), static_cast<int>(sizeof bm));
        EXPECT_EQ(bm.bmWidth, kPictureWidth);
        EXPECT_EQ(bm.bmHeight, kPictureHeight);
    });
    EXPECT_TRUE(g_dibsCreated.empty()) << g_dibsCreated.size() << " bitmaps made for nothing";
}

// At one and a half times the designed scale (144 DPI): the picture shown is ours, that size,
// blended rather than with pixels repeated; and no bitmap made for it outlives the dialog.
TEST_F(LauncherPicture, StretchedItIsSmoothAndDeletedWhenTheDialogEnds)
{
    g_unitScale = 150;
    CLauncherDlg dlg;
    static HBITMAP s_shown;
    s_shown = nullptr;
    test::RunWith(dlg, [](HWND hwnd) {
        HWND picture = PictureOf(hwnd);
        s_shown = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        int w = 0, h = 0;
        const std::vector<DWORD> scaled = PixelsOf(s_shown, &w, &h);
        ASSERT_FALSE(scaled.empty());
        EXPECT_EQ(w, kPictureWidth * 3 / 2);
        EXPECT_EQ(h, kPictureHeight * 3 / 2);
        // Drawn pixel for pixel: neither squeezed into nor clipped by a smaller client area.
        RECT client = {};
        GetClientRect(picture, &client);
        EXPECT_EQ(client.right, w) << "the picture's client area is another size";
        EXPECT_EQ(client.bottom, h);

        // Across the frame's hairline: the original's colours there, and the stretched row.
        HBITMAP original = static_cast<HBITMAP>(LoadImageA(
            GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, 0));
        int ow = 0, oh = 0;
        const std::vector<DWORD> source = PixelsOf(original, &ow, &oh);
        DeleteObject(original);
        ASSERT_EQ(ow, kPictureWidth);
        std::vector<DWORD> sourceColours;
        for (int x = kFrameLeft - 4; x <= kFrameLeft + 4; ++x)
            sourceColours.push_back(source[static_cast<size_t>(kFrameMiddleRow) * ow + x]);
        // Repeated pixels would leave only the original's colours; a blend makes new ones.
        int newest = 0;
        const int row = kFrameMiddleRow * 3 / 2;
        for (int x = kFrameLeft * 3 / 2 - 6; x <= kFrameLeft * 3 / 2 + 6; ++x) {
            int nearest = 255;
            for (DWORD c : sourceColours) {
                const int d = Distance(scaled[static_cast<size_t>(row) * w + x], c);
                nearest = d < nearest ? d : nearest;
            }
            newest = nearest > newest ? nearest : newest;
        }
        EXPECT_GT(newest, 16) << "the stretched frame has only the original's colours";
    });
    ASSERT_NE(s_shown, nullptr);
    // This static control shows the bitmap it was given; one that kept a copy would show that.
    EXPECT_NE(std::find(g_dibsCreated.begin(), g_dibsCreated.end(), s_shown), g_dibsCreated.end())
        << "the control shows a copy of the scaled picture";
    for (HBITMAP dib : g_dibsCreated)
        EXPECT_EQ(GetObjectType(dib), 0u) << "bitmap " << dib << " outlived the dialog";
    EXPECT_EQ(GetObjectType(s_shown), 0u) << "the picture shown outlived the dialog";

    // The same dialog object again: scaled afresh, and cleaned up again.
    g_dibsCreated.clear();
    test::RunWith(dlg, [](HWND hwnd) {
        BITMAP bm = {};
        GetObjectA(reinterpret_cast<HBITMAP>(
                       SendMessageA(PictureOf(hwnd), STM_GETIMAGE, IMAGE_BITMAP, 0)),
                   sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, kPictureWidth * 3 / 2);
    });
    EXPECT_FALSE(g_dibsCreated.empty());
    for (HBITMAP dib : g_dibsCreated)
        EXPECT_EQ(GetObjectType(dib), 0u) << "bitmap " << dib << " outlived the second run";
}

// The resampling itself, on a picture small enough to reason about: a black column beside a
// white one.
TEST(CreateScaledBitmap, KeepsColoursAtTheSameSizeAndBlendsAcrossAnEdgeWhenStretched)
{
    const DWORD twoColumns[] = {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF};  // 2 x 2, top down
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP source = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(source, nullptr);
    std::memcpy(bits, twoColumns, sizeof twoColumns);

    HBITMAP same = CreateScaledBitmap(source, 2, 2);
    int w = 0, h = 0;
    EXPECT_EQ(PixelsOf(same, &w, &h), std::vector<DWORD>(twoColumns, twoColumns + 4));
    DeleteObject(same);

    // Four columns from two: the outer ones keep the edge colours, the inner ones are a quarter
    // and three quarters of the way from black to white (pixel centres line up, not corners).
    HBITMAP wide = CreateScaledBitmap(source, 4, 1);
    const std::vector<DWORD> row = PixelsOf(wide, &w, &h);
    ASSERT_EQ(row.size(), 4u);
    EXPECT_EQ(row[0], 0x000000u);
    EXPECT_NEAR(static_cast<int>(row[1] & 0xFF), 64, 1);
    EXPECT_NEAR(static_cast<int>(row[2] & 0xFF), 191, 1);
    EXPECT_EQ(row[3], 0xFFFFFFu);
    for (DWORD p : row)
        EXPECT_TRUE(((p >> 16) & 0xFF) == (p & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF))
            << std::hex << p << " is not a grey";
    DeleteObject(wide);

    // Scaled about a point one pixel before the picture, as inside a control's edge: the
    // picture moves out from that point, the edge colour filling in behind it.
    HBITMAP inset = CreateScaledBitmap(source, 4, 1, 1, 0);
    const std::vector<DWORD> moved = PixelsOf(inset, &w, &h);
    ASSERT_EQ(moved.size(), 4u);
    EXPECT_EQ(moved[0] & 0xFF, 0u);
    EXPECT_EQ(moved[1] & 0xFF, 0u);
    EXPECT_NEAR(static_cast<int>(moved[2] & 0xFF), 64, 1);
    EXPECT_NEAR(static_cast<int>(moved[3] & 0xFF), 191, 1);
    DeleteObject(inset);

    EXPECT_EQ(CreateScaledBitmap(source, 0, 4), nullptr);
    EXPECT_EQ(CreateScaledBitmap(nullptr, 4, 4), nullptr);
    DeleteObject(source);
}

}  // namespace
