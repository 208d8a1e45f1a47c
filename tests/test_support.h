// tests/test_support.h: helpers for Windows tests under Wine: paths, scratch folders, the
// environment, and catching the message boxes a test expects.
#ifndef VELTO_TESTS_TEST_SUPPORT_H
#define VELTO_TESTS_TEST_SUPPORT_H

#include <windows.h>

#include "tests/hex.h"

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
std::string WaitForFile(const std::string& path, DWORD timeoutMs = 15000);

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

}  // namespace test

#endif  // VELTO_TESTS_TEST_SUPPORT_H
