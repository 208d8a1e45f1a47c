// tests/test_support.cpp: helpers for Windows tests under Wine.
#include "tests/test_support.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace test {

namespace {

// Every process a test starts, and every process those start in turn (the launcher's client),
// belongs to this job, which ends them when the test program ends. Under Wine a child keeps the
// test's output open, so one left behind (a client started suspended, say) would hold CTest
// until its time-out instead of letting the failure show at once.
struct ChildrenEndWithTheTest {
    ChildrenEndWithTheTest()
    {
        HANDLE job = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (job != nullptr && SetInformationJobObject(job, JobObjectExtendedLimitInformation,
                                                      &limits, sizeof limits))
            AssignProcessToJobObject(job, GetCurrentProcess());
        // The handle stays open on purpose: it closes, and the job ends, with this process.
    }
} s_childrenEndWithTheTest;

}  // namespace

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

std::string ReadFileBytes(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(h);
    return bytes;
}

std::string WaitForFile(const std::string& path, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    std::string last;
    bool seen = false;
    while (GetTickCount() - start < timeoutMs) {
        if (FileExists(path)) {
            std::string now = ReadFileBytes(path);
            if (seen && now == last && !now.empty())
                return now;
            last = now;
            seen = true;
        }
        Sleep(50);
    }
    return last;
}

MessageBoxSeen DescribeMessageBox(HWND box)
{
    MessageBoxSeen seen;
    seen.owner = GetWindow(box, GW_OWNER);
    char text[1024];
    GetWindowTextA(box, text, sizeof text);
    seen.caption = text;
    // A message box shows its text in a static control with id 0xFFFF.
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.text = text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64];
        GetClassNameA(child, cls, sizeof cls);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        // The box itself may not be shown yet, so look at each control's own style bit.
        const bool visible = (style & WS_VISIBLE) != 0;
        if (lstrcmpiA(cls, "Button") == 0 && visible)
            seen.buttonIds.push_back(GetDlgCtrlID(child));
        if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
            visible && SendMessageA(child, STM_GETICON, 0, 0) != 0)
            seen.iconShown = true;
    }
    return seen;
}

static MessageBoxCatcher* s_catcher;

MessageBoxCatcher::MessageBoxCatcher()
{
    s_catcher = this;
    m_hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    UnhookWindowsHookEx(m_hook);
    s_catcher = nullptr;
}

LRESULT CALLBACK MessageBoxCatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && s_catcher != nullptr) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char cls[16];
        GetClassNameA(box, cls, sizeof cls);
        bool known = false;
        for (HWND h : s_catcher->m_boxes)
            known = known || h == box;
        if (!known && lstrcmpA(cls, "#32770") == 0) {
            s_catcher->m_boxes.push_back(box);
            s_catcher->m_seen.push_back(DescribeMessageBox(box));
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

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

LingeringClient::LingeringClient(HANDLE probeHandle)
{
    const std::string tag = std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount());
    m_stopName = "velto-stop-" + tag;
    m_stop = CreateEventA(nullptr, TRUE, FALSE, m_stopName.c_str());
    // Spaces, an equals sign and GBK text (中文): what the client gets must be these bytes.
    m_probeValue = "probe " + tag + " = \xd6\xd0\xce\xc4";
    auto set = [this](const char* name, const std::string& value) {
        m_env.push_back(std::make_unique<ScopedEnv>(name, value));
    };
    set("VEXA_REPORT", m_dir.File("report.txt"));
    set("VEXA_STOP_EVENT", m_stopName);
    set("VEXA_PROBE_ENV", ProbeVariable());
    set(ProbeVariable(), m_probeValue);
    if (probeHandle != nullptr) {
        char hex[32];
        std::snprintf(hex, sizeof hex, "%llx",
                      static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(probeHandle)));
        set("VEXA_PROBE_HANDLE", hex);
    }
}

LingeringClient::~LingeringClient()
{
    Stop(5000);
    if (m_process != nullptr)
        CloseHandle(m_process);
    // Clients that never read the event (none should exist) find it gone and end at once.
    if (m_stop != nullptr)
        CloseHandle(m_stop);
    m_env.clear();
}

bool LingeringClient::WaitForReport(DWORD timeoutMs)
{
    m_report = WaitForFile(m_dir.File("report.txt"), timeoutMs);
    if (m_report.empty())
        return false;
    const DWORD pid = std::strtoul(Get("pid").c_str(), nullptr, 10);
    if (m_process == nullptr && pid != 0)
        m_process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    return true;
}

std::string LingeringClient::Get(const char* key) const
{
    const std::string prefix = std::string(key) + "=";
    for (std::size_t at = 0; at < m_report.size();) {
        std::size_t end = m_report.find('\n', at);
        if (end == std::string::npos)
            end = m_report.size();
        if (m_report.compare(at, prefix.size(), prefix) == 0)
            return m_report.substr(at + prefix.size(), end - at - prefix.size());
        at = end + 1;
    }
    return "<no " + std::string(key) + ">";
}

bool LingeringClient::Has(const char* key) const
{
    return Get(key).rfind("<no ", 0) != 0;
}

bool LingeringClient::Running() const
{
    return m_process != nullptr && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

bool LingeringClient::Stop(DWORD timeoutMs)
{
    if (m_stop != nullptr)
        SetEvent(m_stop);
    return m_process == nullptr || WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0;
}

void ExpectStartedAsTheLauncherStartsIt(const LingeringClient& client, const char* commandLine,
                                        const std::string& folder, const std::string& probeName)
{
    EXPECT_EQ(client.Get("command_line"), commandLine);
    EXPECT_EQ(client.Get("priority_class"), "0x20") << "not NORMAL_PRIORITY_CLASS";
    EXPECT_EQ(client.Get("debugger"), "0");
    EXPECT_EQ(client.Get("startup_flags"), "0x0");
    EXPECT_EQ(client.Get("current_dir"), folder);
    EXPECT_EQ(Hex(client.Get("probe_env")), Hex(client.ProbeValue()));
    const std::string handle = client.Get("probe_handle");
    EXPECT_TRUE(handle == "invalid" || handle.find(probeName) == std::string::npos)
        << "the client inherited a handle it was not given: " << handle;
}

Watchdog::Watchdog(const char* what, DWORD timeoutMs, void (*rescue)(void*), void* context)
    : m_what(what), m_timeoutMs(timeoutMs), m_rescue(rescue), m_context(context),
      m_threadId(GetCurrentThreadId()), m_done(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_thread(CreateThread(nullptr, 0, Run, this, 0, nullptr))
{
}

Watchdog::~Watchdog()
{
    SetEvent(m_done);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
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

DWORD WINAPI Watchdog::Run(void* param)
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
    if (WaitForSingleObject(self->m_done, 2000) == WAIT_OBJECT_0)
        return 0;
    std::fprintf(stderr, "watchdog: %s did not end within %lu ms, nor after being closed; "
                 "ending the test program\n", self->m_what.c_str(),
                 static_cast<unsigned long>(self->m_timeoutMs));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

}  // namespace test
