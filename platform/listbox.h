// platform/listbox.h: CListBox, a single-selection list box seen through its handle.
#ifndef VELTO_PLATFORM_LISTBOX_H
#define VELTO_PLATFORM_LISTBOX_H

#include "platform/window.h"

class CListBox : public CWnd {
public:
// Attributes
    // The selected index, or LB_ERR when nothing is selected.
    int GetCurSel() const
    {
        assert(!(::GetWindowLongA(m_hWnd, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)));
        return static_cast<int>(SendMessage(LB_GETCURSEL));
    }
    // Length in bytes of item nIndex's text, terminator not counted; LB_ERR for a bad index.
    int GetTextLen(int nIndex) const
    {
        return static_cast<int>(SendMessage(LB_GETTEXTLEN, nIndex));
    }
    // Copies item nIndex's whole text and terminator to lpszBuffer, which must have room for
    // GetTextLen(nIndex) + 1 bytes; LB_ERR, with nothing written, for a bad index.
    int GetText(int nIndex, LPSTR lpszBuffer) const
    {
        return static_cast<int>(
            SendMessage(LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(lpszBuffer)));
    }

// Operations
    // Adds an item; in an unsorted list it becomes the last one. Returns its index.
    int AddString(LPCSTR lpszItem)
    {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem)));
    }
};

#endif  // VELTO_PLATFORM_LISTBOX_H
