// tests/test_support.h: helpers for Windows tests under Wine: paths, scratch folders, the
// environment, and catching the message boxes a test expects.
#ifndef VELTO_TESTS_TEST_SUPPORT_H
#define VELTO_TESTS_TEST_SUPPORT_H

#include <windows.h>

#include "tests/hex.h"

#include <memory>
#include <string>
#include <vector>

namespace test {

// The folder of the running test program, without a trailing backslash.
std::string ProgramDir();
// build/win32/bin, where the launcher and the stand-in client are.
std::string BinDir();
// Where the programs we ship are: BinDir(), unless VELTO_SHIPPED_BIN_DIR names another folder
// (the 64-bit test build checks the 32-bit files it does not run).
std::string ShippedBinDir();

// A fresh empty folder, removed with whatever is in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return m_path; }
    std::string File(const char* name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// Sets an environment variable (which child processes inherit) for the object's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

private:
    std::string m_name;
};

// Changes the current folder for the object's lifetime.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::string& path);
    ~ScopedCurrentDir();

private:
    std::string m_previous;
};

bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
// Waits up to timeoutMs for the file to exist and stop growing; returns its bytes, or an empty
// string when it never appeared.
std::string WaitForFile(const std::string& path, DWORD timeoutMs = 10000);

// What a message box showed.
struct MessageBoxSeen {
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    std::vector<int> buttonIds;  // ids of the visible push buttons
    bool iconShown = false;
};

// Records and dismisses (with the OK button) every message box this thread opens while the
// object lives. The owner is read before the box is dismissed.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    const std::vector<MessageBoxSeen>& seen() const { return m_seen; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook;
    std::vector<MessageBoxSeen> m_seen;
    std::vector<HWND> m_boxes;  // activation can repeat; each box counts once
};

// Reads what a message box (or any dialog) window shows right now.
MessageBoxSeen DescribeMessageBox(HWND box);

// The handles process `processId` holds, counted in the system's handle table; 0 when the table
// cannot be read. (Under Wine GetProcessHandleCount always answers 0.)
DWORD CountHandles(DWORD processId);

// What a stand-in client started in reporting mode found in its own process: its report's
// "key=value" lines. While the object lives, every client started from this process (or from a
// launcher this process starts afterwards) reports to one file and keeps running until Stop().
class LingeringClient {
public:
    // `probeEnv` names a variable the client echoes; `probeHandle`, when not null, is a handle
    // value the client says it does or does not hold. Both reach it through the environment,
    // which the launcher passes on as it is.
    explicit LingeringClient(HANDLE probeHandle = nullptr);
    ~LingeringClient();
    LingeringClient(const LingeringClient&) = delete;
    LingeringClient& operator=(const LingeringClient&) = delete;

    static const char* ProbeVariable() { return "VELTO_PROBE"; }
    const std::string& ProbeValue() const { return m_probeValue; }

    // Waits up to timeoutMs for the report; false when none came (nothing ran, or it was started
    // suspended and so never ran).
    bool WaitForReport(DWORD timeoutMs = 10000);
    std::string Get(const char* key) const;
    bool Has(const char* key) const;
    const std::string& RawReport() const { return m_report; }
    // Whether the reporting client is still running.
    bool Running() const;
    // Tells the client to end and waits up to timeoutMs for it; true once it has ended.
    bool Stop(DWORD timeoutMs = 10000);

private:
    ScratchDir m_dir;
    std::string m_stopName;
    std::string m_probeValue;
    HANDLE m_stop = nullptr;
    HANDLE m_process = nullptr;
    std::string m_report;
    std::vector<std::unique_ptr<ScopedEnv>> m_env;
};

// Checks what a reporting client found, as the launcher must start it: with `commandLine` exactly,
// at normal priority, not debugged, with a start-up record of zeros, in `folder`, with the probe
// variable as it was set, and without the handle named `probeName` that the starter could have
// passed on.
void ExpectStartedAsTheLauncherStartsIt(const LingeringClient& client, const char* commandLine,
                                        const std::string& folder, const std::string& probeName);

// Fails the running test if the guarded scope has not ended within timeoutMs, naming `what`.
// First it closes what keeps this thread's modal loops going: every dialog and message box of
// the thread that created it (Escape, then EndDialog), then calls `rescue` if one was given (to
// end whatever else the scope waits for). If the scope still has not ended two seconds later, it
// prints the reason and ends the process: a failing test must fail in seconds, not by time-out.
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
    std::string m_what;
    DWORD m_timeoutMs;
    void (*m_rescue)(void*);
    void* m_context;
    DWORD m_threadId;
    HANDLE m_done;
    HANDLE m_thread;
    volatile LONG m_fired = 0;
};

}  // namespace test

#endif  // VELTO_TESTS_TEST_SUPPORT_H
