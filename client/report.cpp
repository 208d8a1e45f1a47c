// client/report.cpp: the reporting mode: what a started game would find in its own process.
#include "client/contract.h"
#include "client/modes.h"

#include <cstdio>
#include <cstdlib>

namespace {

namespace report = client::report;

// The name of the object behind handle `h` in this process, as the kernel names it ("" for an
// unnamed one); false when `h` is no handle here. NtQueryObject is looked up rather than imported
// so that the program still imports nothing but the usual system DLLs.
bool DescribeHandle(HANDLE h, char* name, DWORD size)
{
    name[0] = '\0';
    DWORD flags = 0;
    if (!GetHandleInformation(h, &flags))
        return false;
    typedef LONG(WINAPI * QueryObject)(HANDLE, int, void*, ULONG, ULONG*);
    const QueryObject query = reinterpret_cast<QueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    // OBJECT_NAME_INFORMATION: a UNICODE_STRING, then its characters.
    union {
        struct {
            USHORT length;
            USHORT maximumLength;
            const wchar_t* buffer;
        } text;
        char bytes[1024];
    } info = {};
    const int kObjectNameInformation = 1;
    if (query != nullptr &&
        query(h, kObjectNameInformation, &info, sizeof info, nullptr) >= 0 &&
        info.text.buffer != nullptr) {
        const int n = WideCharToMultiByte(CP_ACP, 0, info.text.buffer, info.text.length / 2, name,
                                          static_cast<int>(size) - 1, nullptr, nullptr);
        name[n > 0 ? n : 0] = '\0';
    }
    return true;
}

// The report, one line per key of client::report. A suspended start reports nothing at all: the
// file appears only once the client really runs.
bool WriteReport(const char* path, const char* received)
{
    char text[8192];
    int n = 0;
    auto add = [&](const char* key, const char* format, auto... values) {
        if (n < 0 || n >= static_cast<int>(sizeof text))
            return;
        n += std::snprintf(text + n, sizeof text - n, "%s=", key);
        if (n < static_cast<int>(sizeof text))
            n += std::snprintf(text + n, sizeof text - n, format, values...);
        if (n < static_cast<int>(sizeof text))
            n += std::snprintf(text + n, sizeof text - n, "\n");
    };

    add(report::kPid, "%lu", GetCurrentProcessId());
    add(report::kPriorityClass, "0x%lx", GetPriorityClass(GetCurrentProcess()));
    add(report::kDebugger, "%d", IsDebuggerPresent() ? 1 : 0);
    STARTUPINFOA startup = {};
    GetStartupInfoA(&startup);
    add(report::kStartupFlags, "0x%lx", startup.dwFlags);
    add(report::kShowWindow, "%u", static_cast<unsigned>(startup.wShowWindow));
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    add(report::kCurrentDir, "%s", folder);

    char name[128];
    char value[1024];
    if (GetEnvironmentPath(client::kProbeEnvVariable, name, sizeof name)) {
        // Read as Unicode and converted here: Wine's GetEnvironmentVariableA cuts double-byte
        // values short.
        wchar_t wideName[128];
        wchar_t wide[512];
        MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 128);
        const DWORD length = GetEnvironmentVariableW(wideName, wide, 512);
        const int converted = length > 0 && length < 512
                                  ? WideCharToMultiByte(CP_ACP, 0, wide, -1, value, sizeof value,
                                                        nullptr, nullptr)
                                  : 0;
        add(report::kProbeEnv, "%s", converted > 0 ? value : report::kUnset);
    }
    if (GetEnvironmentPath(client::kProbeHandleVariable, value, sizeof value)) {
        const HANDLE h = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(
            std::strtoull(value, nullptr, 16)));
        char object[512];
        if (DescribeHandle(h, object, sizeof object))
            add(report::kProbeHandle, "valid %s", object);
        else
            add(report::kProbeHandle, "%s", report::kInvalid);
    }
    add(report::kCommandLine, "%s", received);
    if (n < 0 || n >= static_cast<int>(sizeof text))
        return false;

    return WriteOutputFile(path, text, static_cast<DWORD>(n));
}

}  // namespace

int ReportAndLinger(const char* reportPath, const char* received)
{
    if (!WriteReport(reportPath, received))
        return client::kExitOutputFailed;
    char eventName[MAX_PATH];
    HANDLE stop = nullptr;
    if (GetEnvironmentPath(client::kStopEventVariable, eventName, sizeof eventName))
        stop = OpenEventA(SYNCHRONIZE, FALSE, eventName);
    const bool stopped =
        stop != nullptr && WaitForSingleObject(stop, client::kLingerMaxMs) == WAIT_OBJECT_0;
    if (stop != nullptr)
        CloseHandle(stop);
    return stopped ? client::kExitOk : client::kExitNeverStopped;
}
