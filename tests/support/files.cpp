// tests/support/files.cpp: files and waiting.
#include "tests/support/files.h"

namespace test {

std::string ProgramDir()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/"));
}

std::string BinDir()
{
    return ProgramDir() + "\\..\\bin";
}

std::string ShippedBinDir()
{
    char dir[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("VELTO_SHIPPED_BIN_DIR", dir, sizeof dir);
    return n > 0 && n < sizeof dir ? std::string(dir, n) : BinDir();
}

ScratchDir::ScratchDir()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    for (unsigned n = GetCurrentProcessId() * 1000u + GetTickCount() % 1000u;; ++n) {
        m_path = std::string(base) + "velto-test-" + std::to_string(n);
        if (CreateDirectoryA(m_path.c_str(), nullptr))
            return;
    }
}

ScratchDir::~ScratchDir()
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((m_path + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA(File(found.cFileName).c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(m_path.c_str());
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnv::~ScopedEnv()
{
    SetEnvironmentVariableA(m_name.c_str(), nullptr);
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& path)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    m_previous = previous;
    SetCurrentDirectoryA(path.c_str());
}

ScopedCurrentDir::~ScopedCurrentDir()
{
    SetCurrentDirectoryA(m_previous.c_str());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    bytes->clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    char chunk[64 * 1024];
    DWORD got = 0;
    bool ok;
    while ((ok = (ReadFile(h, chunk, sizeof chunk, &got, nullptr) != 0)) && got > 0)
        bytes->append(chunk, got);
    CloseHandle(h);
    return ok;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD periodMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(periodMs);
    }
}

std::string WaitForFile(const std::string& path, DWORD timeoutMs)
{
    std::string bytes;
    WaitUntil([&] { return ReadFileBytes(path, &bytes); }, timeoutMs);
    return bytes;
}

}  // namespace test
