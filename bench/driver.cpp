// bench/driver.cpp: measures the launcher against the floor program, which does the same visible
// work in raw Win32. Runs them alternately, writes every run's figures to a CSV file and prints
// what holds for the whole set (clock, file sizes, imports) as "key=value" lines on standard
// output; bench/report.py turns both into the report. Progress and errors go to standard error.
//
//   driver --csv PATH [--runs N] [--warmup N] [--idle-ms N] [--launcher PATH] [--floor PATH]
//   driver --check-clock CLIENT
//
// Both programs default to their places beside this one (..\bin\dudazuvi.exe, floor.exe); each
// needs vexa.exe, the stand-in client, in its own folder. Before any run the driver checks that
// the client's clock is its own, and measures nothing when it is not; --check-clock does only that,
// with CLIENT as the client (exit 0 when its clock is ours, 1 when not).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <string>

#include "client/contract.h"
#include "region/region_table.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/files.h"
#include "tests/support/pe_image.h"

namespace {

const int kMaxRuns = 500;
const DWORD kTimeoutMs = 20000;
const char kDialogClass[] = "#32770";
const char kDialogCaption[] = "Velto";

LONGLONG g_frequency;

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double TicksToMs(LONGLONG ticks)
{
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(g_frequency);
}

[[noreturn]] void Fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::fputs("driver: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::exit(1);
}

// ---- Files

// Waits for the client's record to hold exactly `expected`; false on a timeout or other bytes.
// The client renames each file into place once it is whole, so a file that exists is complete.
bool WaitForRecord(const char* path, const char* expected)
{
    std::string record;
    return test::WaitUntil([&] { return test::ReadFileBytes(path, &record); }, kTimeoutMs, 1) &&
           record == expected;
}

bool ReadStamp(const char* path, LONGLONG* stamp)
{
    std::string digits;
    if (!test::ReadFileBytes(path, &digits) || digits.empty())
        return false;
    char* end = nullptr;
    *stamp = static_cast<LONGLONG>(std::strtoull(digits.c_str(), &end, 10));
    return end == digits.c_str() + digits.size();
}

// ---- PE files

struct PeSize {
    DWORD total = 0;
    DWORD headers = 0;
    DWORD resources = 0;   // raw size of .rsrc
    DWORD codeAndData = 0; // raw sizes of every other section
    std::string imports;   // the DLLs' names, ", " between them
    bool importsAllSystem = true;
};

PeSize ReadPe(const char* path)
{
    PeSize pe;
    test::PeImage image;
    if (!image.Load(path))
        Fail("%s", image.error().c_str());
    pe.total = static_cast<DWORD>(image.bytes().size());
    pe.headers = image.sizeOfHeaders;
    for (const test::PeSection& s : image.sections) {
        if (s.name == ".rsrc")
            pe.resources += s.rawSize;
        else
            pe.codeAndData += s.rawSize;
    }
    const std::vector<std::string> dlls = image.ImportedDlls();
    if (!image.error().empty())
        Fail("%s: %s", path, image.error().c_str());
    for (const std::string& name : dlls) {
        if (!pe.imports.empty())
            pe.imports += ", ";
        pe.imports += name;
        if (!test::IsSystemDll(name))
            pe.importsAllSystem = false;
    }
    return pe;
}

// ---- One run of one program

struct Sample {
    double readyMs;
    double confirmMs;
    double peakWorkingSetKiB;
    double privateKiB;
    double committedPrivateKiB;
    double userObjects;
    double gdiObjects;
    double pollPeriodUs;  // mean time per iteration of the ready loop
    double pollGapUs;     // longest time between two iterations
};

struct Program {
    const char* name;
    char path[MAX_PATH];
    char dir[MAX_PATH];
    int runs = 0;
    Sample samples[kMaxRuns];
    PeSize pe;
};

char g_stampPath[MAX_PATH];
char g_recordPath[MAX_PATH];
int g_idleMs = 300;
// Wine leaves PrivateUsage 0 for other processes and reports the process's anonymous resident
// memory (Linux RssAnon + VmSwap) as PagefileUsage, which Windows defines as the same commit
// charge; the report says when that stood in.
bool g_privateFromPagefile;

// The dialog of process `pid`, shown or not.
HWND FindDialogOf(DWORD pid)
{
    return test::FindWindowOf(
        {.processId = pid, .cls = kDialogClass, .caption = kDialogCaption, .anyOwner = false,
         .hiddenToo = true});
}

// Committed private memory, region by region: the commit charge Windows calls private bytes,
// counted the same way whatever the process counters report.
SIZE_T CommittedPrivateBytes(HANDLE process)
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* p = nullptr;
         VirtualQueryEx(process, p, &info, sizeof info) == sizeof info;
         p = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        if (info.RegionSize == 0)
            break;
    }
    return total;
}

