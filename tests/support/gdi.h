// tests/support/gdi.h: GDI pairs that a test would otherwise match by hand: a device context got
// and released, one created and deleted, an object selected and put back, an object deleted; and
// the 32-bit top-down picture format the tests read pixels in.
#ifndef VELTO_TESTS_SUPPORT_GDI_H
#define VELTO_TESTS_SUPPORT_GDI_H

#include <windows.h>

namespace test {

// A 32-bit picture, rows top down, pixels as 0x00RRGGBB: for CreateDIBSection and GetDIBits.
inline BITMAPINFO TopDownDib(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// GetDC (or GetWindowDC, for the whole window with its frame) and ReleaseDC; null for the screen.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND wnd, bool wholeWindow = false)
        : m_wnd(wnd), m_dc(wholeWindow ? GetWindowDC(wnd) : GetDC(wnd)) {}
    ~ScopedGetDC()
    {
        if (m_dc != nullptr)
            ReleaseDC(m_wnd, m_dc);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_wnd;
    HDC m_dc;
};

// CreateCompatibleDC and DeleteDC.
class ScopedMemoryDC {
public:
    explicit ScopedMemoryDC(HDC like = nullptr) : m_dc(CreateCompatibleDC(like)) {}
    ~ScopedMemoryDC()
    {
        if (m_dc != nullptr)
            DeleteDC(m_dc);
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// SelectObject, and the object it replaced selected again at the end.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
    ~ScopedSelect()
    {
        if (m_old != nullptr && m_old != HGDI_ERROR)
            SelectObject(m_dc, m_old);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A GDI object (bitmap, brush, font...) that DeleteObject ends.
template <typename T>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(T object) : m_object(object) {}
    ~ScopedGdiObject()
    {
        if (m_object != nullptr)
            DeleteObject(m_object);
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    operator T() const { return m_object; }
    T get() const { return m_object; }

private:
    T m_object;
};

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_GDI_H
