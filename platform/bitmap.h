// platform/bitmap.h: GDI bitmaps.
//
// Classes in this file:
//   CBitmap   owns one GDI bitmap and deletes it
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

#endif  // VELTO_PLATFORM_BITMAP_H
