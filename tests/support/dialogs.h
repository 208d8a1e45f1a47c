// tests/support/dialogs.h: windows and message boxes, in this process or another: reading their
// texts, controls and icons, finding a process's windows, posting a user's input to them, and
// catching the message boxes this thread opens. Needs no GoogleTest (the benchmark uses it).
//
// Texts are read through the "W" functions and converted to code page 936 (GBK) here: under Wine
// the "A" forms truncate double-byte text when they cross processes, and the W forms give the
// same text whatever the code page the tests run under.
#ifndef VELTO_TESTS_SUPPORT_DIALOGS_H
#define VELTO_TESTS_SUPPORT_DIALOGS_H

#include <windows.h>

#include <string>
#include <vector>

namespace test {

// `text` as GBK, converted exactly: a text with any character GBK cannot hold as it is reads as
// "<not exactly GBK>", which no expected text equals.
std::string ToGbk(const std::wstring& text);
std::string WindowTextGbk(HWND wnd);
// SendMessageW that gives up after kAnswerMs, returning `unanswered`, when the window's thread
// does not answer (it hangs, or has ended): a test of another process must never hang with it.
inline constexpr DWORD kAnswerMs = 2000;
LRESULT Ask(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT unanswered = LB_ERR);
std::string ListItemGbk(HWND list, int index);
std::string DlgItemTextGbk(HWND dialog, int id);
std::string ClassName(HWND wnd);
// Ids of a dialog's push buttons whose own style makes them visible, in z-order (the dialog
// itself may not be shown yet).
std::vector<int> VisibleButtonIds(HWND dialog);
// True when one of the dialog's visible icon controls (statics with SS_ICON) holds an icon, or
// cannot tell.
bool ShowsIconControl(HWND dialog);

// Input as the window would get it from a user, posted to its queue (client coordinates).
void PostClick(HWND wnd, POINT at);
void PostDoubleClick(HWND wnd, POINT at);
void PostKey(HWND wnd, UINT vk);
// What button `id` of `dialog` sends its dialog when it is clicked.
void PostButtonCommand(HWND dialog, int id);
POINT ClientCentre(HWND wnd);
// Centre of list item `index` (LB_GETITEMRECT); (-1, -1) when the list cannot tell.
POINT ListItemCentre(HWND list, int index);

// Which top-level window of a process to look for.
struct WindowQuery {
    DWORD processId = 0;
    const char* cls = nullptr;      // null: any class
    const char* caption = nullptr;  // GBK; null: any caption
    bool anyOwner = true;           // false: owned by `owner` (null: by no window)
    HWND owner = nullptr;
    bool hiddenToo = false;         // true: a hidden window too; false: only a visible one
};
// The first top-level window that matches, in z-order; null for none.
HWND FindWindowOf(const WindowQuery& query);
// Every top-level window of the process, one line each (class, caption in hex, owner,
// visibility), to say what was there instead of what a test looked for.
std::string DescribeWindowsOf(DWORD processId);

// What a message box (or any dialog) shows.
struct MessageBoxSeen {
    HWND owner = nullptr;
    std::string caption;          // GBK
    std::string text;             // GBK, the static with id 0xFFFF that holds a box's text
    std::vector<int> buttonIds;   // VisibleButtonIds
    bool iconShown = false;       // ShowsIconControl
};
MessageBoxSeen DescribeMessageBox(HWND box);

// Records and dismisses (with the OK button) every message box this thread opens while the
// object lives. The box is read before it is dismissed.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;
    const std::vector<MessageBoxSeen>& seen() const { return m_seen; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook;
    std::vector<MessageBoxSeen> m_seen;
    std::vector<HWND> m_boxes;  // activation can repeat; each box counts once
};

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_DIALOGS_H
