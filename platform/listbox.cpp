// platform/listbox.cpp: CListBox's texts.
#include "platform/listbox.h"

#include "platform/text.h"

#include <cstdlib>

int CListBox::AddString(LPCSTR lpszItem)
{
    assert(::IsWindow(m_hWnd));
    const gbk::ToWide item(lpszItem);
    if (!item.IsExact() || lpszItem == nullptr)
        return LB_ERR;
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(item))));
}

int CListBox::GetText(int nIndex, LPSTR lpszBuffer, int nMaxBytes) const
{
    assert(::IsWindow(m_hWnd) && nMaxBytes > 0);
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
        bytes = gbk::Length(text, static_cast<int>(read));
    // Room for the text and its terminator, or nothing is written; a conversion that wrote
    // anything but those bytes leaves the buffer empty, so no wrong label is read back.
    const bool converted = bytes >= 0 && bytes < nMaxBytes &&
                           gbk::Narrow(text, static_cast<int>(read), lpszBuffer, bytes);
    std::free(text);
    lpszBuffer[converted ? bytes : 0] = '\0';
    return converted ? bytes : LB_ERR;
}
