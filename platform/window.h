// platform/window.h: windows and dialogs.
//
// Classes in this file:
//   CWnd           a view of one window handle; never owns or destroys the window
//   CDataExchange  the dialog one data exchange works on
//   CDialog        a modal dialog from a template, with one dialog procedure for all dialogs
//
// Only dialogs receive messages. CWnd and the control wrappers derived from it (CListBox,
// CStatic) are the handle and forwards, one line each but CenterWindow: no virtual functions, no
// state of their own.
#ifndef VELTO_PLATFORM_WINDOW_H
#define VELTO_PLATFORM_WINDOW_H

#include "platform/platform.h"
#include "platform/msgmap.h"

class CMenu;

class CWnd {
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Makes this object a view of hWndNew, an existing window; it must view none yet.
    BOOL Attach(HWND hWndNew)
    {
        assert(m_hWnd == nullptr && ::IsWindow(hWndNew));
        m_hWnd = hWndNew;
        return hWndNew != nullptr;
    }
    HWND Detach()
    {
        HWND hWnd = m_hWnd;
        m_hWnd = nullptr;
        return hWnd;
    }

// Attributes
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    // The system menu as it is now (bRevert false), or null for a window that has none. The
    // pointer is temporary: see CMenu::FromHandle.
    CMenu* GetSystemMenu(BOOL bRevert) const;

// Operations
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
    {
        return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
    }
    // Moves this top-level window, at its size, to be centred over pAlternateOwner, or else over
    // its owner; over the work area of its monitor when that window is hidden or minimized, or
    // there is none. Either way it is kept inside that monitor's work area, its top-left corner
    // (caption and system menu) first should it not fit.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    // The program's windows are Unicode windows; no message sent through here carries text.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                                   reinterpret_cast<LPARAM>(hIcon)));
    }
    // A modal message box owned by this window, of GBK texts; returns the id of the button that
    // closed it, or 0 when it could not be shown. The program's texts are all GBK: a text that
    // is not is a programming error, asserted. Shown anyway, with what does not convert
    // replaced, it still tells the user something went wrong.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType = MB_OK) const;
};

class CDataExchange {
public:
    explicit CDataExchange(CWnd* pDlgWnd) : m_pDlgWnd(pDlgWnd) {}

    CWnd* m_pDlgWnd;
};

// Attaches the dialog's control nIDC to rControl, so that rControl's wrappers act on it.
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CCmdTarget, public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Creates the window from the template as a Unicode dialog (so its texts reach the controls
    // as the template has them, whatever the ANSI code page), runs the modal loop until the
    // dialog ends, destroys the window and returns the end code; -1 when the window could not be
    // created. A dialog with no parent is owned by the application's main window, if that has one.
    // The owner is disabled before the dialog is created and enabled again as it ends. A dialog
    // that its initialisation neither shows nor moves, and whose template leaves it unplaced
    // (CheckAutoCenter), is centred once initialised (CenterWindow).
    virtual INT_PTR DoModal();

    void EndDialog(int nResult);
    // Converts lpRect from this dialog's units to pixels, as its template's controls were placed.
    void MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

    virtual BOOL OnInitDialog();

protected:
    // Data exchange here only attaches controls: it has no direction and cannot fail, so it is
    // run as it is, where MFC would run UpdateData.
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();
    // Whether the dialog is left to be centred: its template asks for no place of its own
    // (DS_CENTER, DS_CENTERMOUSE, DS_ABSALIGN), which the dialog manager has already given it.
    virtual BOOL CheckAutoCenter();

    // Leaves the message being handled to the system's default processing: once the handler
    // returns, the dialog procedure reports the message as not handled and the dialog manager
    // processes it. That runs after the handler, so there is no result to hand back; call it
    // last. Only valid inside a handler.
    void Default()
    {
        assert(m_pbMsgHandled != nullptr && "Default() outside a message handler");
        if (m_pbMsgHandled != nullptr)
            *m_pbMsgHandled = false;
    }

    // Runs the handler of a message, from the map or built in; false when there is none, and
    // otherwise the message's result in *pResult.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    // While a handler runs, the "handled" mark of its message, which Default() clears. A message
    // sent to the window from inside a handler has a mark of its own.
    bool* m_pbMsgHandled = nullptr;
    // The owner that DoModal disabled, until the dialog ends.
    HWND m_hWndOwnerDisabled = nullptr;

    // The one dialog procedure of every CDialog: finds the object and runs its map.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

#endif  // VELTO_PLATFORM_WINDOW_H
