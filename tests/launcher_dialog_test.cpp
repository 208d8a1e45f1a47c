// tests/launcher_dialog_test.cpp: the region-selection dialog run in this process, for what
// another process cannot see under Wine: the system menu, the icons, and painting while
// minimized (a minimized window has an empty client area, so the icon it draws is clipped away
// and has to be caught at the DrawIcon call instead).
#include "app/launcher_dlg.h"
#include "app/picture.h"
#include "platform/app.h"
#include "res/design.h"
#include "res/resource.h"

#include "tests/support/dialogs.h"
#include "tests/support/expected_texts.h"
#include "tests/support/gdi.h"
#include "tests/support/launcher_driver.h"
#include "tests/support/hex.h"
#include "tests/support/pe_image.h"
#include "tests/support/modal.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
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

// Xvfb's monitor has no taskbar, and Wine keeps SPI_SETWORKAREA's apart from it: the work area
// is replaced where this program reads it, for the dialog and the check alike.
RECT g_workArea;
decltype(&GetMonitorInfoW) g_realGetMonitorInfo;
BOOL WINAPI ReportedWorkArea(HMONITOR monitor, LPMONITORINFO info)
{
    const BOOL got = g_realGetMonitorInfo(monitor, info);
    info->rcWork = g_workArea;
    return got;
}

TEST(LauncherDialog, OpensCentredOnItsMonitorsWorkAreaAndInsideIt)
{
    const test::ScopedImportHook hook("user32.dll", "GetMonitorInfoW",
                                      reinterpret_cast<void*>(&ReportedWorkArea));
    g_realGetMonitorInfo = hook.Original<decltype(&GetMonitorInfoW)>();
    CLauncherDlg dlg;
    g_workArea = {300, 120, 1280, 1024};  // taskbars along the left and the top
    test::RunWith(dlg, [](HWND hwnd) {
        EXPECT_TRUE(test::IsCentredOver(hwnd));
        g_workArea.left += 6;  // its centre 3 px to the right: the check must see that
        EXPECT_FALSE(test::IsCentredOver(hwnd));
    });
    g_workArea = {100, 50, 300, 250};  // smaller than the dialog: its caption stays on it
    test::RunWith(dlg, [](HWND hwnd) {
        RECT r = {};
        EXPECT_TRUE(GetWindowRect(hwnd, &r) && r.left == 100 && r.top == 50)
            << r.left << ", " << r.top;
    });
}

// --- The background picture at other scales -------------------------------------------------

// What the dialog code makes and deletes in GDI, seen at this program's imports: every bitmap it
// makes goes through CreateDIBSection and every device context through CreateCompatibleDC.
std::vector<HGDIOBJ> g_made;     // in the order made
std::vector<HGDIOBJ> g_deleted;  // one entry per DeleteObject or DeleteDC call
std::vector<HBITMAP> g_dibsCreated;
decltype(&CreateDIBSection) g_realCreateDIBSection;
decltype(&CreateCompatibleDC) g_realCreateCompatibleDC;
decltype(&DeleteObject) g_realDeleteObject;
decltype(&DeleteDC) g_realDeleteDC;

