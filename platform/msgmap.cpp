// platform/msgmap.cpp: walking message maps and calling the handler an entry names.
#include "platform/msgmap.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, AfxSig_end, {nullptr}}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* AFXAPI AfxFindMessageEntry(const AFX_MSGMAP_ENTRY* lpEntry, UINT nMsg,
                                                   UINT nCode, UINT nID)
{
    for (; lpEntry->nSig != AfxSig_end; ++lpEntry) {
        if (lpEntry->nMessage == nMsg && lpEntry->nCode == nCode && lpEntry->nID == nID)
            return lpEntry;
    }
    return nullptr;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT nMsg, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap != nullptr ? pMap->pfnGetBaseMap() : nullptr) {
        if (const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(pMap->lpEntries, nMsg, nCode, nID))
            return e;
    }
    return nullptr;
}

LRESULT CCmdTarget::Invoke(const AFX_MSGMAP_ENTRY& entry, WPARAM wParam, LPARAM lParam)
{
    switch (entry.nSig) {
    case AfxSig_vv:
        (this->*entry.pfn.pfn_vv)();
        return 0;
    case AfxSig_vwl:
        (this->*entry.pfn.pfn_vwl)(static_cast<UINT>(wParam), lParam);
        return 0;
    case AfxSig_hv:
        return reinterpret_cast<LRESULT>((this->*entry.pfn.pfn_hv)());
    }
    assert(!"message map entry with an unknown signature");
    return 0;
}

bool CCmdTarget::OnCmdMsg(UINT nID, UINT nCode)
{
    const AFX_MSGMAP_ENTRY* e = FindEntry(WM_COMMAND, nCode, nID);
    if (e == nullptr)
        return false;
    Invoke(*e, 0, 0);
    return true;
}
