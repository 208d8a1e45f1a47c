// tests/launcher_driver.cpp: running the real launcher and driving its windows from outside.
#include "tests/launcher_driver.h"

#include "tests/test_support.h"

namespace e2e {

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

std::string ToGbk(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                      0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

std::string WindowTextGbk(HWND wnd)
{
    wchar_t text[1024] = {};
    GetWindowTextW(wnd, text, 1024);
    return ToGbk(text);
}

std::string ListItemGbk(HWND list, int index)
{
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length >= 1024)
        return "<LB_ERR>";
    wchar_t text[1024] = {};
    if (SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text)) == LB_ERR)
        return "<LB_ERR>";
    return ToGbk(text);
}

std::string DlgItemTextGbk(HWND dialog, int id)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, id, text, 1024);
    return ToGbk(text);
}

std::string ClassName(HWND wnd)
{
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    return cls;
}

std::vector<std::string> ChildTextsGbk(HWND parent, const char* cls)
{
    std::vector<std::string> texts;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassName(child).c_str(), cls) == 0)
            texts.push_back(WindowTextGbk(child));
    }
    return texts;
}

std::vector<int> VisibleButtonIds(HWND dialog)
{
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassName(child).c_str(), "Button") == 0 && IsWindowVisible(child))
            ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

bool ShowsIconControl(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassName(child).c_str(), "Static") != 0 || !IsWindowVisible(child) ||
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        // A message box keeps its icon control even when it shows no icon.
        DWORD_PTR icon = 0;
        if (!SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_NORMAL, 5000, &icon) || icon != 0)
            return true;
    }
    return false;
}

namespace {

// A top-down 32-bit picture, pixels as 0x00RRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const { return pixels[y * width + x] & 0xFFFFFF; }
};

// Copies a width x height block from `source` at (x, y), or draws into a blank picture filled
// with `fill` when `source` is null and `icon` is given.
Picture Capture(HDC source, int x, int y, int width, int height, HICON icon = nullptr,
                DWORD fill = 0)
{
    Picture picture;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC memory = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        DeleteDC(memory);
        return picture;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool ok;
    if (source != nullptr) {
        ok = BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY) != 0;
    } else {
        DWORD* p = static_cast<DWORD*>(bits);
        for (int i = 0; i < width * height; ++i)
            p[i] = fill;
        ok = DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL) != 0;
    }
    GdiFlush();
    if (ok) {
        picture.width = width;
        picture.height = height;
        const DWORD* p = static_cast<const DWORD*>(bits);
        picture.pixels.assign(p, p + width * height);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return picture;
}

}  // namespace

bool ShowsIcon(HWND wnd, HICON icon, int size, RECT area)
{
    // A pixel that comes out the same over black and over white is one the icon covers fully.
    const Picture overBlack = Capture(nullptr, 0, 0, size, size, icon, 0x000000);
    const Picture overWhite = Capture(nullptr, 0, 0, size, size, icon, 0xFFFFFF);
    if (overBlack.pixels.empty() || overWhite.pixels.empty())
        return false;
    struct Opaque {
        int x, y;
        DWORD colour;
    };
    std::vector<Opaque> opaque;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (overBlack.At(x, y) == overWhite.At(x, y))
                opaque.push_back({x, y, overBlack.At(x, y)});
    // An icon with hardly any opaque pixel would match nearly anything.
    if (opaque.size() < static_cast<std::size_t>(size * size / 4))
        return false;

    HDC dc = GetWindowDC(wnd);
    const Picture shown = Capture(dc, area.left, area.top, area.right - area.left,
                                  area.bottom - area.top);
    ReleaseDC(wnd, dc);
    if (shown.pixels.empty())
        return false;
    for (int top = 0; top + size <= shown.height; ++top) {
        for (int left = 0; left + size <= shown.width; ++left) {
            bool all = true;
            for (const Opaque& o : opaque) {
                if (shown.At(left + o.x, top + o.y) != o.colour) {
                    all = false;
                    break;
                }
            }
            if (all)
                return true;
        }
    }
    return false;
}

void PostClick(HWND wnd, POINT at)
{
    const LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(wnd, WM_LBUTTONUP, 0, where);
}

