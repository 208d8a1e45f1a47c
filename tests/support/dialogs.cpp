// tests/support/dialogs.cpp: reading, finding and driving windows and message boxes.
#include "tests/support/dialogs.h"

#include <cstdio>

namespace test {

std::string ToGbk(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    // No best fit: a look-alike (a full-width bracket, a superscript digit) must never read as
    // the GBK text it resembles.
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      &usedDefault);
    if (n <= 0 || usedDefault)
        return "<not exactly GBK>";
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        &out[0], n, nullptr, nullptr);
    return out;
}

std::string WindowTextGbk(HWND wnd)
{
    wchar_t text[1024] = {};
    GetWindowTextW(wnd, text, 1024);
    return ToGbk(text);
}

LRESULT Ask(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT unanswered)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(wnd, message, wParam, lParam, SMTO_NORMAL, kAnswerMs, &result))
        return unanswered;
    return static_cast<LRESULT>(result);
}

std::string ListItemGbk(HWND list, int index)
{
    const LRESULT length = Ask(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length >= 1024)
        return "<LB_ERR>";
    wchar_t text[1024] = {};
    if (Ask(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text)) == LB_ERR)
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

namespace {

bool HasVisibleStyle(HWND wnd)
{
    return (GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

}  // namespace

std::vector<int> VisibleButtonIds(HWND dialog)
{
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassName(child).c_str(), "Button") == 0 && HasVisibleStyle(child))
            ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

bool ShowsIconControl(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassName(child).c_str(), "Static") != 0 || !HasVisibleStyle(child) ||
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        // A message box keeps its icon control even when it shows no icon.
        DWORD_PTR icon = 0;
        if (!SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_NORMAL, 5000, &icon) || icon != 0)
            return true;
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
    if (Ask(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)) == LB_ERR ||
        r.bottom <= r.top)
        return POINT{-1, -1};
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

namespace {

struct Search {
    const WindowQuery* query;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM param)
{
    Search* s = reinterpret_cast<Search*>(param);
    const WindowQuery& q = *s->query;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == q.processId && (q.cls == nullptr || ClassName(wnd) == q.cls) &&
        (q.anyOwner || GetWindow(wnd, GW_OWNER) == q.owner) &&
        (q.caption == nullptr || WindowTextGbk(wnd) == q.caption) &&
        (q.hiddenToo || IsWindowVisible(wnd))) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

struct Listing {
    DWORD processId;
    std::string text;
};

BOOL CALLBACK ListWindow(HWND wnd, LPARAM param)
{
    Listing* l = reinterpret_cast<Listing*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != l->processId)
        return TRUE;
    char line[160];
    std::snprintf(line, sizeof line, "  class \"%s\", owner %p, %s, caption (GBK hex)",
                  ClassName(wnd).c_str(), static_cast<void*>(GetWindow(wnd, GW_OWNER)),
                  IsWindowVisible(wnd) ? "visible" : "hidden");
    l->text += line;
    for (unsigned char c : WindowTextGbk(wnd)) {
        std::snprintf(line, sizeof line, " %02x", c);
        l->text += line;
    }
    l->text += "\n";
    return TRUE;
}

}  // namespace

HWND FindWindowOf(const WindowQuery& query)
{
    Search s = {&query, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string DescribeWindowsOf(DWORD processId)
{
    Listing l = {processId, std::string()};
    EnumWindows(ListWindow, reinterpret_cast<LPARAM>(&l));
    return l.text.empty() ? "  (no window)\n" : l.text;
}

MessageBoxSeen DescribeMessageBox(HWND box)
{
    MessageBoxSeen seen;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = WindowTextGbk(box);
    seen.text = DlgItemTextGbk(box, 0xFFFF);
    seen.buttonIds = VisibleButtonIds(box);
    seen.iconShown = ShowsIconControl(box);
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
        bool known = false;
        for (HWND h : s_catcher->m_boxes)
            known = known || h == box;
        if (!known && ClassName(box) == "#32770") {
            s_catcher->m_boxes.push_back(box);
            s_catcher->m_seen.push_back(DescribeMessageBox(box));
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace test
