// tests/launcher_layout_test.cpp: the launcher's dialog as it comes out on screen: the client
// area its template designs, the background picture filling it, the region list inside the frame
// drawn on the picture and the buttons between that frame and the picture's footer.
//
// The template is laid out in dialog units of 宋体 12 pt, 2 px a unit each way at 96 DPI. Under
// Wine the face is drawn by whatever the prefix's font replacements name; a face with other
// metrics scales every control, and that is what these tests see.
//
// At another display DPI everything grows in proportion. The run's DPI is VELTO_TEST_DPI (96
// when unset), which the prefix must already have when this program starts: the tests check it.
#include "res/design.h"
#include "res/resource.h"
#include "tests/support/files.h"
#include "tests/support/gdi.h"
#include "tests/support/launcher_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

// The display DPI this run is meant for.
int TestDpi()
{
    const char* dpi = std::getenv("VELTO_TEST_DPI");
    return dpi != nullptr && *dpi != '\0' ? std::atoi(dpi) : 96;
}

// How much the dialog has grown from its design each way: its dialog units in pixels, against
// the designed 2. A font's height and width need not grow in step with the DPI, nor with each
// other, so this is measured rather than taken from the DPI. A place on the picture, in the
// picture's pixels, moves out from the dialog's corner as the controls do; the picture's own
// corner stays inside its 2 px edge.
struct Growth {
    double x = 1, y = 1;
    int edge = 2;

    int X(int designed) const { return static_cast<int>(std::lround((designed + edge) * x)) - edge; }
    int Y(int designed) const { return static_cast<int>(std::lround((designed + edge) * y)) - edge; }
    RECT operator()(const RECT& r) const { return {X(r.left), Y(r.top), X(r.right), Y(r.bottom)}; }
};

// Scaled lengths may each be rounded a pixel off, and the picture's sunken edge keeps its 2 px
// while all around it grows.
int Tolerance()
{
    return TestDpi() == 96 ? 0 : 2;
}

