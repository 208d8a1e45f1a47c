// platform/menu.cpp: temporary menu wrappers.
#include "platform/menu.h"

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    // One user-interface thread, and callers use the wrapper at once: a single slot is enough.
    static CMenu temporary;
    if (hMenu == nullptr)
        return nullptr;
    temporary.m_hMenu = hMenu;
    return &temporary;
}
