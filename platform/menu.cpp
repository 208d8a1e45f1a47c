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
    assert(::IsMenu(m_hMenu) && (nFlags & (MF_BITMAP | MF_OWNERDRAW)) == 0);
    const gbk::ToWide item(lpszNewItem);
    if (!item.IsExact())
        return FALSE;
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, item);
}
