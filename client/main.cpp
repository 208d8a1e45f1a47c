// client/main.cpp: the stand-in game client. It shows the command line the launcher started it
// with, or, for the tests and the benchmark, records that and leaves at once, or reports what it
// found in its own process and lingers as a game would (client/contract.h has the variables and
// exit codes). It takes the line as it came, byte for byte: checking its format is the region
// table's tests' business.
#include "client/contract.h"
#include "client/modes.h"

#include <cstdio>
#include <cstring>
#include <string>

bool GetEnvironmentPath(const char* name, char* path, DWORD size)
{
    const DWORD n = GetEnvironmentVariableA(name, path, size);
    return n > 0 && n < size;
}

namespace {

bool WriteWholeFile(const char* path, const void* data, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    return CloseHandle(file) && ok;
}

void WriteStartStamp()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char path[MAX_PATH];
    if (!GetEnvironmentPath(client::kStampVariable, path, sizeof path))
        return;
    char digits[24];
    DWORD first = sizeof digits;
    unsigned long long value = static_cast<unsigned long long>(now.QuadPart);
    do {
        digits[--first] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    WriteOutputFile(path, digits + first, sizeof digits - first);
}

}  // namespace

bool WriteOutputFile(const char* path, const void* data, DWORD size)
{
    char partial[MAX_PATH + sizeof client::kPartialSuffix];
    const int n = std::snprintf(partial, sizeof partial, "%s%s", path, client::kPartialSuffix);
    return n > 0 && n < static_cast<int>(sizeof partial) && WriteWholeFile(partial, data, size) &&
           MoveFileExA(partial, path, MOVEFILE_REPLACE_EXISTING);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WriteStartStamp();

    // GetCommandLineA, not WinMain's argument: the program token is part of what was sent.
    const char* received = GetCommandLineA();

    char outputPath[MAX_PATH];
    if (GetEnvironmentPath(client::kReportVariable, outputPath, sizeof outputPath))
        return ReportAndLinger(outputPath, received);
    if (GetEnvironmentPath(client::kRecordVariable, outputPath, sizeof outputPath)) {
        if (!WriteOutputFile(outputPath, received, static_cast<DWORD>(std::strlen(received))))
            return client::kExitOutputFailed;
        return client::kExitOk;
    }

    // For a person trying the launcher: what a game would have been started with.
    std::string text =
        "This is a stand-in for the game client. It connects to nothing; it was started with:\n\n";
    text += received;
    MessageBoxA(nullptr, text.c_str(), "vexa (stand-in game client)", MB_OK | MB_ICONINFORMATION);
    return client::kExitOk;
}
