// platform/menu.h: CMenu, a view of one menu handle.
#ifndef VELTO_PLATFORM_MENU_H
#define VELTO_PLATFORM_MENU_H

#include "platform/platform.h"

class CMenu {
public:
    HMENU m_hMenu = nullptr;

    // A temporary CMenu for hMenu, or null for a null handle. Like every temporary wrapper it
    // is valid only until the next FromHandle call on this thread: use it, do not keep it.
    static CMenu* FromHandle(HMENU hMenu);

    // A separator or a string item (no bitmap or owner-drawn ones); lpszNewItem is a GBK text.
    // FALSE, with nothing appended, when it is not valid GBK.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
};

#endif  // VELTO_PLATFORM_MENU_H
