// app/launcher_dlg.h: the region-selection dialog.
#ifndef VELTO_APP_LAUNCHER_DLG_H
#define VELTO_APP_LAUNCHER_DLG_H

#include "platform/bitmap.h"
#include "platform/listbox.h"
#include "platform/static.h"
#include "platform/window.h"
#include "res/resource.h"

class CLauncherDlg : public CDialog {
public:
    enum { IDD = IDD_LAUNCHER_DIALOG };

    explicit CLauncherDlg(CWnd* pParent = nullptr);

protected:
    CListBox m_regionList;
    CStatic m_picture;
    HICON m_hIcon;  // shared with the system; never destroyed here
    // The background picture at this display's scale while the dialog shows it; empty where the
    // template's own bitmap fits as it is. That one is the control's, put aside meanwhile.
    CBitmap m_scaledPicture;
    HBITMAP m_hTemplatePicture = nullptr;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void ScalePictureWithDialog();

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnDestroy();
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    DECLARE_MESSAGE_MAP()
};

#endif  // VELTO_APP_LAUNCHER_DLG_H
