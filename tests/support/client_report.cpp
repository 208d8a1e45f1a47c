// tests/support/client_report.cpp: the stand-in client's reports.
#include "tests/support/client_report.h"

#include "client/contract.h"
#include "tests/support/hex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace test {

namespace report = client::report;

LingeringClient::LingeringClient()
{
    const std::string tag = std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount());
    m_stopName = "velto-stop-" + tag;
    m_stop = CreateEventA(nullptr, TRUE, FALSE, m_stopName.c_str());
    m_probeName = "velto-probe-" + tag;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    m_probe = CreateEventA(&inheritable, TRUE, FALSE, m_probeName.c_str());
    // Spaces, an equals sign and GBK text (中文): what the client gets must be these bytes.
    m_probeValue = "probe " + tag + " = \xd6\xd0\xce\xc4";
    auto set = [this](const char* name, const std::string& value) {
        m_env.push_back(std::make_unique<ScopedEnv>(name, value));
    };
    set(client::kReportVariable, m_dir.File("report.txt"));
    set(client::kStopEventVariable, m_stopName);
    set(client::kProbeEnvVariable, ProbeVariable());
    set(ProbeVariable(), m_probeValue);
    char hex[32];
    std::snprintf(hex, sizeof hex, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(m_probe)));
    set(client::kProbeHandleVariable, hex);
}

LingeringClient::~LingeringClient()
{
    Stop(5000);
    if (m_process != nullptr)
        CloseHandle(m_process);
    // Clients that never read the event (none should exist) find it gone and end at once.
    if (m_stop != nullptr)
        CloseHandle(m_stop);
    if (m_probe != nullptr)
        CloseHandle(m_probe);
    m_env.clear();
}

bool LingeringClient::WaitForReport(DWORD timeoutMs)
{
    m_report = WaitForFile(m_dir.File("report.txt"), timeoutMs);
    if (m_report.empty())
        return false;
    const DWORD pid = std::strtoul(Get(report::kPid).c_str(), nullptr, 10);
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
                                        const std::string& folder)
{
    ASSERT_NE(client.Get(report::kProbeHandle), "<no probe_handle>") << "no probe handle was set";
    EXPECT_EQ(client.Get(report::kCommandLine), commandLine);
    EXPECT_EQ(client.Get(report::kPriorityClass), "0x20") << "not NORMAL_PRIORITY_CLASS";
    EXPECT_EQ(client.Get(report::kDebugger), "0");
    EXPECT_EQ(client.Get(report::kStartupFlags), "0x0");
    EXPECT_EQ(client.Get(report::kCurrentDir), folder);
    EXPECT_EQ(Hex(client.Get(report::kProbeEnv)), Hex(client.ProbeValue()));
    const std::string handle = client.Get(report::kProbeHandle);
    EXPECT_TRUE(handle == report::kInvalid ||
                handle.find(client.ProbeHandleName()) == std::string::npos)
        << "the client inherited a handle it was not given: " << handle;
}

}  // namespace test
