// client/window.cpp: the window that shows what the client was started with: labels on the left,
// values on the right, one button below.
#include "client/modes.h"

#include <cstdio>
#include <cstring>

namespace {

const char kWindowClass[] = "VeltoStandInClient";
const char kTitle[] = "vexa (stand-in game client)";

// Child windows with an id; everything else is a plain label with id 0.
const int kIdClose = IDOK;

// Set before the window exists, read when it is destroyed.
int g_exitCode;

struct Layout {
    HWND parent;
    HFONT font;
    int margin;
    int lineHeight;
    int labelWidth;
    int valueWidth;
    int y;  // top of the next row
};

HWND AddChild(const Layout& l, const char* cls, const char* text, DWORD style, int x, int y, int w,
              int h, int id = 0)
{
    HWND child = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                 l.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(l.font), FALSE);
    return child;
}

const int kRowGap = 4;

void AddNote(Layout& l, const char* text, int lines)
{
    const int h = lines * l.lineHeight;
    AddChild(l, "STATIC", text, SS_LEFT | SS_NOPREFIX, l.margin, l.y,
             l.labelWidth + l.margin + l.valueWidth, h);
    l.y += h + 2 * kRowGap;
}

void AddField(Layout& l, const char* label, const char* value)
{
    AddChild(l, "STATIC", label, SS_LEFT | SS_NOPREFIX, l.margin, l.y, l.labelWidth,
             l.lineHeight);
    AddChild(l, "STATIC", value, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
             2 * l.margin + l.labelWidth, l.y, l.valueWidth, l.lineHeight);
    l.y += l.lineHeight + kRowGap;
}

// A box of `lines` lines under its label; the label sits level with the box's first line.
HWND AddBox(Layout& l, const char* label, const char* cls, DWORD style, int lines)
{
    AddChild(l, "STATIC", label, SS_LEFT | SS_NOPREFIX, l.margin, l.y + 3, l.labelWidth,
             l.lineHeight);
    const int h = lines * l.lineHeight + 6;
    HWND box = AddChild(l, cls, "", WS_BORDER | style,
                        2 * l.margin + l.labelWidth, l.y, l.valueWidth, h);
    l.y += h + kRowGap;
    return box;
}

void AddValidContent(Layout& l, const ClientCommandLine& line)
{
    AddNote(l,
            "This is a stand-in for the game client. It connects to nothing; it only shows "
            "what it was started with.",
            2);
    char text[kClientHostMax + 32];
    AddField(l, "Patch server:", line.patchHost);
    AddField(l, "Patch path:", line.patchPath);
    std::snprintf(text, sizeof text, "%s:%u", line.tradeHost, line.tradePort);
    AddField(l, "Trade server:", text);
    std::snprintf(text, sizeof text, "%d %d %d %d %d %d %d %d  (%d game servers)",
                  line.counts[0], line.counts[1], line.counts[2], line.counts[3], line.counts[4],
                  line.counts[5], line.counts[6], line.counts[7], line.endpointCount);
    AddField(l, "Counts:", text);
    l.y += kRowGap;

    HWND list = AddBox(l, "Game servers:", "LISTBOX",
                       WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS | LBS_NOSEL,
                       line.endpointCount);
    // Tab stops count quarters of the font's average character width.
    const int stops[] = {36, 110};
    SendMessageA(list, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(stops));
    int pair = 0;
    for (int group = 0; group < kClientCountSlots; ++group) {
        for (int k = 0; k < line.counts[group]; ++k, ++pair) {
            const ClientEndpoint& e = line.endpoints[pair];
            std::snprintf(text, sizeof text, "Group %d\t%u.%u.%u.%u\tport %u", group + 1,
                          e.address[0], e.address[1], e.address[2], e.address[3], e.port);
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
    }
}

void AddRejectedContent(Layout& l, const ClientCommandLineError& error, const char* received)
{
    AddNote(l,
            "This is a stand-in for the game client. The command line it was started with is "
            "not valid, so it stops here.",
            2);
    const DWORD readOnly = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    HWND reason = AddBox(l, "Reason:", "EDIT", readOnly, 4);
    SetWindowTextA(reason, error.reason);
    HWND line = AddBox(l, "Received:", "EDIT", WS_VSCROLL | readOnly, 6);
    SetWindowTextA(line, received);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(hwnd);
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(g_exitCode);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int ShowWindowAndWait(HINSTANCE instance, int show, const char* received, bool valid,
                      const ClientCommandLine& line, const ClientCommandLineError& error,
                      int exitCode)
{
    g_exitCode = exitCode;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc))
        return g_exitCode;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND hwnd = CreateWindowExA(0, kWindowClass, kTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                                nullptr);
    if (hwnd == nullptr)
        return g_exitCode;

    // Every size follows the font, so the window keeps its proportions at any DPI.
    Layout l = {};
    l.parent = hwnd;
    l.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, l.font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    static const char* const kLabels[] = {"Patch server:", "Patch path:", "Trade server:",
                                          "Counts:", "Game servers:", "Reason:", "Received:"};
    for (const char* label : kLabels) {
        SIZE size;
        GetTextExtentPoint32A(dc, label, static_cast<int>(std::strlen(label)), &size);
        if (size.cx > l.labelWidth)
            l.labelWidth = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    l.lineHeight = tm.tmHeight;
    l.margin = tm.tmAveCharWidth * 2;
    l.valueWidth = tm.tmAveCharWidth * 58;
    l.y = l.margin;

    if (valid)
        AddValidContent(l, line);
    else
        AddRejectedContent(l, error, received);

    const int clientWidth = 3 * l.margin + l.labelWidth + l.valueWidth;
    const int buttonWidth = tm.tmAveCharWidth * 14;
    const int buttonHeight = tm.tmHeight + 10;
    l.y += kRowGap;
    HWND close = AddChild(l, "BUTTON", "Close", WS_TABSTOP | BS_DEFPUSHBUTTON,
                          clientWidth - l.margin - buttonWidth, l.y, buttonWidth, buttonHeight,
                          kIdClose);
    const int clientHeight = l.y + buttonHeight + l.margin;

    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int w = frame.right - frame.left;
    const int h = frame.bottom - frame.top;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER);
    ShowWindow(hwnd, show);
    SetFocus(close);

    // IsDialogMessage gives the window Tab, Enter (IDOK) and Esc (IDCANCEL).
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