void PostDoubleClick(HWND wnd, POINT at)
{
    // What a window with CS_DBLCLKS gets for two quick clicks.
    const LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(wnd, WM_LBUTTONUP, 0, where);
    PostMessageA(wnd, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageA(wnd, WM_LBUTTONUP, 0, where);
}

void PostKey(HWND wnd, UINT vk)
{
    const UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    PostMessageA(wnd, WM_KEYDOWN, vk, MAKELPARAM(1, scan));
    PostMessageA(wnd, WM_KEYUP, vk, MAKELPARAM(1, scan | KF_UP | KF_REPEAT));
}

void PostButtonCommand(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

POINT ClientCentre(HWND wnd)
{
    RECT r = {};
    GetClientRect(wnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT ListItemCentre(HWND list, int index)
{
    RECT r = {};
    if (SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)) == LB_ERR ||
        r.bottom <= r.top)
        return POINT{-1, -1};
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

LauncherProcess::~LauncherProcess()
{
    Kill();
    if (m_info.hThread != nullptr)
        CloseHandle(m_info.hThread);
    if (m_info.hProcess != nullptr)
        CloseHandle(m_info.hProcess);
}

bool LauncherProcess::Start(const std::string& exe, const std::string& currentDir,
                            const std::string& recordFile, bool inheritHandles)
{
    const auto wide = [](const std::string& s) {
        std::wstring w(s.size() + 1, L'\0');
        const int n =
            MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], static_cast<int>(w.size()));
        w.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
        return w;
    };
    return Start(wide(exe), wide(currentDir), recordFile, inheritHandles);
}

bool LauncherProcess::Start(const std::wstring& exe, const std::wstring& currentDir,
                            const std::string& recordFile, bool inheritHandles)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    {
        // The child copies the environment when it is created.
        test::ScopedEnv record("VEXA_RECORD", recordFile);
        if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, inheritHandles, 0,
                            nullptr,
                            currentDir.c_str(), &startup, &m_info)) {
            m_error = "CreateProcess failed with error " + std::to_string(GetLastError());
            return false;
        }
    }
    WaitForInputIdle(m_info.hProcess, 10000);
    if (!WaitUntil([this] { return (m_dialog = FindDialog()) != nullptr || !Running(); })) {
        m_error = "no dialog appeared";
        return false;
    }
    if (m_dialog == nullptr) {
        m_error = "the launcher ended before showing its dialog, exit code " +
                  std::to_string(ExitCode());
        return false;
    }
    // Answered only once the launcher's thread waits for messages again, that is when it has
    // finished showing the dialog.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(m_dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    return true;
}

bool LauncherProcess::Running() const
{
    return m_info.hProcess != nullptr && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool LauncherProcess::WaitForExit(DWORD timeoutMs) const
{
    return m_info.hProcess != nullptr &&
           WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD LauncherProcess::ExitCode() const
{
    DWORD code = 0;
    GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

void LauncherProcess::Kill()
{
    if (Running()) {
        TerminateProcess(m_info.hProcess, 0xDEAD);
        WaitForSingleObject(m_info.hProcess, 10000);
    }
}

HWND LauncherProcess::Focus() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(m_dialog, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

namespace {

struct Search {
    DWORD pid;
    const char* cls;      // null: any window of the process, visible or not
    bool anyOwner;
    HWND owner;
    const char* caption;  // null: any
    HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND wnd, LPARAM param)
{
    Search* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (s->cls == nullptr) {  // any window of the process, visible or not
        if (pid != s->pid)
            return TRUE;
        s->found = wnd;
        return FALSE;
    }
    if (pid == s->pid && ClassName(wnd) == s->cls &&
        (s->anyOwner || GetWindow(wnd, GW_OWNER) == s->owner) &&
        (s->caption == nullptr || WindowTextGbk(wnd) == s->caption) && IsWindowVisible(wnd)) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND LauncherProcess::FindDialog() const
{
    // The launcher's message boxes share class and caption; only the main dialog has no owner.
    Search s = {m_info.dwProcessId, "#32770", false, nullptr, "Velto", nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool LauncherProcess::HasWindows() const
{
    // Any window at all: no class, owner or caption to match.
    Search s = {m_info.dwProcessId, nullptr, true, nullptr, nullptr, nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&s));
    return s.found != nullptr;
}

HWND LauncherProcess::WaitForWindow(const char* cls, bool anyOwner, HWND owner,
                                    DWORD timeoutMs) const
{
    Search s = {m_info.dwProcessId, cls, anyOwner, owner, nullptr, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&s));
            return s.found != nullptr || !Running();
        },
        timeoutMs);
    return s.found;
}

HWND LauncherProcess::WaitForOwnedDialog(HWND owner, DWORD timeoutMs) const
{
    return WaitForWindow("#32770", false, owner, timeoutMs);
}

HWND LauncherProcess::WaitForPopupMenu(DWORD timeoutMs) const
{
    return WaitForWindow("#32768", true, nullptr, timeoutMs);
}

}  // namespace e2e
