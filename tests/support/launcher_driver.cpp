// tests/support/launcher_driver.cpp: running the real launcher and driving its windows from
// outside.
#include "tests/support/launcher_driver.h"

#include "client/contract.h"
#include "tests/support/expected_texts.h"
#include "tests/support/files.h"
#include "tests/support/hex.h"

#include <vector>

namespace test {

namespace {

// The launcher's message boxes share class and caption with its dialog; only the dialog has no
// owner.
WindowQuery DialogQuery(DWORD processId)
{
    WindowQuery q;
    q.processId = processId;
    q.cls = "#32770";
    q.caption = gbk::kCaption;
    q.anyOwner = false;
    q.owner = nullptr;
    q.visible = true;
    return q;
}

// Once the launcher is idle, that is waiting for input in its modal loop, its dialog is shown; a
// visible window of it that is not the dialog then means the dialog will not come.
HWND OtherVisibleWindow(DWORD processId)
{
    WindowQuery q;
    q.processId = processId;
    q.visible = true;
    return FindWindowOf(q);
}

}  // namespace

::testing::AssertionResult IsLauncherBox(const MessageBoxSeen& box, const char* text)
{
    const std::vector<int> okOnly{IDOK};
    if (box.caption == gbk::kCaption && box.text == text && box.buttonIds == okOnly &&
        !box.iconShown)
        return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "the box is not the launcher's box reading " << Hex(text) << ":";
    if (box.caption != gbk::kCaption)
        failure << " caption " << Hex(box.caption) << ";";
    if (box.text != text)
        failure << " text " << Hex(box.text) << ";";
    if (box.buttonIds != okOnly) {
        failure << " button ids";
        for (int id : box.buttonIds)
            failure << " " << id;
        failure << " (not one OK);";
    }
    if (box.iconShown)
        failure << " an icon;";
    return failure;
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
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    {
        // The child copies the environment when it is created.
        ScopedEnv record(client::kRecordVariable, recordFile);
        if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, inheritHandles, 0,
                            nullptr, currentDir.c_str(), &startup, &m_info)) {
            m_error = "CreateProcess failed with error " + std::to_string(GetLastError());
            return false;
        }
    }
    const DWORD started = GetTickCount();
    const WindowQuery query = DialogQuery(m_info.dwProcessId);
    HWND other = nullptr;
    WaitUntil(
        [&] {
            m_dialog = FindWindowOf(query);
            if (m_dialog != nullptr || !Running())
                return true;
            other = WaitForInputIdle(m_info.hProcess, 0) == 0
                        ? OtherVisibleWindow(m_info.dwProcessId)
                        : nullptr;
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

bool LauncherProcess::HasWindows() const
{
    WindowQuery q;
    q.processId = m_info.dwProcessId;
    return FindWindowOf(q) != nullptr;
}

HWND LauncherProcess::WaitForWindow(const WindowQuery& query, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(query)) != nullptr || !Running(); }, timeoutMs);
    return found;
}

HWND LauncherProcess::WaitForOwnedDialog(HWND owner, DWORD timeoutMs) const
{
    WindowQuery q;
    q.processId = m_info.dwProcessId;
    q.cls = "#32770";
    q.anyOwner = false;
    q.owner = owner;
    q.visible = true;
    return WaitForWindow(q, timeoutMs);
}

HWND LauncherProcess::WaitForPopupMenu(DWORD timeoutMs) const
{
    WindowQuery q;
    q.processId = m_info.dwProcessId;
    q.cls = "#32768";
    q.visible = true;
    return WaitForWindow(q, timeoutMs);
}

}  // namespace test
