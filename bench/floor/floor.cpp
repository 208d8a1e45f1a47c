// bench/floor/floor.cpp: the launcher's visible work in raw Win32, with no framework layer: the
// same template and resources, the same list, system menu, icons, About box and client start,
// and both dialogs where the launcher puts them. The benchmark measures the launcher against it;
// it ships nowhere.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>

#include "region/region_table.h"
#include "res/resource.h"

namespace {

HINSTANCE g_instance;
HICON g_icon;  // shared with the system; never destroyed
HBITMAP g_scaledPicture;    // the picture at the display's scale, while shown; else null
HBITMAP g_templatePicture;  // the control's own, put aside meanwhile

const char kCaption[] = "Velto";
const char kChooseRegion[] = "请选择大区";
const char kStartFailed[] = "程序启动失败";

// Where the framework puts a modal dialog its template leaves unplaced: centred over its owner,
// or with none on its monitor's work area, and kept inside that work area.
void Centre(HWND dlg)
{
    HWND owner = GetWindow(dlg, GW_OWNER);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : dlg, MONITOR_DEFAULTTONEAREST),
                    &monitor);
    const RECT area = monitor.rcWork;
    RECT centre = area;
    if (owner != nullptr)
        GetWindowRect(owner, &centre);
    RECT rect;
    GetWindowRect(dlg, &rect);
    const int cx = rect.right - rect.left;
    const int cy = rect.bottom - rect.top;
    int x = (centre.left + centre.right) / 2 - cx / 2;
    int y = (centre.top + centre.bottom) / 2 - cy / 2;
    x = x + cx > area.right ? area.right - cx : x;
    y = y + cy > area.bottom ? area.bottom - cy : y;
    SetWindowPos(dlg, nullptr, x < area.left ? area.left : x, y < area.top ? area.top : y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK AboutProc(HWND dlg, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        Centre(dlg);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// The launch request's lines, by hand: reads the label back, finds its row, starts the client.
bool LaunchSelectedRegion(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_REGION_LIST);
    char commandLine[kRegionCommandLineBufferSize] = {};
    char label[kRegionLabelBufferSize] = {};
    const int index = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    const int length = static_cast<int>(SendMessageA(list, LB_GETTEXTLEN, index, 0));
    if (length >= 0 && length < static_cast<int>(sizeof label))
        SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(label));

    const char* rowCommandLine = FindRegionCommandLine(label);
    if (rowCommandLine == nullptr) {
        MessageBoxA(dlg, kChooseRegion, kCaption, MB_OK);
        return false;
    }
    std::memcpy(commandLine, rowCommandLine, std::strlen(rowCommandLine) + 1);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        MessageBoxA(dlg, kStartFailed, kCaption, MB_OK);
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Away from 96 DPI the dialog grows and its picture must too: one halftone StretchBlt, kept in a
// DIB section of the resource's format, 16 bits a pixel, shown instead of the template's bitmap,
// the control sized to hold it with its edge.
void ScalePicture(HWND dlg)
{
    HWND picture = GetWindow(dlg, GW_CHILD);
    HBITMAP designed =
        reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bm = {};
    if (GetObjectA(designed, sizeof bm, &bm) != sizeof bm)
        return;
    RECT size = {0, 0, bm.bmWidth, bm.bmHeight};
    MapDialogRect(dlg, &size);
    const int cx = size.right / 2;
    const int cy = size.bottom / 2;
    if (cx == bm.bmWidth && cy == bm.bmHeight)
        return;

    // Halftone into 16 bits directly takes Wine 8 twenty times as long: stretched at 32 bits,
    // then copied, as the launcher does.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP stretched = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    info.bmiHeader.biBitCount = 16;
    g_scaledPicture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC source = CreateCompatibleDC(nullptr);
    HDC scaled = CreateCompatibleDC(nullptr);
    HGDIOBJ oldSource = SelectObject(source, designed);
    HGDIOBJ oldScaled = SelectObject(scaled, stretched);
    SetStretchBltMode(scaled, HALFTONE);
    SetBrushOrgEx(scaled, 0, 0, nullptr);
    StretchBlt(scaled, 0, 0, cx, cy, source, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    SelectObject(scaled, g_scaledPicture);
    SelectObject(source, stretched);
    BitBlt(scaled, 0, 0, cx, cy, source, 0, 0, SRCCOPY);
    SelectObject(scaled, oldScaled);
    SelectObject(source, oldSource);
    DeleteDC(scaled);
    DeleteDC(source);
    DeleteObject(stretched);

    g_templatePicture = reinterpret_cast<HBITMAP>(SendMessageA(
        picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(g_scaledPicture)));
    RECT window, client;
    GetWindowRect(picture, &window);
    GetClientRect(picture, &client);
    SetWindowPos(picture, nullptr, 0, 0, cx + (window.right - window.left - client.right),
                 cy + (window.bottom - window.top - client.bottom),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The control deletes neither bitmap: give it back its own, delete ours.
void RestorePicture(HWND dlg)
{
    if (g_scaledPicture == nullptr)
        return;
    SendMessageA(GetWindow(dlg, GW_CHILD), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(g_templatePicture));
    DeleteObject(g_scaledPicture);
    g_scaledPicture = nullptr;
}

void OnInitDialog(HWND dlg)
{
    if (HMENU sysMenu = GetSystemMenu(dlg, FALSE)) {
        char about[256];
        if (LoadStringA(g_instance, IDS_ABOUTBOX, about, sizeof about) > 0) {
            AppendMenuA(sysMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(sysMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_icon));
    SendMessageA(dlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_icon));

    ScalePicture(dlg);

    HWND list = GetDlgItem(dlg, IDC_REGION_LIST);
    for (const RegionEntry& row : g_regionTable)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.label));
    Centre(dlg);
}

// Only a minimized window paints here: the icon, centred.
void PaintIconic(HWND dlg)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    SendMessageA(dlg, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rect;
    GetClientRect(dlg, &rect);
    const int x = (rect.right - rect.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.bottom - rect.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, g_icon);
    EndPaint(dlg, &ps);
}

INT_PTR CALLBACK LauncherProc(HWND dlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dlg);
        return TRUE;
    case WM_DESTROY:
        RestorePicture(dlg);
        return FALSE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), dlg, AboutProc, 0);
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        if (!IsIconic(dlg))
            return FALSE;
        PaintIconic(dlg);
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(g_icon);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            if (LaunchSelectedRegion(dlg))
                EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_instance = instance;
    g_icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_LAUNCHER_DIALOG), nullptr, LauncherProc, 0);
    return 0;
}