HBITMAP WINAPI RecordingCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                         HANDLE section, DWORD offset)
{
    HBITMAP dib = g_realCreateDIBSection(dc, info, usage, bits, section, offset);
    g_dibsCreated.push_back(dib);
    g_made.push_back(dib);
    return dib;
}
HDC WINAPI RecordingCreateCompatibleDC(HDC dc)
{
    HDC made = g_realCreateCompatibleDC(dc);
    g_made.push_back(made);
    return made;
}
// What the picture control shows when the dialog deletes the scaled picture: the control's own
// bitmap, taken back first, or that one is lost. g_picture and g_scaled are set once known.
HWND g_picture;
HBITMAP g_scaled;
HBITMAP g_shownWhenScaledDeleted;
BOOL WINAPI RecordingDeleteObject(HGDIOBJ object)
{
    g_deleted.push_back(object);
    if (object != nullptr && object == g_scaled && IsWindow(g_picture))
        g_shownWhenScaledDeleted = reinterpret_cast<HBITMAP>(
            SendMessageA(g_picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    return g_realDeleteObject(object);
}
BOOL WINAPI RecordingDeleteDC(HDC dc)
{
    g_deleted.push_back(dc);
    return g_realDeleteDC(dc);
}

// Every object made since the log was cleared deleted exactly once, and nothing else deleted (a
// bitmap the control owns, deleted here, would be deleted again by the control). A handle value
// can come back for a new object once the old one is gone, so each delete is matched with the
// latest object made under that value before it; the logs hold few entries.
std::string DeletesThatAreNotOneEach()
{
    std::string wrong;
    for (HGDIOBJ object : g_made) {
        const auto times = std::count(g_deleted.begin(), g_deleted.end(), object);
        const auto madeTimes = std::count(g_made.begin(), g_made.end(), object);
        if (times != madeTimes)
            wrong += " " + std::to_string(reinterpret_cast<UINT_PTR>(object)) + " made " +
                     std::to_string(madeTimes) + " times, deleted " + std::to_string(times) + ";";
    }
    for (HGDIOBJ object : g_deleted) {
        if (std::find(g_made.begin(), g_made.end(), object) == g_made.end())
            wrong += " " + std::to_string(reinterpret_cast<UINT_PTR>(object)) +
                     " deleted, not made here;";
    }
    return wrong;
}

// The dialog as a larger font or display would lay it out: its units mapped to pixels are
// stretched across by g_unitScaleX and down by g_unitScaleY (in percent). Only what the dialog
// code itself maps is affected. The picture control's own bitmap is the one it shows when the
// dialog maps the picture's size.
int g_unitScaleX = 100, g_unitScaleY = 100;
HBITMAP g_templateBitmap;
decltype(&MapDialogRect) g_realMapDialogRect;
BOOL WINAPI ScaledMapDialogRect(HWND dialog, LPRECT rect)
{
    g_templateBitmap = reinterpret_cast<HBITMAP>(
        SendMessageA(GetWindow(dialog, GW_CHILD), STM_GETIMAGE, IMAGE_BITMAP, 0));
    const BOOL mapped = g_realMapDialogRect(dialog, rect);
    rect->left = MulDiv(rect->left, g_unitScaleX, 100);
    rect->top = MulDiv(rect->top, g_unitScaleY, 100);
    rect->right = MulDiv(rect->right, g_unitScaleX, 100);
    rect->bottom = MulDiv(rect->bottom, g_unitScaleY, 100);
    return mapped;
}

template <typename Function>
void* Replacement(Function* function)
{
    return reinterpret_cast<void*>(function);
}

class LauncherPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dib.Installed() && m_dc.Installed() && m_deleteObject.Installed() &&
                    m_deleteDC.Installed() && m_map.Installed())
            << "this program does not import what the dialog scales the picture with";
        g_realCreateDIBSection = m_dib.Original<decltype(g_realCreateDIBSection)>();
        g_realCreateCompatibleDC = m_dc.Original<decltype(g_realCreateCompatibleDC)>();
        g_realDeleteObject = m_deleteObject.Original<decltype(g_realDeleteObject)>();
        g_realDeleteDC = m_deleteDC.Original<decltype(g_realDeleteDC)>();
        g_realMapDialogRect = m_map.Original<decltype(g_realMapDialogRect)>();
        ClearLogs();
        g_unitScaleX = g_unitScaleY = 100;
    }
    void TearDown() override { g_unitScaleX = g_unitScaleY = 100; }

    static void ClearLogs()
    {
        g_dibsCreated.clear();
        g_made.clear();
        g_deleted.clear();
        g_picture = nullptr;
        g_scaled = g_templateBitmap = g_shownWhenScaledDeleted = nullptr;
    }

    const test::ScopedImportHook m_dib{"gdi32.dll", "CreateDIBSection",
                                       Replacement(&RecordingCreateDIBSection)};
    const test::ScopedImportHook m_dc{"gdi32.dll", "CreateCompatibleDC",
                                      Replacement(&RecordingCreateCompatibleDC)};
    const test::ScopedImportHook m_deleteObject{"gdi32.dll", "DeleteObject",
                                                Replacement(&RecordingDeleteObject)};
    const test::ScopedImportHook m_deleteDC{"gdi32.dll", "DeleteDC",
                                            Replacement(&RecordingDeleteDC)};
    const test::ScopedImportHook m_map{"user32.dll", "MapDialogRect",
                                       Replacement(&ScaledMapDialogRect)};
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
    BITMAPINFO info = test::TopDownDib(bm.bmWidth, bm.bmHeight);
    std::vector<DWORD> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    const int rows = GetDIBits(test::ScopedGetDC(nullptr), bitmap, 0,
                               static_cast<UINT>(bm.bmHeight), pixels.data(), &info,
                               DIB_RGB_COLORS);
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

