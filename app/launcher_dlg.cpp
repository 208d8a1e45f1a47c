// app/launcher_dlg.cpp: the region-selection dialog.
#include "app/launcher_dlg.h"

#include "app/about_dlg.h"
#include "app/picture.h"
#include "platform/app.h"
#include "platform/menu.h"
#include "platform/paintdc.h"
#include "platform/text.h"
#include "region/launch_request.h"
#include "region/region_table.h"

static const char kCaption[] = "Velto";
static const char kStartFailed[] = "程序启动失败";

BEGIN_MESSAGE_MAP(CLauncherDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_DESTROY()
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

    // The picture is the template's first control; like every unnamed static it has no id of
    // its own to find it by.
    m_picture.Attach(::GetWindow(m_hWnd, GW_CHILD));
    ScalePictureWithDialog();

    // The list is unsorted, so item i is row i + 1. A row that could not be added would leave a
    // region missing from the list: the labels are all GBK and short, so that is a programming
    // error (or memory gone), asserted, and in the shipped program said in a box rather than
    // kept quiet; the regions that are there can still be started.
    bool filled = true;
    for (const RegionEntry& row : g_regionTable)
        filled = m_regionList.AddString(row.label) >= 0 && filled;
    assert(filled && "a region's label could not be added to the list");
    if (!filled)
        MessageBox(kStartFailed, kCaption, MB_OK);

    return TRUE;  // focus to the first tab stop, the confirm button; nothing selected
}

// The background picture is drawn for dialog units of 2 x 2 pixels, what 宋体 12 gives at 96 DPI.
// The dialog's units grow with its font and the display's DPI, the picture's pixels do not:
// stretch it by as much, so that its frame still holds the list and the buttons stay above its
// footer. At the designed size the template's bitmap is shown as it is.
void CLauncherDlg::ScalePictureWithDialog()
{
    HBITMAP designed = m_picture.GetBitmap();
    BITMAP bm = {};
    if (designed == nullptr || ::GetObjectA(designed, sizeof bm, &bm) != sizeof bm)
        return;
    RECT size = {0, 0, bm.bmWidth, bm.bmHeight};
    MapDialogRect(&size);
    const int cx = size.right / 2;
    const int cy = size.bottom / 2;
    if (cx == bm.bmWidth && cy == bm.bmHeight)
        return;

    // The control's sunken edge keeps its width at every DPI while the controls around it move
    // out from the dialog's corner: scaled about that corner, the picture stays under them.
    RECT window, client;
    m_picture.GetWindowRect(&window);
    m_picture.GetClientRect(&client);
    const int edgeX = (window.right - window.left - client.right) / 2;
    const int edgeY = (window.bottom - window.top - client.bottom) / 2;
    // Should that fail, the picture at its designed size beats no picture.
    m_scaledPicture.Attach(CreateScaledPicture(designed, cx, cy, edgeX, edgeY));
    if (m_scaledPicture.GetSafeHandle() == nullptr)
        return;
    m_hTemplatePicture = m_picture.SetBitmap(m_scaledPicture);

    // The control has sized its window, edge included, to the bitmap, which leaves the bitmap a
    // client area smaller than itself: Windows would clip it there, Wine squeeze it in. Room for
    // the edge keeps every pixel where it was scaled to.
    m_picture.SetWindowPos(nullptr, 0, 0, cx + 2 * edgeX, cy + 2 * edgeY,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLauncherDlg::OnDestroy()
{
    // The control deletes no bitmap it shows: give it back its own, and delete ours. A static
    // control that kept a copy of ours instead (one of version 6, for a bitmap with alpha)
    // hands that copy back here, and it is ours to delete too.
    if (m_scaledPicture.GetSafeHandle() != nullptr) {
        HBITMAP shown = m_picture.SetBitmap(m_hTemplatePicture);
        if (shown != nullptr && shown != m_scaledPicture)
            ::DeleteObject(shown);
        m_scaledPicture.DeleteObject();
        m_hTemplatePicture = nullptr;
    }
    m_picture.Detach();
    Default();
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
