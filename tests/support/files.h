// tests/support/files.h: files and waiting: where the built programs are, scratch folders, the
// environment and the current folder for a scope, reading a file whole, and waiting for a
// condition or for a file the stand-in client writes. Needs no GoogleTest (the benchmark uses it).
#ifndef VELTO_TESTS_SUPPORT_FILES_H
#define VELTO_TESTS_SUPPORT_FILES_H

#include <windows.h>

#include <functional>
#include <string>

namespace test {

// The folder of the running program, without a trailing backslash.
std::string ProgramDir();
// build/<preset>/bin, where the launcher and the stand-in client are.
std::string BinDir();
// Where the programs we ship are: BinDir(), unless VELTO_SHIPPED_BIN_DIR names another folder
// (the 64-bit test build checks the 32-bit files it does not run).
std::string ShippedBinDir();

// A fresh empty folder, removed with whatever is in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// Sets an environment variable (which child processes inherit) for the object's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
};

// Changes the current folder for the object's lifetime.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::string& path);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::string m_previous;
};

bool FileExists(const std::string& path);
// The file's bytes in *bytes; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string* bytes);

// Polls `done` every periodMs; true as soon as it holds, false after timeoutMs.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000,
               DWORD periodMs = 20);

// Waits up to timeoutMs for a file the stand-in client writes and returns its bytes; an empty
// string when it never appeared. The client renames a file into place only once it is whole, so
// a file that exists is complete.
std::string WaitForFile(const std::string& path, DWORD timeoutMs = 5000);

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_FILES_H
