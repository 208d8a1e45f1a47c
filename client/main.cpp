// client/main.cpp: the stand-in game client. It shows what the launcher started it with, or, for
// the tests and the benchmark, records that and leaves at once.
//
//   VEXA_STAMP=file   first thing on entry, write QueryPerformanceCounter's value to file
//   VEXA_RECORD=file  write GetCommandLineA()'s bytes to file and exit without a window
//   VEXA_REPORT=file  write what this process was given and inherited to file (see WriteReport),
//                     then keep running, without a window, as a game would once the launcher has
//                     gone: until the event named by VEXA_STOP_EVENT is set, 60 s at most
//
// Exit codes: 0 for a valid command line, 2 for one that is not (after the window closes when
// there is a window), 3 when the record or report file cannot be written, 4 when a reporting
// client was never told to stop.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "client/command_line.h"

namespace {

const int kExitValid = 0;
const int kExitRejected = 2;
const int kExitRecordFailed = 3;
const int kExitNeverStopped = 4;

const DWORD kLingerMaxMs = 60000;

const char kWindowClass[] = "VeltoStandInClient";
const char kTitle[] = "vexa (stand-in game client)";

// Child windows with an id; everything else is a plain label with id 0.
const int kIdClose = IDOK;

// Set before the window exists, read when it is destroyed.
int g_exitCode = kExitValid;

// False when the variable is unset, empty or longer than the buffer.
bool GetEnvironmentPath(const char* name, char* path, DWORD size)
{
    const DWORD n = GetEnvironmentVariableA(name, path, size);
    return n > 0 && n < size;
}

bool WriteWholeFile(const char* path, const void* data, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    return CloseHandle(file) && ok;
}

void WriteStartStamp()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char path[MAX_PATH];
    if (!GetEnvironmentPath("VEXA_STAMP", path, sizeof path))
        return;
    char digits[24];
    DWORD first = sizeof digits;
    unsigned long long value = static_cast<unsigned long long>(now.QuadPart);
    do {
        digits[--first] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    WriteWholeFile(path, digits + first, sizeof digits - first);
}

// ---- Reporting mode: what a started game would find in its own process.

// The name of the object behind handle `h` in this process, as the kernel names it ("" for an
// unnamed one); false when `h` is no handle here. NtQueryObject is looked up rather than imported
// so that the program still imports nothing but the usual system DLLs.
bool DescribeHandle(HANDLE h, char* name, DWORD size)
{
    name[0] = '\0';
    DWORD flags = 0;
    if (!GetHandleInformation(h, &flags))
        return false;
    typedef LONG(WINAPI * QueryObject)(HANDLE, int, void*, ULONG, ULONG*);
    const QueryObject query = reinterpret_cast<QueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    // OBJECT_NAME_INFORMATION: a UNICODE_STRING, then its characters.
    union {
        struct {
            USHORT length;
            USHORT maximumLength;
            const wchar_t* buffer;
        } text;
        char bytes[1024];
    } info = {};
    const int kObjectNameInformation = 1;
    if (query != nullptr &&
        query(h, kObjectNameInformation, &info, sizeof info, nullptr) >= 0 &&
        info.text.buffer != nullptr) {
        const int n = WideCharToMultiByte(CP_ACP, 0, info.text.buffer, info.text.length / 2, name,
                                          static_cast<int>(size) - 1, nullptr, nullptr);
        name[n > 0 ? n : 0] = '\0';
    }
    return true;
}

// One "key=value" line per fact:
//   pid             this process's id
//   priority_class  GetPriorityClass, in hex (0x20 is NORMAL_PRIORITY_CLASS)
//   debugger        1 when a debugger is attached (DEBUG_PROCESS shows here)
//   startup_flags, show_window   from the STARTUPINFO it was given
//   current_dir     its current folder at start
//   probe_env       the value of the variable that VEXA_PROBE_ENV names, "<unset>" without it
//   probe_handle    for the handle value in VEXA_PROBE_HANDLE (hex): "invalid", or "valid" and
//                   the name of the object it is here
//   command_line    GetCommandLineA()
// A suspended start reports nothing at all: the file appears only once the client really runs.
bool WriteReport(const char* path, const char* received)
{
    char text[8192];
    int n = 0;
    auto add = [&](const char* key, const char* format, auto... values) {
        if (n < 0 || n >= static_cast<int>(sizeof text))
            return;
        n += std::snprintf(text + n, sizeof text - n, "%s=", key);
        if (n < static_cast<int>(sizeof text))
            n += std::snprintf(text + n, sizeof text - n, format, values...);
        if (n < static_cast<int>(sizeof text))
            n += std::snprintf(text + n, sizeof text - n, "\n");
    };

    add("pid", "%lu", GetCurrentProcessId());
    add("priority_class", "0x%lx", GetPriorityClass(GetCurrentProcess()));
    add("debugger", "%d", IsDebuggerPresent() ? 1 : 0);
    STARTUPINFOA startup = {};
    GetStartupInfoA(&startup);
    add("startup_flags", "0x%lx", startup.dwFlags);
    add("show_window", "%u", static_cast<unsigned>(startup.wShowWindow));
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    add("current_dir", "%s", folder);

    char name[128];
    char value[1024];
    if (GetEnvironmentPath("VEXA_PROBE_ENV", name, sizeof name)) {
        // Read as Unicode and converted here: Wine's GetEnvironmentVariableA cuts double-byte
        // values short.
        wchar_t wideName[128];
        wchar_t wide[512];
        MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 128);
        const DWORD length = GetEnvironmentVariableW(wideName, wide, 512);
        const int converted = length > 0 && length < 512
                                  ? WideCharToMultiByte(CP_ACP, 0, wide, -1, value, sizeof value,
                                                        nullptr, nullptr)
                                  : 0;
        add("probe_env", "%s", converted > 0 ? value : "<unset>");
    }
    if (GetEnvironmentPath("VEXA_PROBE_HANDLE", value, sizeof value)) {
        const HANDLE h = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(
            std::strtoull(value, nullptr, 16)));
        char object[512];
        if (DescribeHandle(h, object, sizeof object))
            add("probe_handle", "valid %s", object);
        else
            add("probe_handle", "%s", "invalid");
    }
    add("command_line", "%s", received);
    if (n < 0 || n >= static_cast<int>(sizeof text))
        return false;

    // Written whole under another name and renamed, so a reader never sees half a report.
    char partial[MAX_PATH + 8];
    std::snprintf(partial, sizeof partial, "%s.part", path);
    return WriteWholeFile(partial, text, static_cast<DWORD>(n)) &&
           MoveFileExA(partial, path, MOVEFILE_REPLACE_EXISTING);
}

