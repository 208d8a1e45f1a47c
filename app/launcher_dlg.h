// app/launcher_dlg.h: the region-selection dialog.
#ifndef VELTO_APP_LAUNCHER_DLG_H
#define VELTO_APP_LAUNCHER_DLG_H

#include "platform/listbox.h"
#include "platform/window.h"
#include "res/resource.h"

class CLauncherDlg : public CDialog {
public:
    enum { IDD = IDD_LAUNCHER_DIALOG };

    explicit CLauncherDlg(CWnd* pParent = nullptr);

protected:
    CListBox m_regionList;
    HICON m_hIcon;  // shared with the system; never destroyed here

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    DECLARE_MESSAGE_MAP()
};

#endif  // VELTO_APP_LAUNCHER_DLG_H
