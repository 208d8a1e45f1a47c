// platform/listbox.h: CListBox, a single-selection list box seen through its handle.
//
// Items are GBK texts in the program and UTF-16 in the list (see platform/text.h).
#ifndef VELTO_PLATFORM_LISTBOX_H
#define VELTO_PLATFORM_LISTBOX_H

#include "platform/window.h"

class CListBox : public CWnd {
public:
// Attributes
    // The selected index, or LB_ERR when nothing is selected.
    int GetCurSel() const
    {
        assert(::IsWindow(m_hWnd));
        assert(!(::GetWindowLongW(m_hWnd, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)));
        return static_cast<int>(SendMessage(LB_GETCURSEL));
    }
    // Copies item nIndex's text, as GBK and terminated, to lpszBuffer, which has room for
    // nMaxBytes bytes, and returns its length in bytes. Returns LB_ERR, leaving lpszBuffer an
    // empty string and writing nothing past it, when there is no such item, the text does not
    // fit, or it has a character GBK cannot hold exactly.
    int GetText(int nIndex, LPSTR lpszBuffer, int nMaxBytes) const;

// Operations
    // Adds an item; in an unsorted list it becomes the last one. Returns its index; LB_ERR, with
    // nothing added, for a text that is not valid GBK.
    int AddString(LPCSTR lpszItem);
};

#endif  // VELTO_PLATFORM_LISTBOX_H
