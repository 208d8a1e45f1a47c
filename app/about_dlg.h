// app/about_dlg.h: the About box, opened from the system menu.
#ifndef VELTO_APP_ABOUT_DLG_H
#define VELTO_APP_ABOUT_DLG_H

#include "platform/window.h"
#include "res/resource.h"

// Everything it does, ending on OK, Escape or the close box included, is CDialog's.
class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };

    CAboutDlg() : CDialog(CAboutDlg::IDD) {}

protected:
    void DoDataExchange(CDataExchange* pDX) override { CDialog::DoDataExchange(pDX); }

    DECLARE_MESSAGE_MAP()
};

#endif  // VELTO_APP_ABOUT_DLG_H
