// app/launcher_app.cpp: start-up and lifetime of the launcher.
#include "app/launcher_app.h"

#include "app/launcher_dlg.h"

BEGIN_MESSAGE_MAP(CLauncherApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CLauncherApp theApp;

BOOL CLauncherApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControls();

    {
        CLauncherDlg dlg;
        // Cleared by the framework when the dialog ends, before dlg goes out of scope.
        // cppcheck-suppress danglingLifetime
        m_pMainWnd = &dlg;
        // IDOK after a launch, IDCANCEL otherwise: the program ends either way.
        dlg.DoModal();
    }

    // The dialog has ended, so there is no message loop to run: returning false ends the
    // program.
    return FALSE;
}
