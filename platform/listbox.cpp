// platform/listbox.cpp: CListBox's texts.
#include "platform/listbox.h"

#include "platform/text.h"

#include <cstdlib>

int CListBox::AddString(LPCSTR lpszItem)
{
    const CGbkToWide item(lpszItem);
    if (!item.IsValid() || lpszItem == nullptr)
        return LB_ERR;
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(item))));
}

int CListBox::GetText(int nIndex, LPSTR lpszBuffer, int nMaxBytes) const
{
    assert(nMaxBytes > 0);
    if (nMaxBytes <= 0)
        return LB_ERR;
    lpszBuffer[0] = '\0';

    // LB_GETTEXT writes the whole text, so its length is asked first. A list may report up to
    // twice the real length, never less, and no GBK text is shorter in bytes than in UTF-16
    // units: a text reported at twice the buffer or more cannot fit and is not read at all.
    const LRESULT units = ::SendMessageW(m_hWnd, LB_GETTEXTLEN, nIndex, 0);
    if (units < 0 || units >= 2 * static_cast<LRESULT>(nMaxBytes))
        return LB_ERR;
    const size_t size = (static_cast<size_t>(units) + 1) * sizeof(WCHAR);
    WCHAR* text = static_cast<WCHAR*>(std::malloc(size));
    if (text == nullptr)
        return LB_ERR;
    const LRESULT read =
        ::SendMessageW(m_hWnd, LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(text));
    int bytes = -1;
    if (read >= 0 && read <= units)
        bytes = AfxGbkLength(text, static_cast<int>(read));
    // Room for the text and its terminator, or nothing is written.
    if (bytes < 0 || !(bytes < nMaxBytes)) {
        std::free(text);
        return LB_ERR;
    }
    AfxToGbk(text, static_cast<int>(read), lpszBuffer, bytes);
    lpszBuffer[bytes] = '\0';
    std::free(text);
    return bytes;
}