RECT Widened(const RECT& r, int by)
{
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

const int kClientWidth = 2 * LAUNCHER_WIDTH;
const int kClientHeight = 2 * LAUNCHER_HEIGHT;

// res/background.bmp, as scripts/draw-art draws it, in picture pixels (right and bottom
// exclusive): the gold hairline of the list's frame runs along the outside of kFrame;
// kInsideFrame is what it encloses. Below the frame, the footer band starts with a divider.
const int kPictureWidth = PICTURE_WIDTH;
const int kPictureHeight = PICTURE_HEIGHT;
const RECT kFrame = {PICTURE_FRAME_LEFT, PICTURE_FRAME_TOP, PICTURE_FRAME_RIGHT,
                     PICTURE_FRAME_BOTTOM};
const RECT kInsideFrame = {kFrame.left + 1, kFrame.top + 1, kFrame.right - 1, kFrame.bottom - 1};
const int kFooterTop = PICTURE_FOOTER_TOP;

// A control's place in the template, in the picture's pixels at the designed scale: its dialog
// units at 2 px each, less the picture's 2 px edge.
RECT Designed(int x, int y, int width, int height)
{
    return {2 * x - 2, 2 * y - 2, 2 * (x + width) - 2, 2 * (y + height) - 2};
}

std::string Describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

bool Contains(const RECT& outer, const RECT& inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Where `wnd`'s window rectangle, frame included, lies in `reference`'s client coordinates.
RECT WindowRectIn(HWND wnd, HWND reference)
{
    RECT r = {};
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The frame's gold against the dark night around it: a strong red, little blue.
bool IsGold(COLORREF c)
{
    return GetRValue(c) >= 180 && GetGValue(c) >= 120 && GetBValue(c) <= 150;
}

// The picture the constants above describe is the one the launcher carries: its size, and its
// frame's hairline where kFrame says, with the night just inside it.
TEST(BackgroundPicture, HasTheListFrameWhereTheLayoutChecksExpectIt)
{
    HMODULE exe = LoadLibraryExA((test::BinDir() + "\\dudazuvi.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    const test::ScopedGdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(LoadImageA(
        exe, MAKEINTRESOURCEA(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    FreeLibrary(exe);  // the section is a copy of the resource, not a view of the module
    ASSERT_NE(bitmap.get(), nullptr);
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, kPictureWidth);
    EXPECT_EQ(info.bmHeight, kPictureHeight);

    const test::ScopedMemoryDC dc;
    const test::ScopedSelect selected(dc, bitmap);
    const int midX = (kFrame.left + kFrame.right) / 2 + 20;  // clear of the middle jewel
    const int midY = (kFrame.top + kFrame.bottom) / 2;
    const POINT line[] = {{kFrame.left, midY}, {kFrame.right - 1, midY},
                          {midX, kFrame.top}, {midX, kFrame.bottom - 1}};
    const POINT inside[] = {{kInsideFrame.left, midY}, {kInsideFrame.right - 1, midY},
                            {midX, kInsideFrame.top}, {midX, kInsideFrame.bottom - 1}};
    for (int i = 0; i < 4; ++i) {
        const COLORREF onLine = GetPixel(dc, line[i].x, line[i].y);
        const COLORREF within = GetPixel(dc, inside[i].x, inside[i].y);
        EXPECT_TRUE(IsGold(onLine)) << "no frame at (" << line[i].x << ", " << line[i].y
                                    << "): colour " << std::hex << onLine;
        EXPECT_FALSE(IsGold(within)) << "frame at (" << inside[i].x << ", " << inside[i].y
                                     << "), inside the expected line";
    }
}

class LauncherLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Measured in real pixels, whatever Wine or Windows would otherwise scale for us.
        SetProcessDPIAware();
        const int dpi = GetDeviceCaps(test::ScopedGetDC(nullptr), LOGPIXELSY);
        ASSERT_EQ(dpi, TestDpi()) << "the display's DPI is not the one this run is for";
        ASSERT_TRUE(m_launcher.Start(test::BinDir() + "\\dudazuvi.exe", m_scratch.path(),
                                     m_scratch.File("record.txt")))
            << m_launcher.error();
        RECT client = {};
        GetClientRect(Dialog(), &client);
        m_grown.x = client.right / static_cast<double>(kClientWidth);
        m_grown.y = client.bottom / static_cast<double>(kClientHeight);
        m_grown.edge = GetSystemMetrics(SM_CXEDGE);
    }

    HWND Dialog() const { return m_launcher.dialog(); }

    // The picture: the template's first control, a bitmap static.
    HWND Picture() const
    {
        HWND first = GetWindow(Dialog(), GW_CHILD);
        if (first == nullptr || test::ClassName(first) != "Static" ||
            (GetWindowLongA(first, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
            return nullptr;
        return first;
    }

    test::ScratchDir m_scratch;
    test::LauncherProcess m_launcher;
    Growth m_grown;
};

TEST_F(LauncherLayout, ClientAreaHasTheDesignedSizeAndThePictureFillsIt)
{
    RECT client = {};
    ASSERT_TRUE(GetClientRect(Dialog(), &client));
    RECT window = {};
    GetWindowRect(Dialog(), &window);
    RecordProperty("window", std::to_string(window.right - window.left) + "x" +
                                 std::to_string(window.bottom - window.top));
    RecordProperty("client", std::to_string(client.right) + "x" + std::to_string(client.bottom));
    // The dialog grows with the display's DPI, give or take how its font's sizes round.
    const int dpi = TestDpi();
    const int slack = dpi == 96 ? 1 : MulDiv(kClientHeight, dpi, 96) / 12;
    EXPECT_NEAR(client.right, MulDiv(kClientWidth, dpi, 96), slack)
        << "client area " << Describe(client) << " at " << dpi << " DPI";
    EXPECT_NEAR(client.bottom, MulDiv(kClientHeight, dpi, 96), slack)
        << "client area " << Describe(client) << " at " << dpi << " DPI";

    // A bitmap static sizes its window, client edge included, to the bitmap: 302 x 500 from the
    // client area's corner at 96 DPI. The designed client area is wider and taller by no more
    // than that edge (2 px a side), and at another DPI by no more than that grown with the
    // dialog; any more would show as a band of bare dialog beside the picture.
    HWND picture = Picture();
    ASSERT_NE(picture, nullptr) << "the first control is not a bitmap static";
    EXPECT_TRUE(IsWindowVisible(picture));
    const RECT covered = WindowRectIn(picture, Dialog());
    const int slackX = static_cast<int>(2 * GetSystemMetrics(SM_CXEDGE) * m_grown.x) + Tolerance();
    const int slackY = static_cast<int>(2 * GetSystemMetrics(SM_CYEDGE) * m_grown.y) + Tolerance();
    const RECT mustCover = {client.left, client.top, client.right - slackX, client.bottom - slackY};
    EXPECT_TRUE(Contains(covered, mustCover))
        << "the picture covers " << Describe(covered) << " of client area " << Describe(client);
    EXPECT_TRUE(Contains(Widened(client, Tolerance()), covered))
        << "the picture at " << Describe(covered) << " is cut off by client area "
        << Describe(client);
    // What the edge leaves of the picture still shows the whole frame.
    RECT shown = {};
    GetClientRect(picture, &shown);
    EXPECT_TRUE(Contains(shown, m_grown(kFrame))) << "the picture shows only " << Describe(shown);
}

// In the picture's own pixels: its client area is where the bitmap is drawn.
TEST_F(LauncherLayout, ListLiesInsideThePicturesFrameAndTheButtonsBetweenFrameAndFooter)
{
    HWND picture = Picture();
    ASSERT_NE(picture, nullptr) << "the first control is not a bitmap static";
    HWND list = m_launcher.Item(IDC_REGION_LIST);
    ASSERT_NE(list, nullptr);

    const RECT onPicture = WindowRectIn(list, picture);
    const RECT insideFrame = Widened(m_grown(kInsideFrame), Tolerance());
    EXPECT_TRUE(Contains(insideFrame, onPicture))
        << "list at " << Describe(onPicture) << ", inside of the frame " << Describe(insideFrame);

    for (int id : {IDOK, IDCANCEL}) {
        const RECT button = WindowRectIn(m_launcher.Item(id), picture);
        EXPECT_GE(button.top, m_grown.Y(kFrame.bottom) - Tolerance())
            << "button " << id << " at " << Describe(button) << " overlaps the frame";
        EXPECT_LE(button.bottom, m_grown.Y(kFooterTop) + Tolerance())
            << "button " << id << " at " << Describe(button) << " reaches into the footer";
        EXPECT_GE(button.left, 0) << "button " << id << " at " << Describe(button);
        EXPECT_LE(button.right, m_grown.X(kPictureWidth)) << "button " << id << " at " << Describe(button);
    }
}

// The list and the buttons where the template puts them, grown with the DPI, in the picture's
// pixels: the template's dialog units at 2 px each, less the picture's 2 px edge.
TEST_F(LauncherLayout, ListAndButtonsKeepTheirDesignedPlacesOnThePicture)
{
    HWND picture = Picture();
    ASSERT_NE(picture, nullptr) << "the first control is not a bitmap static";
    const struct {
        int id;
        RECT designed;
    } controls[] = {
        {IDC_REGION_LIST, Designed(LAUNCHER_LIST_X, LAUNCHER_LIST_Y, LAUNCHER_LIST_WIDTH,
                                   LAUNCHER_LIST_HEIGHT)},
        {IDOK, Designed(LAUNCHER_CONFIRM_X, LAUNCHER_BUTTON_Y, LAUNCHER_CONFIRM_WIDTH,
                        LAUNCHER_BUTTON_HEIGHT)},
        {IDCANCEL, Designed(LAUNCHER_QUIT_X, LAUNCHER_BUTTON_Y, LAUNCHER_QUIT_WIDTH,
                            LAUNCHER_BUTTON_HEIGHT)}};
    for (const auto& c : controls) {
        const RECT actual = WindowRectIn(m_launcher.Item(c.id), picture);
        const RECT expected = m_grown(c.designed);
        EXPECT_NEAR(actual.left, expected.left, Tolerance()) << "control " << c.id << " at " << Describe(actual);
        EXPECT_NEAR(actual.top, expected.top, Tolerance()) << "control " << c.id << " at " << Describe(actual);
        EXPECT_NEAR(actual.right, expected.right, Tolerance()) << "control " << c.id << " at " << Describe(actual);
        EXPECT_NEAR(actual.bottom, expected.bottom, Tolerance()) << "control " << c.id << " at " << Describe(actual);
    }
}

TEST_F(LauncherLayout, OpensCentredOnTheWorkAreaAndItsAboutBoxOverIt)
{
    if (TestDpi() == 96)
        GTEST_SKIP() << "the scenario table checks it at 96 DPI";
    EXPECT_TRUE(test::IsCentredOver(Dialog()));
    PostMessageW(Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = m_launcher.WaitForOwnedDialog(Dialog());
    EXPECT_TRUE(test::IsCentredOver(about, Dialog())) << "the About box " << m_launcher.LastWait();
}

// What the picture shows, read off the screen: its frame's hairline where the scaled picture has
// it, so the list sits in the frame as drawn and not only in a control of the right size. At
// 96 DPI the picture is the resource's bitmap as the control draws it (Wine squeezes it into the
// control's client area, a few pixels smaller), which the checks above and in-process cover.
TEST_F(LauncherLayout, FrameIsDrawnWhereTheScaledPictureHasIt)
{
    if (TestDpi() == 96)
        GTEST_SKIP() << "nothing is scaled at 96 DPI";
    HWND picture = Picture();
    ASSERT_NE(picture, nullptr) << "the first control is not a bitmap static";
    SetForegroundWindow(Dialog());
    BringWindowToTop(Dialog());
    POINT origin = {0, 0};
    ClientToScreen(picture, &origin);
    const Growth& g = m_grown;
    const int midX = g.X((kFrame.left + kFrame.right) / 2 + 20);  // clear of the middle jewel
    const int midY = g.Y((kFrame.top + kFrame.bottom) / 2);
    // Along the middle lines, across each side of the frame.
    const struct {
        const char* name;
        int expected;
        bool horizontal;
    } sides[] = {{"left", g.X(kFrame.left), true},
                 {"right", g.X(kFrame.right - 1), true},
                 {"top", g.Y(kFrame.top), false},
                 {"bottom", g.Y(kFrame.bottom - 1), false}};
    // The hairline, blended into its neighbours once stretched, is the pixel nearest gold: the
    // most red over blue, where the night around it is blue.
    int found[4] = {-1, -1, -1, -1};
    const int reach = g.X(12);
    // The window may still be coming to the front, or painting.
    const bool all = test::WaitUntil([&] {
        const test::ScopedGetDC screen(nullptr);
        bool each = true;
        for (int i = 0; i < 4; ++i) {
            found[i] = -1;
            int best = 40;  // night and the sky around the frame stay well below this
            for (int at = sides[i].expected - reach; at <= sides[i].expected + reach; ++at) {
                const int x = sides[i].horizontal ? at : midX;
                const int y = sides[i].horizontal ? midY : at;
                const COLORREF c = GetPixel(screen, origin.x + x, origin.y + y);
                const int goldness = GetRValue(c) - GetBValue(c);
                if (goldness > best) {
                    best = goldness;
                    found[i] = at;
                }
            }
            each = each && std::abs(found[i] - sides[i].expected) <= Tolerance();
        }
        return each;
    }, 3000);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(found[i], sides[i].expected, Tolerance())
            << "the frame's " << sides[i].name << " side (-1: nothing like gold near it)";
    EXPECT_TRUE(all);
}

}  // namespace
