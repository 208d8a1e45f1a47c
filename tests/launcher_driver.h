// tests/launcher_driver.h: running the real launcher as a separate process and driving its
// windows from outside, as a user's input would.
//
// Texts of another process's windows are read through the "W" functions and converted to code
// page 936 here: under Wine the "A" forms truncate double-byte text when they cross processes.
#ifndef VELTO_TESTS_LAUNCHER_DRIVER_H
#define VELTO_TESTS_LAUNCHER_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Polls `done` every few milliseconds; true as soon as it holds, false after timeoutMs.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

std::string ToGbk(const std::wstring& text);
std::string WindowTextGbk(HWND wnd);
std::string ListItemGbk(HWND list, int index);
std::string DlgItemTextGbk(HWND dialog, int id);
std::string ClassName(HWND wnd);
// Texts of the direct children of `parent` whose class is `cls`, in z-order.
std::vector<std::string> ChildTextsGbk(HWND parent, const char* cls);
// Ids of the visible push buttons of a dialog, in z-order.
std::vector<int> VisibleButtonIds(HWND dialog);
// True when one of the dialog's visible icon controls (statics with SS_ICON) holds an icon, or
// cannot tell.
bool ShowsIconControl(HWND dialog);

// True when `wnd`, as it shows on screen now, has `icon` drawn at size x size pixels somewhere in
// `area` (window coordinates). Only the icon's opaque pixels are compared, so whatever lies under
// it does not matter. The window should be on top of others while this runs.
bool ShowsIcon(HWND wnd, HICON icon, int size, RECT area);

// Input as the window would get it from a user, posted to its queue (client coordinates).
void PostClick(HWND wnd, POINT at);
void PostDoubleClick(HWND wnd, POINT at);
void PostKey(HWND wnd, UINT vk);
// What button `id` of `dialog` sends its dialog when it is clicked.
void PostButtonCommand(HWND dialog, int id);
POINT ClientCentre(HWND wnd);
// Centre of list item `index` (LB_GETITEMRECT); (-1, -1) when the list cannot tell.
POINT ListItemCentre(HWND list, int index);

// One run of the launcher. Whatever happens in a test, the destructor leaves no process behind.
class LauncherProcess {
public:
    LauncherProcess() = default;
    ~LauncherProcess();
    LauncherProcess(const LauncherProcess&) = delete;
    LauncherProcess& operator=(const LauncherProcess&) = delete;

    // Starts `exe` in `currentDir` with VEXA_RECORD=recordFile in its environment and waits for
    // its main dialog; false (with the reason in error()) when either fails. With inheritHandles
    // the launcher gets this process's inheritable handles, as a shell might hand it some.
    bool Start(const std::string& exe, const std::string& currentDir,
               const std::string& recordFile, bool inheritHandles = false);
    // The same for paths that the ANSI code page may not be able to write.
    bool Start(const std::wstring& exe, const std::wstring& currentDir,
               const std::string& recordFile, bool inheritHandles = false);

    HWND dialog() const { return m_dialog; }
    HWND Item(int id) const { return GetDlgItem(m_dialog, id); }
    DWORD processId() const { return m_info.dwProcessId; }
    const std::string& error() const { return m_error; }

    bool Running() const;
    // Whether the process has a window, visible or not.
    bool HasWindows() const;
    // True when the process has ended within timeoutMs.
    bool WaitForExit(DWORD timeoutMs = 10000) const;
    DWORD ExitCode() const;
    void Kill();

    // The window with the keyboard focus in the dialog's thread, null for none.
    HWND Focus() const;
    // A visible "#32770" window of this process owned by `owner`, once one exists; null after
    // timeoutMs. Message boxes and the About box are such windows.
    HWND WaitForOwnedDialog(HWND owner, DWORD timeoutMs = 10000) const;
    // The launcher's open popup menu (class "#32768"), once there is one; null after timeoutMs.
    HWND WaitForPopupMenu(DWORD timeoutMs = 10000) const;

private:
    HWND FindDialog() const;
    HWND WaitForWindow(const char* cls, bool anyOwner, HWND owner, DWORD timeoutMs) const;

    PROCESS_INFORMATION m_info = {};
    HWND m_dialog = nullptr;
    std::string m_error;
};

}  // namespace e2e

#endif  // VELTO_TESTS_LAUNCHER_DRIVER_H
