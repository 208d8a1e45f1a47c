// platform/static.h: CStatic, a static control seen through its handle.
#ifndef VELTO_PLATFORM_STATIC_H
#define VELTO_PLATFORM_STATIC_H

#include "platform/window.h"

class CStatic : public CWnd {
public:
// Attributes
    // The bitmap a bitmap static (SS_BITMAP) shows, or null.
    HBITMAP GetBitmap() const
    {
        assert(::IsWindow(m_hWnd));
        return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP));
    }

// Operations
    // Shows hBitmap and returns the bitmap shown before. The control deletes neither: each stays
    // its owner's to delete, once the control no longer shows it.
    HBITMAP SetBitmap(HBITMAP hBitmap)
    {
        assert(::IsWindow(m_hWnd) &&
               (::GetWindowLongA(m_hWnd, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP);
        return reinterpret_cast<HBITMAP>(
            SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
    }
};

#endif  // VELTO_PLATFORM_STATIC_H
