// tests/support/process.h: processes and jobs: a watchdog that fails a test stuck in a modal loop
// or a wait, and the handles a process holds. (Every test program's main, main.cpp, also puts the
// program in a job that ends every process it starts, and checks the code page first.)
#ifndef VELTO_TESTS_SUPPORT_PROCESS_H
#define VELTO_TESTS_SUPPORT_PROCESS_H

#include <windows.h>

#include <string>

namespace test {

// The handles process `processId` holds, counted in the system's handle table; 0 when the table
// cannot be read. (Under Wine GetProcessHandleCount always answers 0.)
DWORD CountHandles(DWORD processId);

// Fails the running test if the guarded scope has not ended within timeoutMs, naming `what`.
// First it closes what keeps this thread's modal loops going: every dialog and message box of
// the thread that created it (Escape, then EndDialog), then calls `rescue` if one was given (to
// end whatever else the scope waits for), and goes on closing the thread's dialogs as they come.
// If the scope still has not ended two seconds later, it prints the reason and ends the process:
// a failing test must fail in seconds, not by time-out.
class Watchdog {
public:
    explicit Watchdog(const char* what, DWORD timeoutMs, void (*rescue)(void*) = nullptr,
                      void* context = nullptr);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    bool Fired() const { return m_fired != 0; }

private:
    static DWORD WINAPI Run(void* self);
    static DWORD WINAPI Close(void* self);
    std::string m_what;
    DWORD m_timeoutMs;
    void (*m_rescue)(void*);
    void* m_context;
    DWORD m_threadId;
    HANDLE m_done;      // the scope has ended
    HANDLE m_finished;  // and so has the closer
    HANDLE m_thread;    // the last resort
    HANDLE m_closer;
    volatile LONG m_fired = 0;
};

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_PROCESS_H
