// platform/app.h: the application object and the program's entry point.
//
// The program defines exactly one global object derived from CWinApp. Its constructor, run by
// static initialisation, registers it; WinMain (in this layer) then runs AfxWinMain, which
// calls InitInstance, then ExitInstance, and ends the process. There is no main message loop:
// the program's windows are modal dialogs run inside InitInstance.
#ifndef VELTO_PLATFORM_APP_H
#define VELTO_PLATFORM_APP_H

#include "platform/platform.h"
#include "platform/window.h"

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    CWnd* m_pMainWnd = nullptr;  // cleared when that window is destroyed

    // Returns whether the application should go on running; false ends it. This layer has no
    // message loop to go on with, so the program ends either way.
    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // Icon nIDResource of the program file.
    HICON LoadIcon(UINT nIDResource) const;

    // The target of an application's ID_HELP command. The program ships no help file, so there
    // is nothing to open.
    void OnHelp() {}

protected:
    // Every Win32 version the program runs on draws controls three-dimensionally itself; there
    // is no 3-D control library left to load, so this only reports success.
    BOOL Enable3dControls() { return TRUE; }

    DECLARE_MESSAGE_MAP()
};

CWinApp* AFXAPI AfxGetApp();
CWnd* AFXAPI AfxGetMainWnd();
// The module that holds every resource: the program file itself.
HINSTANCE AFXAPI AfxGetResourceHandle();
// Dialogs of this program host no OLE controls, so there is no container to set up; kept so
// that application code states what it relies on.
inline void AFXAPI AfxEnableControlContainer() {}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine,
                      int nCmdShow);

#endif  // VELTO_PLATFORM_APP_H
