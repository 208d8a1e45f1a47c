// client/main.cpp: the stand-in game client. It shows what the launcher started it with, or, for
// the tests and the benchmark, records that and leaves at once, or reports what it found in its
// own process and lingers as a game would (client/contract.h has the variables and exit codes).
#include "client/contract.h"
#include "client/modes.h"

#include <cstdio>
#include <cstring>

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    WriteStartStamp();

    // GetCommandLineA, not WinMain's argument: the parser wants the program token too.
    const char* received = GetCommandLineA();
    const std::size_t length = std::strlen(received);
    static ClientCommandLine line;
    static ClientCommandLineError error;
    const bool valid = ParseClientCommandLine(received, length, &line, &error);
    const int exitCode = valid ? client::kExitValid : client::kExitRejected;

    char outputPath[MAX_PATH];
    if (GetEnvironmentPath(client::kReportVariable, outputPath, sizeof outputPath))
        return ReportAndLinger(outputPath, received, exitCode);
    if (GetEnvironmentPath(client::kRecordVariable, outputPath, sizeof outputPath)) {
        if (!WriteOutputFile(outputPath, received, static_cast<DWORD>(length)))
            return client::kExitOutputFailed;
        return exitCode;
    }
    return ShowWindowAndWait(instance, show, received, valid, line, error, exitCode);
}
