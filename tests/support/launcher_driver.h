// tests/support/launcher_driver.h: the launcher driver: the real launcher run as a separate
// process, found and driven through its windows from outside as a user's input would, and the
// check of the message boxes it shows.
//
// Waits default to kFirstWaitMs: a launcher that works answers in well under a second, and one
// whose window or box never comes must fail its test in seconds, saying what was awaited. Waits
// for what the launcher does with the input it was given end sooner, as soon as it has handled
// all of that input and waits for more without having done it (WaitFor).
#ifndef VELTO_TESTS_SUPPORT_LAUNCHER_DRIVER_H
#define VELTO_TESTS_SUPPORT_LAUNCHER_DRIVER_H

#include <windows.h>

#include "tests/support/dialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace test {

inline constexpr DWORD kFirstWaitMs = 5000;

// A message box as the launcher shows it: captioned "Velto", reading `text` (GBK), with one OK
// button and no icon (MB_OK).
::testing::AssertionResult IsLauncherBox(const MessageBoxSeen& box, const char* text);
// Whether `wnd` is within 2 px each way of where centring puts it: its centre on `over`'s, or
// without one, on the work area's (the screen less the taskbar) of its monitor, moved back
// inside that work area where it would leave it; no for a window gone.
::testing::AssertionResult IsCentredOver(HWND wnd, HWND over = nullptr);

// One run of the launcher. Whatever happens in a test, the destructor leaves no process behind.
class LauncherProcess {
public:
    LauncherProcess() = default;
    ~LauncherProcess();
    LauncherProcess(const LauncherProcess&) = delete;
    LauncherProcess& operator=(const LauncherProcess&) = delete;

    // Starts `exe` in `currentDir` with the client's record file set to recordFile in its
    // environment and waits for its main dialog; false (with the reason, and the windows the
    // launcher had instead, in error()) when either fails. With inheritHandles the launcher gets
    // this process's inheritable handles, as a shell might hand it some.
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

    // Waits up to timeoutMs for `done`, and gives up sooner once the launcher has handled every
    // message posted to it so far, twice over, and `done` still does not hold: what the input
    // sent before this call was to bring about has then not come. LastWait() says which.
    bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kFirstWaitMs) const;
    const std::string& LastWait() const { return m_lastWait; }

    // True once the process has ended, within timeoutMs.
    bool WaitForExit(DWORD timeoutMs = kFirstWaitMs) const;
    // The process's exit code; STILL_ACTIVE while it runs or when it cannot be read, so that a
    // check of the code also sees whether it ended. The launcher ends with 0 however it ends.
    DWORD ExitCode() const;
    void Kill();

    // The window with the keyboard focus in the dialog's thread, null for none.
    HWND Focus() const;
    // A visible "#32770" window of this process owned by `owner`, once one exists (WaitFor); null
    // when none came or the launcher ended. Message boxes and the About box are such windows.
    HWND WaitForOwnedDialog(HWND owner, DWORD timeoutMs = kFirstWaitMs) const;
    // The launcher's open popup menu (class "#32768"), once there is one; null after timeoutMs.
    HWND WaitForPopupMenu(DWORD timeoutMs = kFirstWaitMs) const;
    // What the launcher's windows are now, for a failure message.
    std::string DescribeWindows() const { return DescribeWindowsOf(processId()); }

private:
    bool HandledAllInput() const;

    PROCESS_INFORMATION m_info = {};
    HWND m_dialog = nullptr;
    std::string m_error;
    mutable std::string m_lastWait;
    mutable LPARAM m_marker = 0;
};

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_LAUNCHER_DRIVER_H