// The picture's size, and a row across its list frame's gold hairline and the column it runs
// down on the left, from the design the art is drawn to.
const int kPictureWidth = PICTURE_WIDTH;
const int kPictureHeight = PICTURE_HEIGHT;
const int kFrameLeft = PICTURE_FRAME_LEFT;
const int kFrameMiddleRow = (PICTURE_FRAME_TOP + PICTURE_FRAME_BOTTOM) / 2;

// Where the frame's gold hairline crosses a line of a picture, to a fraction of a pixel: the
// centre of the pixels within `reach` of `around` on that line, each weighted by how much redder
// than blue it is. The night and the glow round the frame are bluer than red, so only the gold
// and what a stretch blends of it count. A line of pixels is a row (`acrossColumns`) or a column.
double HairlineCentre(const std::vector<DWORD>& pixels, int width, bool acrossColumns, int line,
                      int around, int reach)
{
    double sum = 0, weight = 0;
    for (int at = around - reach; at <= around + reach; ++at) {
        const int index = acrossColumns ? line * width + at : at * width + line;
        const DWORD p = pixels[static_cast<size_t>(index)];
        const int gold = static_cast<int>((p >> 16) & 0xFF) - static_cast<int>(p & 0xFF);
        if (gold > 0) {
            sum += gold * (at + 0.5);
            weight += gold;
        }
    }
    return weight > 0 ? sum / weight : -1;
}

// The stretched picture's frame where the dialog's controls expect it: a place on the picture
// moves out from the corner just inside the control's edge by the picture's growth, as the
// controls move out from the dialog's corner. The hairline is found to a fraction of a pixel, on
// the original and on the stretched picture alike, so that what the drawing puts beside it
// cancels out. The stretch may put it a quarter of a pixel either way (Wine's puts a pixel's
// centre where its index maps to), the source width's rounding about as much again: half a
// pixel holds that, and a frame one pixel off still fails.
void ExpectTheFrameWhereTheControlsExpectIt(const std::vector<DWORD>& original,
                                            const std::vector<DWORD>& stretched, int width,
                                            int height)
{
    const double gx = width / static_cast<double>(kPictureWidth);
    const double gy = height / static_cast<double>(kPictureHeight);
    const int edgeX = GetSystemMetrics(SM_CXEDGE), edgeY = GetSystemMetrics(SM_CYEDGE);
    const int midColumn = (PICTURE_FRAME_LEFT + PICTURE_FRAME_RIGHT) / 2 + 20;  // past the jewel
    const int reach = 4;
    const struct {
        const char* side;
        bool acrossColumns;
        int at;
    } sides[] = {{"left", true, PICTURE_FRAME_LEFT},
                 {"right", true, PICTURE_FRAME_RIGHT - 1},
                 {"top", false, PICTURE_FRAME_TOP},
                 {"bottom", false, PICTURE_FRAME_BOTTOM - 1}};
    for (const auto& s : sides) {
        const int line = s.acrossColumns ? kFrameMiddleRow : midColumn;
        const double was =
            HairlineCentre(original, kPictureWidth, s.acrossColumns, line, s.at, reach);
        ASSERT_GT(was, 0) << "no gold near the " << s.side << " side of the original's frame";
        const double along = s.acrossColumns ? gx : gy, across = s.acrossColumns ? gy : gx;
        const int edgeAlong = s.acrossColumns ? edgeX : edgeY;
        const int edgeAcross = s.acrossColumns ? edgeY : edgeX;
        const int lineNow = static_cast<int>(across * (line + 0.5 + edgeAcross) - edgeAcross);
        const double want = along * (was + edgeAlong) - edgeAlong;
        const double now =
            HairlineCentre(stretched, width, s.acrossColumns, lineNow, static_cast<int>(want),
                           static_cast<int>(reach * along + 1));
        EXPECT_NEAR(now, want, 0.5) << "the frame's " << s.side << " side, stretched to "
                                    << width << " x " << height;
    }
}

