// platform/paintdc.h: device contexts.
//
// Classes in this file:
//   CDC       a view of one device-context handle
//   CPaintDC  BeginPaint in the constructor, EndPaint in the destructor
#ifndef VELTO_PLATFORM_PAINTDC_H
#define VELTO_PLATFORM_PAINTDC_H

#include "platform/window.h"

class CDC {
public:
    HDC m_hDC = nullptr;

    HDC GetSafeHdc() const { return m_hDC; }

    // Draws hIcon with its top-left corner at (x, y).
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

#endif  // VELTO_PLATFORM_PAINTDC_H