bool AskList(HWND list, UINT message, WPARAM wParam, DWORD_PTR* result)
{
    return SendMessageTimeoutA(list, message, wParam, 0, SMTO_NORMAL, kTimeoutMs, result) != 0;
}

// The client the launcher started is its child; wait for it so that it costs the next run
// nothing.
void WaitForClientsOf(DWORD parent)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != parent || lstrcmpiA(entry.szExeFile, "vexa.exe") != 0)
            continue;
        if (HANDLE client = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            WaitForSingleObject(client, kTimeoutMs);
            CloseHandle(client);
        }
    }
    CloseHandle(snapshot);
}

void Abandon(const PROCESS_INFORMATION& pi, const Program& program, const char* what)
{
    TerminateProcess(pi.hProcess, 1);
    Fail("%s, run %d: %s", program.name, program.runs + 1, what);
}

// Start to ready, memory while idle, then confirm to client; `keep` false for warm-up runs.
void RunOnce(Program& program, bool keep)
{
    DeleteFileA(g_stampPath);
    DeleteFileA(g_recordPath);

    char commandLine[MAX_PATH + 2];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\"", program.path);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi = {};
    Sample s = {};

    // Start to ready: the window exists, is visible, and its list answers with nineteen items.
    // Visibility comes after WM_INITDIALOG, and the answer comes from the modal loop.
    const LONGLONG started = Now();
    if (!CreateProcessA(program.path, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                        program.dir, &startup, &pi))
        Fail("cannot start %s (error %lu)", program.path, GetLastError());
    HWND dlg = nullptr;
    HWND list = nullptr;
    LONGLONG previous = started;
    LONGLONG ready = 0;
    LONGLONG longestGap = 0;
    long iterations = 0;
    for (;;) {
        ++iterations;
        if (dlg == nullptr)
            dlg = FindDialogOf(pi.dwProcessId);
        if (dlg != nullptr && IsWindowVisible(dlg)) {
            if (list == nullptr)
                list = GetDlgItem(dlg, IDC_REGION_LIST);
            DWORD_PTR count = 0;
            if (list != nullptr && AskList(list, LB_GETCOUNT, 0, &count) &&
                count == kRegionCount) {
                ready = Now();
                break;
            }
        }
        const LONGLONG now = Now();
        longestGap = std::max(longestGap, now - previous);
        previous = now;
        if (TicksToMs(now - started) > kTimeoutMs)
            Abandon(pi, program, "the dialog never became ready");
        if ((iterations & 255) == 0 && WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            Fail("%s ended before its dialog was ready", program.name);
        // The program under test, the wineserver or X may be waiting for this CPU.
        SwitchToThread();
    }
    s.readyMs = TicksToMs(ready - started);
    s.pollPeriodUs = TicksToMs(ready - started) * 1000.0 / static_cast<double>(iterations);
    s.pollGapUs = TicksToMs(longestGap) * 1000.0;

    // Idle: the modal loop waits for input and the first paint is done.
    WaitForInputIdle(pi.hProcess, kTimeoutMs);
    Sleep(g_idleMs);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof memory))
        Abandon(pi, program, "GetProcessMemoryInfo failed");
    s.peakWorkingSetKiB = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
    SIZE_T privateBytes = memory.PrivateUsage;
    if (privateBytes == 0) {
        privateBytes = memory.PagefileUsage;
        g_privateFromPagefile = true;
    }
    s.privateKiB = static_cast<double>(privateBytes) / 1024.0;
    s.committedPrivateKiB = static_cast<double>(CommittedPrivateBytes(pi.hProcess)) / 1024.0;
    s.userObjects = GetGuiResources(pi.hProcess, GR_USEROBJECTS);
    s.gdiObjects = GetGuiResources(pi.hProcess, GR_GDIOBJECTS);

    // Confirm to client: row 1 selected, then the confirm command as the default button sends it.
    DWORD_PTR selected = 0;
    if (!AskList(list, LB_SETCURSEL, 0, &selected) || selected != 0 ||
        !AskList(list, LB_GETCURSEL, 0, &selected) || selected != 0)
        Abandon(pi, program, "cannot select row 1");
    const LPARAM button = reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK));
    const LONGLONG confirmed = Now();
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), button);
    if (WaitForSingleObject(pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
        Abandon(pi, program, "it did not end after the confirm command");
    if (!WaitForRecord(g_recordPath, g_regionTable[0].commandLine))
        Fail("%s, run %d: the client did not record row 1's command line", program.name,
             program.runs + 1);
    LONGLONG clientEntered = 0;
    if (!ReadStamp(g_stampPath, &clientEntered))
        Fail("%s, run %d: no client stamp", program.name, program.runs + 1);
    s.confirmMs = TicksToMs(clientEntered - confirmed);
    WaitForClientsOf(pi.dwProcessId);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    if (keep)
        program.samples[program.runs++] = s;
}

// QueryPerformanceCounter is one clock for every process under Wine as on Windows; the
// confirm measure rests on that, so check it once: the client's stamp must fall between our
// readings before its start and after its end, or nothing is measured.
void RequireSharedClock(const char* clientPath, double* entryMs)
{
    DeleteFileA(g_stampPath);
    DeleteFileA(g_recordPath);
    char commandLine[kRegionCommandLineBufferSize];
    std::snprintf(commandLine, sizeof commandLine, "%s", g_regionTable[0].commandLine);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi = {};
    const LONGLONG before = Now();
    if (!CreateProcessA(clientPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &pi))
        Fail("cannot start %s (error %lu)", clientPath, GetLastError());
    WaitForSingleObject(pi.hProcess, kTimeoutMs);
    const LONGLONG after = Now();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    LONGLONG stamp = 0;
    if (!ReadStamp(g_stampPath, &stamp))
        Fail("the client wrote no stamp: is %s implemented in %s?", client::kStampVariable,
             clientPath);
    *entryMs = TicksToMs(stamp - before);
    if (stamp <= before || stamp >= after)
        Fail("the client's clock is not ours: its stamp, %.2f ms after CreateProcessA, is outside "
             "our readings before its start and after its end (%.2f ms), so no time from a "
             "confirm to the client can be measured", *entryMs, TicksToMs(after - before));
}

// ---- What was measured

// Every run's figures, one line a run. Times to 0.1 us, which is the clock's tick on Windows 10
// and later and under Wine: the statistics see what the runs measured.
void WriteSamples(const char* path, const Program* const* programs, int count)
{
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        Fail("cannot write %s", path);
    std::fputs("program,run,ready_ms,confirm_ms,peak_working_set_kib,private_kib,"
               "committed_private_kib,user_objects,gdi_objects,poll_period_us,poll_gap_us\n",
               file);
    for (int p = 0; p < count; ++p) {
        for (int i = 0; i < programs[p]->runs; ++i) {
            const Sample& s = programs[p]->samples[i];
            std::fprintf(file, "%s,%d,%.4f,%.4f,%.0f,%.0f,%.0f,%.0f,%.0f,%.4f,%.4f\n",
                         programs[p]->name, i + 1, s.readyMs, s.confirmMs, s.peakWorkingSetKiB,
                         s.privateKiB, s.committedPrivateKiB, s.userObjects, s.gdiObjects,
                         s.pollPeriodUs, s.pollGapUs);
        }
    }
    if (std::fclose(file) != 0)
        Fail("cannot write %s", path);
}

// What holds for the whole set of runs, as "key=value" lines for bench/report.py. The clock is
// shared, or there would be no runs (RequireSharedClock).
void PrintFacts(const Program* const* programs, int count, int warmup, double clientEntryMs)
{
    std::printf("warmup=%d\nregions=%u\nidle_ms=%d\nqpc_hz=%lld\nclock_shared=1\n"
                "client_entry_ms=%.4f\nprivate_source=%s\n",
                warmup, static_cast<unsigned>(kRegionCount), g_idleMs,
                static_cast<long long>(g_frequency), clientEntryMs,
                g_privateFromPagefile ? "PagefileUsage" : "PrivateUsage");
    for (int p = 0; p < count; ++p) {
        const Program& program = *programs[p];
        std::printf("%s.total_bytes=%lu\n%s.rsrc_bytes=%lu\n%s.code_and_data_bytes=%lu\n"
                    "%s.header_bytes=%lu\n%s.imports=%s\n%s.imports_all_system=%d\n",
                    program.name, program.pe.total, program.name, program.pe.resources,
                    program.name, program.pe.codeAndData, program.name, program.pe.headers,
                    program.name, program.pe.imports.c_str(), program.name,
                    program.pe.importsAllSystem ? 1 : 0);
    }
}

// ---- Arguments and paths

void DirOf(const char* path, char* dir, size_t size)
{
    std::snprintf(dir, size, "%s", path);
    char* slash = std::strrchr(dir, '\\');
    if (slash != nullptr)
        *slash = '\0';
}

void SetProgram(Program& program, const char* name, const char* path)
{
    program.name = name;
    if (GetFullPathNameA(path, sizeof program.path, program.path, nullptr) == 0 ||
        GetFileAttributesA(program.path) == INVALID_FILE_ATTRIBUTES)
        Fail("no %s at %s", name, path);
    DirOf(program.path, program.dir, sizeof program.dir);
}

int IntArgument(const char* value, int min, int max, const char* option)
{
    char* end = nullptr;
    const long n = value != nullptr ? std::strtol(value, &end, 10) : 0;
    if (value == nullptr || *end != '\0' || n < min || n > max)
        Fail("%s wants a number from %d to %d", option, min, max);
    return static_cast<int>(n);
}

}  // namespace

