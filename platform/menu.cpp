// platform/menu.cpp: temporary menu wrappers.
#include "platform/menu.h"

#include "platform/text.h"

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    // One user-interface thread, and callers use the wrapper at once: a single slot is enough.
    static CMenu temporary;
    if (hMenu == nullptr)
        return nullptr;
    temporary.m_hMenu = hMenu;
    return &temporary;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem)
{
    // Bitmap and owner-drawn items carry a handle or a value there, not a text.
    if ((nFlags & (MF_BITMAP | MF_OWNERDRAW)) != 0)
        return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, reinterpret_cast<LPCWSTR>(lpszNewItem));
    const CGbkToWide item(lpszNewItem);
    if (!item.IsValid())
        return FALSE;
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, item);
}