// Units grown one way only (a font taller but no wider) stretch the picture that way only.
TEST_F(LauncherPicture, TheTemplatesBitmapAsItIsOnlyWhenBothAxesHaveTheDesignedScale)
{
    for (const POINT scale : {POINT{100, 100}, POINT{100, 150}, POINT{150, 100}}) {
        SCOPED_TRACE(std::to_string(scale.x) + " % across, " + std::to_string(scale.y) +
                     " % down");
        ClearLogs();
        g_unitScaleX = scale.x;
        g_unitScaleY = scale.y;
        static BITMAP s_shown;
        s_shown = BITMAP{};
        CLauncherDlg dlg;
        test::RunWith(dlg, [](HWND hwnd) {
            HBITMAP shown = reinterpret_cast<HBITMAP>(
                SendMessageA(PictureOf(hwnd), STM_GETIMAGE, IMAGE_BITMAP, 0));
            ASSERT_EQ(GetObjectA(shown, sizeof s_shown, &s_shown),
                      static_cast<int>(sizeof s_shown));
        });
        EXPECT_EQ(s_shown.bmWidth, kPictureWidth * scale.x / 100);
        EXPECT_EQ(s_shown.bmHeight, kPictureHeight * scale.y / 100);
        EXPECT_EQ(g_made.empty(), scale.x == 100 && scale.y == 100)
            << g_made.size() << " GDI objects made";
        EXPECT_EQ(DeletesThatAreNotOneEach(), "");
    }
}

// At one and a half times the designed scale (144 DPI): the picture shown is ours, that size,
// blended rather than with pixels repeated, its frame where the controls expect it, kept at 16
// bits a pixel as the resource is; and every GDI object made for it is deleted once when the
// dialog ends, nothing twice.
TEST_F(LauncherPicture, StretchedItIsSmoothSixteenBitAndDeletedOnceWhenTheDialogEnds)
{
    // Across the frame's hairline: the original's colours there.
    int ow = 0, oh = 0;
    const std::vector<DWORD> source = PixelsOf(
        test::ScopedGdiObject<HBITMAP>(static_cast<HBITMAP>(LoadImageA(
            GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, 0))),
        &ow, &oh);
    ASSERT_EQ(ow, kPictureWidth);
    static std::vector<DWORD> s_source;
    s_source = source;
    static std::vector<DWORD> s_sourceColours;
    s_sourceColours.clear();
    for (int x = kFrameLeft - 4; x <= kFrameLeft + 4; ++x)
        s_sourceColours.push_back(source[static_cast<size_t>(kFrameMiddleRow) * ow + x]);
    ClearLogs();

    g_unitScaleX = g_unitScaleY = 150;
    auto dlg = std::make_unique<CLauncherDlg>();
    static HBITMAP s_shown;
    s_shown = nullptr;
    test::RunWith(*dlg, [](HWND hwnd) {
        HWND picture = PictureOf(hwnd);
        s_shown = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        g_picture = picture;
        g_scaled = s_shown;
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

        // 16 bits a pixel, 5-5-5 as in the resource: half the memory of a 32-bit copy.
        DIBSECTION dib = {};
        ASSERT_EQ(GetObjectA(s_shown, sizeof dib, &dib), static_cast<int>(sizeof dib))
            << "the picture shown is not a DIB section";
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 16);
        EXPECT_EQ(dib.dsBitfields[0], 0x7C00u);
        EXPECT_EQ(dib.dsBitfields[1], 0x03E0u);
        EXPECT_EQ(dib.dsBitfields[2], 0x001Fu);
        EXPECT_EQ(dib.dsBm.bmWidthBytes * dib.dsBm.bmHeight, (w * 2 + 3) / 4 * 4 * h);

        // Repeated pixels would leave only the original's colours; a blend makes new ones.
        int newest = 0;
        const int row = kFrameMiddleRow * 3 / 2;
        for (int x = kFrameLeft * 3 / 2 - 6; x <= kFrameLeft * 3 / 2 + 6; ++x) {
            int nearest = 255;
            for (DWORD c : s_sourceColours) {
                const int d = Distance(scaled[static_cast<size_t>(row) * w + x], c);
                nearest = d < nearest ? d : nearest;
            }
            newest = nearest > newest ? nearest : newest;
        }
        EXPECT_GT(newest, 16) << "the stretched frame has only the original's colours";
        ExpectTheFrameWhereTheControlsExpectIt(s_source, scaled, w, h);
    });
    ASSERT_NE(s_shown, nullptr);
    // This static control shows the bitmap it was given; one that kept a copy would show that.
    EXPECT_NE(std::find(g_dibsCreated.begin(), g_dibsCreated.end(), s_shown), g_dibsCreated.end())
        << "the control shows a copy of the scaled picture";
    EXPECT_EQ(DeletesThatAreNotOneEach(), "");
    for (HGDIOBJ object : g_made)
        EXPECT_EQ(GetObjectType(object), 0u) << "GDI object " << object << " outlived the dialog";
    EXPECT_EQ(GetObjectType(s_shown), 0u) << "the picture shown outlived the dialog";
    ASSERT_NE(g_templateBitmap, nullptr);
    EXPECT_EQ(g_shownWhenScaledDeleted, g_templateBitmap)
        << "the control did not have its own bitmap back when the scaled one was deleted";

    // The same dialog object again: scaled afresh, and cleaned up again.
    ClearLogs();
    test::RunWith(*dlg, [](HWND hwnd) {
        BITMAP bm = {};
        GetObjectA(reinterpret_cast<HBITMAP>(
                       SendMessageA(PictureOf(hwnd), STM_GETIMAGE, IMAGE_BITMAP, 0)),
                   sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, kPictureWidth * 3 / 2);
    });
    EXPECT_FALSE(g_dibsCreated.empty());
    EXPECT_EQ(DeletesThatAreNotOneEach(), "") << "on the second run";
    for (HGDIOBJ object : g_made)
        EXPECT_EQ(GetObjectType(object), 0u) << "GDI object " << object << " outlived the second run";
    // Nor again by the dialog object as it goes.
    dlg.reset();
    EXPECT_EQ(DeletesThatAreNotOneEach(), "") << "once the dialog object has gone";
}

