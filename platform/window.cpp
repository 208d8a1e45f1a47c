// platform/window.cpp: CWnd, data exchange, CDialog and the one dialog procedure.
#include "platform/window.h"

#include "platform/app.h"
#include "platform/menu.h"
#include "platform/text.h"

#include <algorithm>
#include <utility>

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) const
{
    const gbk::ToWide text(lpszText);
    const gbk::ToWide caption(lpszCaption);
    assert(text.IsExact() && caption.IsExact() && "a message box text that is not GBK");
    return ::MessageBoxW(m_hWnd, text, caption, nType);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    assert((GetStyle() & WS_CHILD) == 0 && "CenterWindow places top-level windows only");
    HWND hWndCenter =
        pAlternateOwner != nullptr ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (hWndCenter != nullptr && (!::IsWindowVisible(hWndCenter) || ::IsIconic(hWndCenter)))
        hWndCenter = nullptr;
    // The monitor's work area leaves out the taskbar, wherever it is docked.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromWindow(hWndCenter != nullptr ? hWndCenter : m_hWnd,
                                               MONITOR_DEFAULTTONEAREST),
                           &monitor))
        return;
    const RECT& area = monitor.rcWork;
    RECT centre = area;
    if (hWndCenter != nullptr)
        ::GetWindowRect(hWndCenter, &centre);
    RECT rect = {};
    GetWindowRect(&rect);
    const int cx = rect.right - rect.left;
    const int cy = rect.bottom - rect.top;
    const int x = std::max<int>(
        area.left, std::min<int>((centre.left + centre.right) / 2 - cx / 2, area.right - cx));
    const int y = std::max<int>(
        area.top, std::min<int>((centre.top + centre.bottom) / 2 - cy / 2, area.bottom - cy));
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    // Attached afresh on every exchange: a dialog object may be run more than once, and each
    // run has new control windows.
    rControl.m_hWnd = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    assert(rControl.m_hWnd != nullptr && "DDX_Control: no control with that id");
}

BEGIN_MESSAGE_MAP(CDialog, CCmdTarget)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

INT_PTR CDialog::DoModal()
{
    HWND hWndOwner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (hWndOwner == nullptr) {
        CWnd* pMainWnd = AfxGetMainWnd();
        if (pMainWnd != nullptr && pMainWnd != this)
            hWndOwner = pMainWnd->m_hWnd;
    }
    // Disabled before the dialog exists, whenever the system's dialog manager would disable it:
    // the dialog initialises as the modal one it is, and is centred over it. An owner that it
    // finds disabled the dialog manager leaves so: EndDialog enables it.
    if (hWndOwner != nullptr && ::IsWindowEnabled(hWndOwner)) {
        ::EnableWindow(hWndOwner, FALSE);
        m_hWndOwnerDisabled = hWndOwner;
    }
    const INT_PTR result =
        ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), hWndOwner,
                          DialogProc, reinterpret_cast<LPARAM>(this));
    // A dialog that could not be created, or was ended without EndDialog.
    if (HWND hWndDisabled = std::exchange(m_hWndOwnerDisabled, nullptr))
        ::EnableWindow(hWndDisabled, TRUE);
    // WM_NCDESTROY has cleared the main-window pointer if the window existed; a dialog that could
    // not be created never got one, and the pointer must not outlive the (often local) object.
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd == this)
        pApp->m_pMainWnd = nullptr;
    return result;
}

void CDialog::EndDialog(int nResult)
{
    // While the dialog is still shown: one that hides while its owner is disabled hands the
    // activation to whichever other window the system picks, not back to its owner.
    if (HWND hWndDisabled = std::exchange(m_hWndOwnerDisabled, nullptr))
        ::EnableWindow(hWndDisabled, TRUE);
    ::EndDialog(m_hWnd, nResult);
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

BOOL CDialog::OnInitDialog()
{
    CDataExchange dx(this);
    DoDataExchange(&dx);
    return TRUE;  // the dialog manager puts the focus on the first tab stop
}

void CDialog::OnOK()
{
    CDataExchange dx(this);
    DoDataExchange(&dx);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::CheckAutoCenter()
{
    // The dialog manager keeps the template's DS_ styles in the window's style.
    return (GetStyle() & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) == 0;
}

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_INITDIALOG: {
        // A template's WS_VISIBLE takes effect only after this message. Not centred: a dialog
        // its initialisation has shown or moved, and one whose owner is enabled (not modal).
        RECT before = {};
        GetWindowRect(&before);
        const bool wasVisible = (GetStyle() & WS_VISIBLE) != 0;
        *pResult = OnInitDialog();
        RECT after = {};
        GetWindowRect(&after);
        HWND hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);
        if (!wasVisible && (GetStyle() & (WS_VISIBLE | WS_CHILD)) == 0 &&
            after.left == before.left && after.top == before.top &&
            (hWndOwner == nullptr || !::IsWindowEnabled(hWndOwner)) && CheckAutoCenter())
            CenterWindow();
        return true;
    }
    case WM_COMMAND: {
        // Menus and accelerators send no control handle; for them the code is CN_COMMAND.
        const UINT nID = LOWORD(wParam);
        const UINT nCode = lParam == 0 ? CN_COMMAND : HIWORD(wParam);
        *pResult = 0;
        if (OnCmdMsg(nID, nCode))
            return true;
        // The application gets the last word on commands nobody in the dialog handled (help).
        CWinApp* pApp = AfxGetApp();
        return nCode == CN_COMMAND && pApp != nullptr && pApp->OnCmdMsg(nID, nCode);
    }
    case WM_NCDESTROY: {
        CWinApp* pApp = AfxGetApp();
        if (pApp != nullptr && pApp->m_pMainWnd == this)
            pApp->m_pMainWnd = nullptr;
        m_hWnd = nullptr;
        return false;
    }
    default: {
        const AFX_MSGMAP_ENTRY* e = FindEntry(message, 0, 0);
        if (e == nullptr)
            return false;
        *pResult = Invoke(*e, wParam, lParam);
        return true;
    }
    }
}

// A dialog procedure returns FALSE for "not handled, do the default". For most messages the
// result of a handled one goes in DWLP_MSGRESULT; for the few below it is the return value.
static bool ReturnsResultDirectly(UINT message)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* pDlg;
    if (message == WM_INITDIALOG) {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
    } else {
        pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) have no object yet: default handling.
    if (pDlg == nullptr)
        return FALSE;

    bool bMsgHandled = true;  // cleared by a handler that calls Default()
    bool* pOuter = pDlg->m_pbMsgHandled;
    pDlg->m_pbMsgHandled = &bMsgHandled;
    LRESULT result = 0;
    const bool handled = pDlg->OnWndMsg(message, wParam, lParam, &result) && bMsgHandled;
    pDlg->m_pbMsgHandled = pOuter;

    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    if (!handled)
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
