// tests/support/launcher_driver.cpp: running the real launcher and driving its windows from
// outside.
#include "tests/support/launcher_driver.h"

#include "client/contract.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"
#include "tests/support/files.h"
#include "tests/support/hex.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace test {

namespace {

// A launcher that works is idle within milliseconds of answering.
const DWORD kIdleWaitMs = 1000;

std::string Describe(const std::string& caption, const std::string& text,
                     const std::vector<int>& buttonIds, bool iconShown)
{
    std::string out = "caption " + Hex(caption) + "| text " + Hex(text) + "| button ids";
    for (int id : buttonIds)
        out += " " + std::to_string(id);
    return out + (iconShown ? ", an icon" : ", no icon");
}

}  // namespace

::testing::AssertionResult IsLauncherBox(const MessageBoxSeen& box, const char* text)
{
    const std::string seen = Describe(box.caption, box.text, box.buttonIds, box.iconShown);
    const std::string wanted = Describe(gbk::kCaption, text, {IDOK}, false);
    if (seen == wanted)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the box shows\n  " << seen
                                         << "\nnot the launcher's\n  " << wanted;
}

::testing::AssertionResult IsCentredOver(HWND wnd, HWND over)
{
    MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
    const RECT& area = monitor.rcWork;
    RECT r = {};
    RECT centre = {};
    HMONITOR on = MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST);
    const bool placed = GetWindowRect(wnd, &r) && GetMonitorInfoW(on, &monitor) &&
                        (over != nullptr ? GetWindowRect(over, &centre) : (centre = area, true));
    // Centred, but never off the work area: a window taller than it (the launcher at 192 DPI on
    // a 1024-line screen) keeps its caption on it, at its top.
    const auto expected = [](long low, long high, long centre2, long size) {
        return std::max(low, std::min((centre2 - size) / 2, high - size));
    };
    const long x = expected(area.left, area.right, centre.left + centre.right, r.right - r.left);
    const long y = expected(area.top, area.bottom, centre.top + centre.bottom, r.bottom - r.top);
    // 2 px each way: the centre of an odd size falls between two pixels.
    if (placed && std::labs(r.left - x) <= 2 && std::labs(r.top - y) <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window at (" << r.left << ", " << r.top
                                         << ") is " << r.left - x << ", " << r.top - y
                                         << " px from its centred place (" << x << ", " << y
                                         << ")";
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
        ScopedEnv record(client::kRecordVariable, recordFile);
        if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, inheritHandles, 0,
                            nullptr, currentDir.c_str(), &startup, &m_info)) {
            m_error = "CreateProcess failed with error " + std::to_string(GetLastError());
            return false;
        }
    }
    const DWORD started = GetTickCount();
    // The launcher's message boxes share class and caption with its dialog; only the dialog has
    // no owner.
    const WindowQuery query{.processId = m_info.dwProcessId, .cls = "#32770",
                            .caption = gbk::kCaption, .anyOwner = false};
    HWND other = nullptr;
    WaitUntil(
        [&] {
            m_dialog = FindWindowOf(query);
            if (m_dialog != nullptr || !Running())
                return true;
            // Once the launcher is idle, waiting for input in its modal loop, its dialog is
            // shown: a visible window of it that is not the dialog means the dialog will not come.
            if (WaitForInputIdle(m_info.hProcess, 0) == 0)
                other = FindWindowOf({.processId = m_info.dwProcessId});
            return other != nullptr;
        },
        kFirstWaitMs);
    // The dialog may have been shown between the two looks above.
    if (m_dialog == nullptr)
        m_dialog = FindWindowOf(query);
    if (m_dialog == nullptr) {
        if (!Running())
            m_error = "the launcher ended before showing its dialog, exit code " +
                      std::to_string(ExitCode());
        else
            m_error = std::string(other != nullptr ? "the launcher is idle and shows another "
                                                     "window, but no"
                                                   : "no") +
                      " visible ownerless \"#32770\" window captioned \"Velto\" within " +
                      std::to_string(GetTickCount() - started) +
                      " ms; its windows:\n" + DescribeWindows();
        return false;
    }
    // Answered only once the launcher's thread waits for messages again, that is when it has
    // finished showing the dialog.
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(m_dialog, WM_NULL, 0, 0, SMTO_NORMAL, kFirstWaitMs, &ignored)) {
        m_error = "the launcher's dialog did not answer within " + std::to_string(kFirstWaitMs) +
                  " ms";
        return false;
    }
    // Input given before the thread first waits for input can be lost under Wine (a minimize
    // before the window is mapped). A launcher that never waits for input (a message handled
    // without end) is left to the test's own checks.
    WaitForInputIdle(m_info.hProcess, kIdleWaitMs);
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

// A marker posted to the list queues behind everything posted before it, and the thread's
// message loop, whichever is running (the dialog's, a message box's), handles it in turn; the
// list keeps it as item data, which nothing in the launcher reads. A message the handling of
// one posts in turn (the close box's IDCANCEL) is handled before the second marker.
bool LauncherProcess::HandledAllInput() const
{
    const HWND list = Item(IDC_REGION_LIST);
    for (int round = 0; round < 2; ++round) {
        const LPARAM marker = ++m_marker;
        if (list == nullptr || !PostMessageW(list, LB_SETITEMDATA, 0, marker))
            return false;
        const bool handled = WaitUntil(
            [&] {
                DWORD_PTR data = 0;
                return SendMessageTimeoutW(list, LB_GETITEMDATA, 0, 0, SMTO_NORMAL, 200, &data) &&
                       data == static_cast<DWORD_PTR>(marker);
            },
            500, 5);
        if (!handled)
            return false;
    }
    return true;
}

bool LauncherProcess::WaitFor(const std::function<bool()>& done, DWORD timeoutMs) const
{
    const DWORD started = GetTickCount();
    bool came = false;
    int idle = 0;
    WaitUntil(
        [&] {
            if ((came = done()))
                return true;
            // Twice in a row, so that what the first round's input brought about (a box shown
            // once its loop is idle) has happened before the second.
            idle = HandledAllInput() ? idle + 1 : 0;
            if (idle < 2)
                return false;
            came = done();
            return true;
        },
        timeoutMs, 50);
    const std::string took = std::to_string(GetTickCount() - started) + " ms";
    if (came)
        m_lastWait = "came after " + took;
    else if (idle >= 2)
        m_lastWait = "did not come: after " + took +
                     " the launcher had handled all its input and waited for more";
    else
        m_lastWait = "did not come within " + took;
    return came;
}

DWORD LauncherProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
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

HWND LauncherProcess::WaitForOwnedDialog(HWND owner, DWORD timeoutMs) const
{
    const WindowQuery query{.processId = m_info.dwProcessId, .cls = "#32770", .anyOwner = false,
                            .owner = owner};
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowOf(query)) != nullptr || !Running(); }, timeoutMs);
    return found;
}

// Not WaitFor: the menu's own loop is not the thread's message loop.
HWND LauncherProcess::WaitForPopupMenu(DWORD timeoutMs) const
{
    const WindowQuery query{.processId = m_info.dwProcessId, .cls = "#32768"};
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(query)) != nullptr || !Running(); }, timeoutMs);
    m_lastWait = found != nullptr ? "came" : "did not come within " + std::to_string(timeoutMs) +
                                                 " ms";
    return found;
}

}  // namespace test
