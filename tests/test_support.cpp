// tests/test_support.cpp: helpers for Windows tests under Wine.
#include "tests/test_support.h"

namespace test {

std::string ProgramDir()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/"));
}

std::string BinDir()
{
    return ProgramDir() + "\\..\\bin";
}

std::string ShippedBinDir()
{
    char dir[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("VELTO_SHIPPED_BIN_DIR", dir, sizeof dir);
    return n > 0 && n < sizeof dir ? std::string(dir, n) : BinDir();
}

ScratchDir::ScratchDir()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    for (unsigned n = GetCurrentProcessId() * 1000u + GetTickCount() % 1000u;; ++n) {
        m_path = std::string(base) + "velto-test-" + std::to_string(n);
        if (CreateDirectoryA(m_path.c_str(), nullptr))
            return;
    }
}

ScratchDir::~ScratchDir()
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((m_path + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA(File(found.cFileName).c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(m_path.c_str());
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnv::~ScopedEnv()
{
    SetEnvironmentVariableA(m_name.c_str(), nullptr);
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& path)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    m_previous = previous;
    SetCurrentDirectoryA(path.c_str());
}

ScopedCurrentDir::~ScopedCurrentDir()
{
    SetCurrentDirectoryA(m_previous.c_str());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(h);
    return bytes;
}

std::string WaitForFile(const std::string& path, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    std::string last;
    bool seen = false;
    while (GetTickCount() - start < timeoutMs) {
        if (FileExists(path)) {
            std::string now = ReadFileBytes(path);
            if (seen && now == last && !now.empty())
                return now;
            last = now;
            seen = true;
        }
        Sleep(50);
    }
    return last;
}

MessageBoxSeen DescribeMessageBox(HWND box)
{
    MessageBoxSeen seen;
    seen.owner = GetWindow(box, GW_OWNER);
    char text[1024];
    GetWindowTextA(box, text, sizeof text);
    seen.caption = text;
    // A message box shows its text in a static control with id 0xFFFF.
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.text = text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64];
        GetClassNameA(child, cls, sizeof cls);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        // The box itself may not be shown yet, so look at each control's own style bit.
        const bool visible = (style & WS_VISIBLE) != 0;
        if (lstrcmpiA(cls, "Button") == 0 && visible)
            seen.buttonIds.push_back(GetDlgCtrlID(child));
        if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
            visible && SendMessageA(child, STM_GETICON, 0, 0) != 0)
            seen.iconShown = true;
    }
    return seen;
}

static MessageBoxCatcher* s_catcher;

MessageBoxCatcher::MessageBoxCatcher()
{
    s_catcher = this;
    m_hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    UnhookWindowsHookEx(m_hook);
    s_catcher = nullptr;
}

LRESULT CALLBACK MessageBoxCatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && s_catcher != nullptr) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char cls[16];
        GetClassNameA(box, cls, sizeof cls);
        bool known = false;
        for (HWND h : s_catcher->m_boxes)
            known = known || h == box;
        if (!known && lstrcmpA(cls, "#32770") == 0) {
            s_catcher->m_boxes.push_back(box);
            s_catcher->m_seen.push_back(DescribeMessageBox(box));
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace test
