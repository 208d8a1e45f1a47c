// platform/app.cpp: CWinApp, the global accessors and the entry point.
#include "platform/app.h"

static CWinApp* s_pApp;

CWinApp* AFXAPI AfxGetApp()
{
    return s_pApp;
}

CWnd* AFXAPI AfxGetMainWnd()
{
    return s_pApp != nullptr ? s_pApp->m_pMainWnd : nullptr;
}

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    // The program loads no resource DLLs.
    return ::GetModuleHandleA(nullptr);
}

// Applications route ID_HELP here themselves, in their own maps.
BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp()
{
    assert(s_pApp == nullptr && "only one application object");
    s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

int AFXAPI AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    pApp->InitInstance();
    if (pApp->m_pMainWnd != nullptr && pApp->m_pMainWnd->m_hWnd != nullptr)
        ::DestroyWindow(pApp->m_pMainWnd->m_hWnd);
    return pApp->ExitInstance();
}
