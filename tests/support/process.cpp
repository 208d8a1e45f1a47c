// tests/support/process.cpp: processes and jobs.
#include "tests/support/process.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace test {

namespace {

// One row of the system's handle table (SystemExtendedHandleInformation).
struct SystemHandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

const ULONG kSystemExtendedHandleInformation = 64;
const NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

}  // namespace

DWORD CountHandles(DWORD processId)
{
    std::vector<ULONG_PTR> buffer(64 * 1024);
    NTSTATUS status;
    for (;;) {
        // NOLINTNEXTLINE(bugprone-misplaced-widening-cast): the table is far below 4 GiB.
        const ULONG bytes = static_cast<ULONG>(buffer.size() * sizeof buffer[0]);
        status = NtQuerySystemInformation(
            static_cast<SYSTEM_INFORMATION_CLASS>(kSystemExtendedHandleInformation),
            buffer.data(), bytes, nullptr);
        if (status != kStatusInfoLengthMismatch || buffer.size() > 16 * 1024 * 1024)
            break;
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0)
        return 0;
    // The table is a count, a reserved word, then the rows.
    const ULONG_PTR count = buffer[0];
    const SystemHandleEntry* rows = reinterpret_cast<const SystemHandleEntry*>(&buffer[2]);
    DWORD held = 0;
    for (ULONG_PTR i = 0; i < count; ++i)
        held += rows[i].processId == processId;
    return held;
}

Watchdog::Watchdog(const char* what, DWORD timeoutMs, void (*rescue)(void*), void* context)
    : m_what(what), m_timeoutMs(timeoutMs), m_rescue(rescue), m_context(context),
      m_threadId(GetCurrentThreadId()), m_done(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_finished(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_thread(CreateThread(nullptr, 0, Run, this, 0, nullptr)),
      m_closer(CreateThread(nullptr, 0, Close, this, 0, nullptr))
{
}

Watchdog::~Watchdog()
{
    SetEvent(m_done);
    // The closer may be ending a dialog of this thread just as the scope ended by itself, and
    // ending one sends this thread messages (the owner enabled again): waiting without taking
    // them would wait for ever, so they are taken here. Whatever else holds the closer up, the
    // last resort still ends the program, as it stands down only once the closer has ended.
    DWORD woke;
    do {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        woke = MsgWaitForMultipleObjectsEx(1, &m_closer, INFINITE, QS_SENDMESSAGE,
                                           MWMO_INPUTAVAILABLE);
    } while (woke == WAIT_OBJECT_0 + 1);
    SetEvent(m_finished);
    for (HANDLE thread : {m_closer, m_thread}) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    CloseHandle(m_finished);
    CloseHandle(m_done);
}

namespace {

BOOL CALLBACK EndDialogsOfThread(HWND wnd, LPARAM)
{
    char cls[16] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0) {
        // A message box takes Escape's command; a dialog that ignores it still ends this way.
        PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EndDialog(wnd, IDABORT);
    }
    return TRUE;
}

}  // namespace

DWORD WINAPI Watchdog::Close(void* param)
{
    Watchdog* self = static_cast<Watchdog*>(param);
    if (WaitForSingleObject(self->m_done, self->m_timeoutMs) == WAIT_OBJECT_0)
        return 0;
    InterlockedExchange(&self->m_fired, 1);
    ADD_FAILURE() << "watchdog: " << self->m_what << " did not end within " << self->m_timeoutMs
                  << " ms";
    EnumThreadWindows(self->m_threadId, EndDialogsOfThread, 0);
    if (self->m_rescue != nullptr)
        self->m_rescue(self->m_context);
    // A box still on its way when the time ran out (a loaded machine takes its time to make one),
    // or one the scope opens next, is closed as it comes, until the scope ends or the last resort.
    while (WaitForSingleObject(self->m_done, 100) == WAIT_TIMEOUT)
        EnumThreadWindows(self->m_threadId, EndDialogsOfThread, 0);
    return 0;
}

// The last resort, on a thread of its own from the start: closing can block (ending another
// thread's dialog sends it messages, which a stuck thread does not take), and a thread that
// crashed inside a callback can leave the heap locked, so that nothing that allocates (a thread,
// a failure message, stdio) gets on. This allocates nothing.
DWORD WINAPI Watchdog::Run(void* param)
{
    Watchdog* self = static_cast<Watchdog*>(param);
    if (WaitForSingleObject(self->m_finished, self->m_timeoutMs + 2000) == WAIT_OBJECT_0)
        return 0;
    char line[320];
    const int length = wsprintfA(line,
                                 "watchdog: %.200s did not end within %lu ms, nor after being "
                                 "closed; ending the test program\r\n",
                                 self->m_what.c_str(), static_cast<unsigned long>(self->m_timeoutMs));
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(length), &written, nullptr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

}  // namespace test
