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

namespace {

// The first entry for (message, code, id) in a map and then in its bases; null for none.
const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode,
                                         UINT nID)
{
    for (; pMap != nullptr; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != nMessage)
                continue;
            if (nMessage != WM_COMMAND)
                return e;
            if (e->nCode == nCode && e->nID == nID)
                return e;
        }
    }
    return nullptr;
}

}  // namespace

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
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), WM_COMMAND, nCode, nID);
    if (e == nullptr)
        return false;
    Invoke(*e, 0, 0);
    return true;
}

bool CCmdTarget::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), message, 0, 0);
    if (e == nullptr)
        return false;
    *pResult = Invoke(*e, wParam, lParam);
    return true;
}
