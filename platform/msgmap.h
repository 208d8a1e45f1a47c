// platform/msgmap.h: message maps, the tables that tie messages and commands to member handlers.
//
// A map is a static array of entries closed by a zero entry; each map links to its base class's
// map, and the dispatcher walks them in that order, so a derived class's entry wins. An entry
// records how to unpack wParam/lParam (its signature kind) so handlers get typed arguments and
// never pick the raw parameters apart.
//
// Classes in this file: CCmdTarget (root of everything that has a map).
#ifndef VELTO_PLATFORM_MSGMAP_H
#define VELTO_PLATFORM_MSGMAP_H

#include "platform/platform.h"

class CCmdTarget;

typedef void (CCmdTarget::*AFX_PMSG)();

// A handler, stored as the member of its own signature; the entry's nSig says which one is set.
union MessageMapFunctions {
    AFX_PMSG pfn_vv;
    void (CCmdTarget::*pfn_vwl)(UINT, LPARAM);
    HCURSOR (CCmdTarget::*pfn_hv)();
};

enum AfxSig {
    AfxSig_end = 0,  // closes a map
    AfxSig_vv,       // void Handler()
    AfxSig_vwl,      // void Handler(UINT, LPARAM): wParam as UINT, lParam as is
    AfxSig_hv,       // HCURSOR Handler(): the handle is the message's result
};

// Notification code of a WM_COMMAND that came from a menu or an accelerator. A button's
// BN_CLICKED is 0 as well, which is why a button press matches ON_COMMAND.
#define CN_COMMAND 0

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message, or WM_COMMAND for commands
    UINT nCode;     // notification code, for WM_COMMAND; 0 for other messages
    UINT nID;       // command id, for WM_COMMAND; 0 for other messages
    UINT nSig;      // an AfxSig value
    MessageMapFunctions pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The entry for (nMsg, nCode, nID) among lpEntry's, up to the closing one; null for none.
const AFX_MSGMAP_ENTRY* AFXAPI AfxFindMessageEntry(const AFX_MSGMAP_ENTRY* lpEntry, UINT nMsg,
                                                   UINT nCode, UINT nID);

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler of command nID (notification code nCode) if this object's map chain has
    // one; false when none does.
    bool OnCmdMsg(UINT nID, UINT nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The first entry for (nMsg, nCode, nID) in this object's map and then in its bases'.
    const AFX_MSGMAP_ENTRY* FindEntry(UINT nMsg, UINT nCode, UINT nID) const;
    // Calls the handler the entry names with the message's parameters; returns its result.
    LRESULT Invoke(const AFX_MSGMAP_ENTRY& entry, WPARAM wParam, LPARAM lParam);
};

#define DECLARE_MESSAGE_MAP()                    \
protected:                                       \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

// The entries live in a function so that ThisClass is in scope for the ON_* macros.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                 \
    {                                                                               \
        using ThisClass [[maybe_unused]] = theClass;                                \
        typedef baseClass TheBaseClass;                                             \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                    \
            {0, 0, 0, AfxSig_end, {nullptr}}                                 \
        };                                                                   \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, \
                                              &_messageEntries[0]};          \
        return &messageMap;                                                  \
    }

// Each entry stores its handler as the member of the same signature on CCmdTarget: the handler
// is first taken as a member of ThisClass, which checks its signature, then converted to the
// base class's member, a conversion with no reinterpretation. The compiler builds the tables
// as data: no code runs to fill them, and no guard of a function's statics is linked.

// void OnDestroy()
#define ON_WM_DESTROY()                                              \
    {WM_DESTROY, 0, 0, AfxSig_vv,                                    \
     {.pfn_vv = static_cast<AFX_PMSG>(                               \
          static_cast<void (ThisClass::*)()>(&ThisClass::OnDestroy))}},

// void OnPaint()
#define ON_WM_PAINT()                                                \
    {WM_PAINT, 0, 0, AfxSig_vv,                                      \
     {.pfn_vv = static_cast<AFX_PMSG>(                               \
          static_cast<void (ThisClass::*)()>(&ThisClass::OnPaint))}},

// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                                                  \
    {WM_QUERYDRAGICON, 0, 0, AfxSig_hv,                                        \
     {.pfn_hv = static_cast<HCURSOR (CCmdTarget::*)()>(                        \
          static_cast<HCURSOR (ThisClass::*)()>(&ThisClass::OnQueryDragIcon))}},

// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND()                                                      \
    {WM_SYSCOMMAND, 0, 0, AfxSig_vwl,                                           \
     {.pfn_vwl = static_cast<void (CCmdTarget::*)(UINT, LPARAM)>(               \
          static_cast<void (ThisClass::*)(UINT, LPARAM)>(&ThisClass::OnSysCommand))}},

// void memberFxn()
#define ON_COMMAND(id, memberFxn)                                    \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), AfxSig_vv,       \
     {.pfn_vv = static_cast<AFX_PMSG>(                               \
          static_cast<void (ThisClass::*)()>(&ThisClass::memberFxn))}},

#endif  // VELTO_PLATFORM_MSGMAP_H