static Program g_launcher;
static Program g_floor;

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);  // "\n", not "\r\n": a Linux script reads it

    char self[MAX_PATH];
    char here[MAX_PATH];
    if (GetModuleFileNameA(nullptr, self, sizeof self) == 0)
        Fail("GetModuleFileNameA failed");
    DirOf(self, here, sizeof here);
    char launcherPath[MAX_PATH];
    char floorPath[MAX_PATH];
    std::snprintf(launcherPath, sizeof launcherPath, "%s\\..\\bin\\dudazuvi.exe", here);
    std::snprintf(floorPath, sizeof floorPath, "%s\\floor.exe", here);
    int runs = 30;
    int warmup = 2;
    const char* csvPath = nullptr;
    const char* clockClient = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = IntArgument(value, 1, kMaxRuns, "--runs");
        else if (std::strcmp(argv[i], "--warmup") == 0)
            warmup = IntArgument(value, 0, 100, "--warmup");
        else if (std::strcmp(argv[i], "--idle-ms") == 0)
            g_idleMs = IntArgument(value, 0, 10000, "--idle-ms");
        else if (std::strcmp(argv[i], "--launcher") == 0 && value != nullptr)
            std::snprintf(launcherPath, sizeof launcherPath, "%s", value);
        else if (std::strcmp(argv[i], "--floor") == 0 && value != nullptr)
            std::snprintf(floorPath, sizeof floorPath, "%s", value);
        else if (std::strcmp(argv[i], "--csv") == 0 && value != nullptr)
            csvPath = value;
        else if (std::strcmp(argv[i], "--check-clock") == 0 && value != nullptr)
            clockClient = value;
        else
            Fail("usage: driver --csv PATH [--runs N] [--warmup N] [--idle-ms N] "
                 "[--launcher PATH] [--floor PATH]; driver --check-clock CLIENT");
        ++i;
    }
    char clientPath[MAX_PATH];
    if (clockClient != nullptr) {
        std::snprintf(clientPath, sizeof clientPath, "%s", clockClient);
    } else {
        if (csvPath == nullptr)
            Fail("--csv PATH: where every run's figures go");
        SetProgram(g_launcher, "launcher", launcherPath);
        SetProgram(g_floor, "floor", floorPath);
        for (const Program* p : {&g_launcher, &g_floor}) {
            std::snprintf(clientPath, sizeof clientPath, "%s\\vexa.exe", p->dir);
            if (GetFileAttributesA(clientPath) == INVALID_FILE_ATTRIBUTES)
                Fail("no stand-in client beside the %s: %s", p->name, clientPath);
        }
    }

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_frequency = frequency.QuadPart;

    // The client inherits these from the program under test, which inherits them from us.
    char temp[MAX_PATH];
    if (GetTempPathA(sizeof temp, temp) == 0)
        Fail("GetTempPathA failed");
    std::snprintf(g_stampPath, sizeof g_stampPath, "%svelto-bench-%lu-stamp.txt", temp,
                  GetCurrentProcessId());
    std::snprintf(g_recordPath, sizeof g_recordPath, "%svelto-bench-%lu-record.txt", temp,
                  GetCurrentProcessId());
    SetEnvironmentVariableA(client::kStampVariable, g_stampPath);
    SetEnvironmentVariableA(client::kRecordVariable, g_recordPath);

    double clientEntryMs = 0;
    RequireSharedClock(clientPath, &clientEntryMs);
    if (clockClient != nullptr) {
        std::fprintf(stderr, "driver: the client's clock is ours: its stamp came %.2f ms after "
                     "CreateProcessA\n", clientEntryMs);
        return 0;
    }
    if (FindWindowExA(nullptr, nullptr, kDialogClass, kDialogCaption) != nullptr)
        Fail("a Velto dialog is open already; close it first");

    g_launcher.pe = ReadPe(g_launcher.path);
    g_floor.pe = ReadPe(g_floor.path);

    std::fprintf(stderr, "driver: %d warm-up and %d measured runs of each program\n", warmup,
                 runs);
    for (int i = 0; i < warmup; ++i) {
        RunOnce(g_launcher, false);
        RunOnce(g_floor, false);
    }
    // ABBA order, so neither program always runs right after the other.
    for (int i = 0; i < runs; ++i) {
        Program& first = i % 2 == 0 ? g_launcher : g_floor;
        Program& second = i % 2 == 0 ? g_floor : g_launcher;
        RunOnce(first, true);
        RunOnce(second, true);
        if ((i + 1) % 10 == 0 || i + 1 == runs)
            std::fprintf(stderr, "driver: %d of %d runs done\n", i + 1, runs);
    }

    DeleteFileA(g_stampPath);
    DeleteFileA(g_recordPath);
    const Program* programs[] = {&g_launcher, &g_floor};
    WriteSamples(csvPath, programs, 2);
    PrintFacts(programs, 2, warmup, clientEntryMs);
    return 0;
}