// The stretching itself, on a picture small enough to reason about: a black column beside a
// white one.
TEST(CreateScaledPicture, KeepsColoursAtTheSameSizeAndBlendsAcrossAnEdgeWhenStretched)
{
    const DWORD twoColumns[] = {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF};  // 2 x 2, top down
    const BITMAPINFO info = test::TopDownDib(2, 2);
    void* bits = nullptr;
    const test::ScopedGdiObject<HBITMAP> source(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_NE(source, nullptr);
    std::memcpy(bits, twoColumns, sizeof twoColumns);

    int w = 0, h = 0;
    EXPECT_EQ(PixelsOf(test::ScopedGdiObject<HBITMAP>(CreateScaledPicture(source, 2, 2)), &w, &h),
              std::vector<DWORD>(twoColumns, twoColumns + 4));

    // Four columns from two: the outer ones keep the edge colours, and between them the step
    // from black to white is blended: a grey, not a copy of either.
    const std::vector<DWORD> row =
        PixelsOf(test::ScopedGdiObject<HBITMAP>(CreateScaledPicture(source, 4, 1)), &w, &h);
    ASSERT_EQ(row.size(), 4u);
    EXPECT_EQ(row[0], 0x000000u);
    EXPECT_EQ(row[3], 0xFFFFFFu);
    EXPECT_TRUE(std::any_of(row.begin() + 1, row.end() - 1,
                            [](DWORD p) { return (p & 0xFF) > 0x20 && (p & 0xFF) < 0xE0; }))
        << std::hex << row[1] << " " << row[2] << ": no grey between black and white";
    for (DWORD p : row)
        EXPECT_TRUE(((p >> 16) & 0xFF) == (p & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF))
            << std::hex << p << " is not a grey";

    // Scaled about a point one pixel before the picture, as inside a control's edge: twice the
    // size, the picture moves out from that point by a pixel, the edge colour filling in behind.
    const std::vector<DWORD> moved =
        PixelsOf(test::ScopedGdiObject<HBITMAP>(CreateScaledPicture(source, 4, 1, 1, 0)), &w, &h);
    ASSERT_EQ(moved.size(), 4u);
    EXPECT_EQ(moved[0], 0x000000u);
    EXPECT_EQ(moved[1], 0x000000u) << "not moved: " << std::hex << moved[1];
    EXPECT_NE(row[1], 0x000000u);
    EXPECT_TRUE((moved[2] & 0xFF) > 0x20 && (moved[2] & 0xFF) < 0xE0) << std::hex << moved[2];

    // The same about a point one pixel above a black row over a white one: the strip uncovered
    // at the top repeats the first row.
    const DWORD twoRows[] = {0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF};
    void* rowBits = nullptr;
    const test::ScopedGdiObject<HBITMAP> rows(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &rowBits, nullptr, 0));
    ASSERT_NE(rows, nullptr);
    std::memcpy(rowBits, twoRows, sizeof twoRows);
    const std::vector<DWORD> lowered =
        PixelsOf(test::ScopedGdiObject<HBITMAP>(CreateScaledPicture(rows, 2, 4, 0, 1)), &w, &h);
    ASSERT_EQ(lowered.size(), 8u);
    EXPECT_EQ(lowered[0], 0x000000u) << "the strip at the top: " << std::hex << lowered[0];
    EXPECT_EQ(lowered[2], 0x000000u) << "not moved: " << std::hex << lowered[2];

    EXPECT_EQ(CreateScaledPicture(source, 0, 4), nullptr);
    EXPECT_EQ(CreateScaledPicture(nullptr, 4, 4), nullptr);
}

