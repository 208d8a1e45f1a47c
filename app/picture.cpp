// app/picture.cpp: stretching the background picture with GDI.
#include "app/picture.h"

namespace {

// A top-down DIB section of cx x cy pixels; at 16 or 32 bits BI_RGB is 5-5-5 or 8-8-8.
HBITMAP CreateDib(int cx, int cy, WORD bitCount)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace

HBITMAP CreateScaledPicture(HBITMAP hSource, int cx, int cy, int insetX, int insetY)
{
    BITMAP bm = {};
    if (cx <= 0 || cy <= 0 || ::GetObjectA(hSource, sizeof bm, &bm) != sizeof bm ||
        bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return nullptr;
    const int w = bm.bmWidth;
    const int h = bm.bmHeight;

    // Wine 8 stretches in halftone mode into a 32-bit bitmap quickly, and into a 16-bit one
    // through a path twenty times slower (about half a second at 144 DPI): the picture is
    // stretched at 32 bits, then copied into the 16-bit bitmap kept, and the 32-bit one deleted.
    HBITMAP hStretched = CreateDib(cx, cy, 32);
    HBITMAP hScaled = hStretched != nullptr ? CreateDib(cx, cy, 16) : nullptr;
    HDC hdcSource = ::CreateCompatibleDC(nullptr);
    HDC hdcScaled = ::CreateCompatibleDC(nullptr);
    BOOL drawn = FALSE;
    if (hScaled != nullptr && hdcSource != nullptr && hdcScaled != nullptr) {
        HGDIOBJ hOldSource = ::SelectObject(hdcSource, hSource);
        HGDIOBJ hOldScaled = ::SelectObject(hdcScaled, hStretched);
        // Halftone stretching draws through a brush pattern; its origin has to be set after the
        // mode is.
        ::SetStretchBltMode(hdcScaled, HALFTONE);
        ::SetBrushOrgEx(hdcScaled, 0, 0, nullptr);
        // Scaled about the inset point, the picture's first pixel moves out from it by this much.
        // Shrunk, it would move in instead: there it stays at the corner, a pixel off at most.
        const int x = insetX > 0 && cx > w ? ::MulDiv(insetX, cx - w, w) : 0;
        const int y = insetY > 0 && cy > h ? ::MulDiv(insetY, cy - h, h) : 0;
        // Shifted that far, its far edge falls off the bitmap, where the control would cut it
        // anyway. Windows clips that, but Wine then stretches the picture over the clipped
        // width, by a little less: so only what fits is drawn, from as much of the picture.
        const int cxDrawn = cx - x;
        const int cyDrawn = cy - y;
        const int cxSource = ::MulDiv(cxDrawn, w, cx);
        const int cySource = ::MulDiv(cyDrawn, h, cy);
        drawn = ::StretchBlt(hdcScaled, x, y, cxDrawn, cyDrawn, hdcSource, 0, 0, cxSource,
                             cySource, SRCCOPY);
        if (drawn && x > 0)
            drawn = ::StretchBlt(hdcScaled, 0, y, x, cyDrawn, hdcSource, 0, 0, 1, cySource,
                                 SRCCOPY);
        if (drawn && y > 0)
            drawn = ::StretchBlt(hdcScaled, x, 0, cxDrawn, y, hdcSource, 0, 0, cxSource, 1,
                                 SRCCOPY);
        if (drawn && x > 0 && y > 0)
            drawn = ::StretchBlt(hdcScaled, 0, 0, x, y, hdcSource, 0, 0, 1, 1, SRCCOPY);
        // 8 bits a colour to 5: the copy keeps each pixel's top bits. A bitmap is selected into
        // one device context at a time, so it leaves the one it was drawn in first.
        ::SelectObject(hdcScaled, hScaled);
        ::SelectObject(hdcSource, hStretched);
        drawn = drawn && ::BitBlt(hdcScaled, 0, 0, cx, cy, hdcSource, 0, 0, SRCCOPY);
        ::SelectObject(hdcScaled, hOldScaled);
        ::SelectObject(hdcSource, hOldSource);
    }
    if (hdcScaled != nullptr)
        ::DeleteDC(hdcScaled);
    if (hdcSource != nullptr)
        ::DeleteDC(hdcSource);
    if (hStretched != nullptr)
        ::DeleteObject(hStretched);
    if (!drawn && hScaled != nullptr) {
        ::DeleteObject(hScaled);
        hScaled = nullptr;
    }
    return hScaled;
}
