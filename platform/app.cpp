// platform/app.cpp: CWinApp, the global accessors and the entry point.
#include "platform/app.h"

#include <cstring>

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
    // All resources live in the program file itself.
    return ::GetModuleHandleA(nullptr);
}

HINSTANCE AFXAPI AfxFindResourceHandle(LPCSTR, LPCSTR)
{
    // The program loads no resource DLLs: the one module holds every resource.
    return AfxGetResourceHandle();
}

// Applications route ID_HELP here themselves, in their own maps.
BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName) : m_pszAppName(lpszAppName)
{
    assert(s_pApp == nullptr && "only one application object");
    s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
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
    LPCSTR name = MAKEINTRESOURCEA(nIDResource);
    return ::LoadIconA(AfxFindResourceHandle(name, RT_GROUP_ICON), name);
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    pApp->m_hInstance = hInstance;
    if (pApp->m_pszAppName == nullptr) {
        char path[MAX_PATH];
        const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
        if (n > 0 && n < sizeof path) {
            const char* name = path;
            for (const char* p = path; *p != '\0'; p = ::CharNextA(p))
                if (*p == '\\' || *p == '/')
                    name = p + 1;
            std::strncpy(pApp->m_szModuleName, name, sizeof pApp->m_szModuleName - 1);
            if (char* dot = std::strrchr(pApp->m_szModuleName, '.'))
                *dot = '\0';
        }
        pApp->m_pszAppName = pApp->m_szModuleName;
    }

    if (pApp->InitApplication())
        pApp->InitInstance();
    if (pApp->m_pMainWnd != nullptr && pApp->m_pMainWnd->m_hWnd != nullptr)
        ::DestroyWindow(pApp->m_pMainWnd->m_hWnd);
    return pApp->ExitInstance();
}