// --- Failures the user is told of ----------------------------------------------------------
//
// Both are programming errors, asserted in a debug build; these tests are of the shipped one.

// A list that refuses the label of row g_refusedRow + 1, as one out of memory would.
int g_refusedRow = -1;
int g_addStrings = 0;
decltype(&SendMessageW) g_realSendMessageW;
LRESULT WINAPI RefusingSendMessageW(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_ADDSTRING && g_addStrings++ == g_refusedRow)
        return LB_ERRSPACE;
    return g_realSendMessageW(wnd, message, wParam, lParam);
}

// The message boxes the dialog code asks for, answered as if OK were pressed.
struct BoxAsked {
    HWND owner;
    std::wstring text, caption;
    UINT type;
};
std::vector<BoxAsked> g_boxesAsked;
int WINAPI RecordingMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    g_boxesAsked.push_back({owner, text != nullptr ? text : L"", caption != nullptr ? caption : L"", type});
    return IDOK;
}

TEST(LauncherDialogFailures, ARowTheListRefusesIsToldInABoxAndTheOtherRowsAreThere)
{
#ifndef NDEBUG
    GTEST_SKIP() << "asserted in a debug build";
#endif
    const test::ScopedImportHook hook("user32.dll", "SendMessageW",
                                      Replacement(&RefusingSendMessageW));
    ASSERT_TRUE(hook.Installed()) << "this program does not import SendMessageW";
    g_realSendMessageW = hook.Original<decltype(g_realSendMessageW)>();
    const test::ScopedImportHook boxHook("user32.dll", "MessageBoxW",
                                         Replacement(&RecordingMessageBoxW));
    ASSERT_TRUE(boxHook.Installed()) << "this program does not import MessageBoxW";
    g_refusedRow = 4;
    g_addStrings = 0;
    g_boxesAsked.clear();
    CLauncherDlg dlg;
    static HWND s_dialog;
    test::RunWith(dlg, [](HWND hwnd) {
        s_dialog = hwnd;
        EXPECT_EQ(SendMessageA(GetDlgItem(hwnd, IDC_REGION_LIST), LB_GETCOUNT, 0, 0), 18);
    });
    EXPECT_EQ(g_addStrings, 19);
    ASSERT_EQ(g_boxesAsked.size(), 1u) << "the list lacks a row and nobody said so";
    EXPECT_EQ(g_boxesAsked[0].owner, s_dialog);
    EXPECT_EQ(g_boxesAsked[0].text, L"\u7A0B\u5E8F\u542F\u52A8\u5931\u8D25");  // 程序启动失败
    EXPECT_EQ(g_boxesAsked[0].caption, L"Velto");
    EXPECT_EQ(g_boxesAsked[0].type, static_cast<UINT>(MB_OK));
}

TEST(LauncherDialogFailures, AMessageWhoseTextIsNotGbkStillShowsABox)
{
#ifndef NDEBUG
    GTEST_SKIP() << "asserted in a debug build";
#endif
    test::MessageBoxCatcher boxes;
    CWnd noOwner;
    test::Watchdog dog("a message box of a text that is not GBK", 5000);
    // A text cut short after a lead byte: the box shows what of it converts.
    const std::string cut = std::string(test::gbk::kChooseRegion) + "\xbb";
    EXPECT_EQ(noOwner.MessageBox(cut.c_str(), test::gbk::kCaption, MB_OK), IDOK);
    ASSERT_EQ(boxes.seen().size(), 1u) << "no box at all";
    EXPECT_EQ(boxes.seen()[0].caption, test::gbk::kCaption);
    const std::string shown = boxes.seen()[0].text.substr(0, std::strlen(test::gbk::kChooseRegion));
    EXPECT_EQ(test::Hex(shown), test::Hex(test::gbk::kChooseRegion)) << "the text it could show";
}

}  // namespace
