// tests/support/client_report.h: the stand-in client's reports: a client that reports what it
// found in its own process and keeps running, and the check that it was started as the launcher
// starts it.
#ifndef VELTO_TESTS_SUPPORT_CLIENT_REPORT_H
#define VELTO_TESTS_SUPPORT_CLIENT_REPORT_H

#include <windows.h>

#include "tests/support/files.h"

#include <memory>
#include <string>
#include <vector>

namespace test {

// While the object lives, every client started from this process (or from a launcher this
// process starts afterwards) reports to one file and keeps running until Stop(). Everything it is
// asked about reaches it through the environment, which the launcher passes on as it is: a
// variable holding spaces, an equals sign and GBK text, and an inheritable handle of this process
// (a named event) that a starter could pass on and must not.
class LingeringClient {
public:
    LingeringClient();
    ~LingeringClient();
    LingeringClient(const LingeringClient&) = delete;
    LingeringClient& operator=(const LingeringClient&) = delete;

    static const char* ProbeVariable() { return "VELTO_PROBE"; }
    const std::string& ProbeValue() const { return m_probeValue; }
    // The kernel's name of the probe handle's object ends with this.
    const std::string& ProbeHandleName() const { return m_probeName; }

    // Waits up to timeoutMs for the report; false when none came (nothing ran, or it was started
    // suspended and so never ran).
    bool WaitForReport(DWORD timeoutMs = 5000);
    // The value of a report key (client::report), "<no key>" when the report lacks it.
    std::string Get(const char* key) const;
    const std::string& RawReport() const { return m_report; }
    // Whether the reporting client is still running.
    bool Running() const;
    // Tells the client to end and waits up to timeoutMs for it; true once it has ended.
    bool Stop(DWORD timeoutMs = 10000);

private:
    ScratchDir m_dir;
    std::string m_stopName;
    std::string m_probeName;
    std::string m_probeValue;
    HANDLE m_stop = nullptr;
    HANDLE m_probe = nullptr;
    HANDLE m_process = nullptr;
    std::string m_report;
    std::vector<std::unique_ptr<ScopedEnv>> m_env;
};

// Checks what a reporting client found, as the launcher must start it: with `commandLine` exactly,
// at normal priority, not debugged, with a start-up record of zeros, in `folder`, with the probe
// variable as it was set, and without the probe handle.
void ExpectStartedAsTheLauncherStartsIt(const LingeringClient& client, const char* commandLine,
                                        const std::string& folder);

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_CLIENT_REPORT_H
