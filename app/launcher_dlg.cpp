// app/launcher_dlg.cpp: the region-selection dialog.
#include "app/launcher_dlg.h"

#include "app/about_dlg.h"
#include "platform/app.h"
#include "platform/menu.h"
#include "platform/paintdc.h"
#include "platform/text.h"
#include "region/launch_request.h"
#include "region/region_table.h"

BEGIN_MESSAGE_MAP(CLauncherDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

CLauncherDlg::CLauncherDlg(CWnd* pParent)
    : CDialog(CLauncherDlg::IDD, pParent), m_hIcon(AfxGetApp()->LoadIcon(IDR_MAINFRAME))
{
}

void CLauncherDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_REGION_LIST, m_regionList);
}

BOOL CLauncherDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != nullptr) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // The list is unsorted, so item i is row i + 1.
    for (const RegionEntry& row : g_regionTable)
        m_regionList.AddString(row.label);

    return TRUE;  // focus to the first tab stop, the confirm button; nothing selected
}

void CLauncherDlg::OnSysCommand(UINT nID, LPARAM)
{
    // The system keeps the low four bits of a command id for itself.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Default();
    }
}

void CLauncherDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }

    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

    // Centre the icon in the client rectangle.
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;

    dc.DrawIcon(x, y, m_hIcon);
}

// The system shows this as the cursor while the minimized window is dragged.
HCURSOR CLauncherDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CLauncherDlg::OnOK()
{
    if (LaunchSelectedRegion(m_regionList, *this))
        CDialog::OnOK();
}

void CLauncherDlg::OnCancel()
{
    CDialog::OnCancel();
}