int ReportAndLinger(const char* reportPath, const char* received)
{
    if (!WriteReport(reportPath, received))
        return kExitRecordFailed;
    char eventName[MAX_PATH];
    HANDLE stop = nullptr;
    if (GetEnvironmentPath("VEXA_STOP_EVENT", eventName, sizeof eventName))
        stop = OpenEventA(SYNCHRONIZE, FALSE, eventName);
    const bool stopped = stop != nullptr && WaitForSingleObject(stop, kLingerMaxMs) == WAIT_OBJECT_0;
    if (stop != nullptr)
        CloseHandle(stop);
    return stopped ? g_exitCode : kExitNeverStopped;
}

// ---- The window: labels on the left, values on the right, one button below.

struct Layout {
    HWND parent;
    HFONT font;
    int margin;
    int lineHeight;
    int labelWidth;
    int valueWidth;
    int y;  // top of the next row
};

HWND AddChild(Layout& l, const char* cls, const char* text, DWORD style, int x, int y, int w,
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

int ShowWindowAndWait(HINSTANCE instance, int show, const char* received, bool valid,
                      const ClientCommandLine& line, const ClientCommandLineError& error)
{
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    WriteStartStamp();

    // GetCommandLineA, not WinMain's argument: the parser wants the program token too.
    const char* received = GetCommandLineA();
    const std::size_t length = std::strlen(received);
    static ClientCommandLine line;
    static ClientCommandLineError error;
    const bool valid = ParseClientCommandLine(received, length, &line, &error);
    g_exitCode = valid ? kExitValid : kExitRejected;

    char recordPath[MAX_PATH];
    if (GetEnvironmentPath("VEXA_REPORT", recordPath, sizeof recordPath))
        return ReportAndLinger(recordPath, received);
    if (GetEnvironmentPath("VEXA_RECORD", recordPath, sizeof recordPath)) {
        if (!WriteWholeFile(recordPath, received, static_cast<DWORD>(length)))
            return kExitRecordFailed;
        return g_exitCode;
    }
    return ShowWindowAndWait(instance, show, received, valid, line, error);
}
