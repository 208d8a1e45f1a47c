// tests/launcher_layout_test.cpp: the launcher's dialog as it comes out on screen: the client
// area its template designs, the background picture filling it, the region list inside the frame
// drawn on the picture and the buttons between that frame and the picture's footer.
//
// The template is laid out in dialog units of 宋体 12 pt, 2 px a unit each way. Under Wine the
// face is drawn by whatever the prefix's font replacements name; a face with other metrics scales
// every control, and that is what these tests see.
#include "res/resource.h"
#include "tests/support/files.h"
#include "tests/support/launcher_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 153 x 251 dialog units.
const int kClientWidth = 306;
const int kClientHeight = 502;

// res/background.bmp, as scripts/draw-art draws it, in picture pixels (right and bottom
// exclusive): the gold hairline of the list's frame runs along columns 46 and 255 and rows 116
// and 371, the outside of kFrame; kInsideFrame is what it encloses. Below the frame, the footer
// band starts with a divider at row 462.
const int kPictureWidth = 302;
const int kPictureHeight = 500;
const RECT kFrame = {46, 116, 256, 372};
const RECT kInsideFrame = {47, 117, 255, 371};
const int kFooterTop = 462;

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
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(exe, MAKEINTRESOURCEA(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, kPictureWidth);
    EXPECT_EQ(info.bmHeight, kPictureHeight);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
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
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    FreeLibrary(exe);
}

class LauncherLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_launcher.Start(test::BinDir() + "\\dudazuvi.exe", m_scratch.path(),
                                     m_scratch.File("record.txt")))
            << m_launcher.error();
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
    EXPECT_NEAR(client.right, kClientWidth, 1) << "client area " << Describe(client);
    EXPECT_NEAR(client.bottom, kClientHeight, 1) << "client area " << Describe(client);

    // A bitmap static sizes its window, client edge included, to the bitmap: 302 x 500 from the
    // client area's corner. The designed client area is wider and taller by no more than that
    // edge (2 px a side); any more would show as a band of bare dialog beside the picture.
    HWND picture = Picture();
    ASSERT_NE(picture, nullptr) << "the first control is not a bitmap static";
    EXPECT_TRUE(IsWindowVisible(picture));
    const RECT covered = WindowRectIn(picture, Dialog());
    const int slackX = 2 * GetSystemMetrics(SM_CXEDGE);
    const int slackY = 2 * GetSystemMetrics(SM_CYEDGE);
    const RECT mustCover = {client.left, client.top, client.right - slackX, client.bottom - slackY};
    EXPECT_TRUE(Contains(covered, mustCover))
        << "the picture covers " << Describe(covered) << " of client area " << Describe(client);
    EXPECT_TRUE(Contains(client, covered))
        << "the picture at " << Describe(covered) << " is cut off by client area "
        << Describe(client);
    // What the edge leaves of the picture still shows the whole frame.
    RECT shown = {};
    GetClientRect(picture, &shown);
    EXPECT_TRUE(Contains(shown, kFrame)) << "the picture shows only " << Describe(shown);
}

// In the picture's own pixels: its client area is where the bitmap is drawn.
TEST_F(LauncherLayout, ListLiesInsideThePicturesFrameAndTheButtonsBetweenFrameAndFooter)
{
    HWND picture = Picture();
    ASSERT_NE(picture, nullptr) << "the first control is not a bitmap static";
    HWND list = m_launcher.Item(IDC_REGION_LIST);
    ASSERT_NE(list, nullptr);

    const RECT onPicture = WindowRectIn(list, picture);
    EXPECT_TRUE(Contains(kInsideFrame, onPicture))
        << "list at " << Describe(onPicture) << ", inside of the frame " << Describe(kInsideFrame);

    for (int id : {IDOK, IDCANCEL}) {
        const RECT button = WindowRectIn(m_launcher.Item(id), picture);
        EXPECT_GE(button.top, kFrame.bottom)
            << "button " << id << " at " << Describe(button) << " overlaps the frame";
        EXPECT_LE(button.bottom, kFooterTop)
            << "button " << id << " at " << Describe(button) << " reaches into the footer";
        EXPECT_GE(button.left, 0) << "button " << id << " at " << Describe(button);
        EXPECT_LE(button.right, kPictureWidth) << "button " << id << " at " << Describe(button);
    }
}

}  // namespace
