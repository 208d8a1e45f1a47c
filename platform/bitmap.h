// platform/bitmap.h: GDI bitmaps.
//
// In this file:
//   CBitmap               owns one GDI bitmap and deletes it
//   CreateScaledBitmap    a bitmap resampled smoothly to another size
#ifndef VELTO_PLATFORM_BITMAP_H
#define VELTO_PLATFORM_BITMAP_H

#include "platform/platform.h"

class CBitmap {
public:
    CBitmap() = default;
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    operator HBITMAP() const { return m_hObject; }
    HBITMAP GetSafeHandle() const { return m_hObject; }

    // Takes ownership of hBitmap; the object must be empty.
    void Attach(HBITMAP hBitmap)
    {
        assert(m_hObject == nullptr && "CBitmap::Attach over a bitmap it still owns");
        m_hObject = hBitmap;
    }
    // Deletes the bitmap, if there is one. It must not be selected into a device context or
    // shown by a control any more.
    BOOL DeleteObject()
    {
        if (m_hObject == nullptr)
            return FALSE;
        const BOOL deleted = ::DeleteObject(m_hObject);
        m_hObject = nullptr;
        return deleted;
    }

private:
    HBITMAP m_hObject = nullptr;
};

// A new bitmap of cx x cy pixels with hSource's picture, each pixel blended from the four source
// pixels nearest its centre, so that a line or an edge comes out soft instead of stepped. Null
// when hSource is no bitmap or the sizes are not positive. The caller deletes the result.
//
// The picture is scaled about the point insetX, insetY pixels up and left of its first pixel,
// for a picture shown that far inside a border that keeps its width at every scale (a control's
// edge): what lies around it, scaled about that point too, stays where it was on the picture.
HBITMAP CreateScaledBitmap(HBITMAP hSource, int cx, int cy, int insetX = 0, int insetY = 0);

#endif  // VELTO_PLATFORM_BITMAP_H
