// tests/support/main.cpp: the main of every test program. On Windows, before any test runs, it
// makes a crash end the program at once, puts the program in a job that ends every process it
// starts, and checks that it runs under the code page the test run intends. After a run in which
// every test passed, it names each test that ran, one line each ("test program: ran
// Suite.Name"): CTest counts a test as passed only on that line (tests/CMakeLists.txt), so a
// program that never started, ended early, matched no test or had its output cut off fails
// whatever its exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <cerrno>
#include <cstdlib>

namespace test {
namespace {

// Every process a test starts, and every process those start in turn (the launcher's client),
// belongs to this job, which ends them when the test program ends. Under Wine a child keeps the
// test's output open, so one left behind (a client started suspended, say) would hold CTest
// until its time-out instead of letting the failure show at once.
void EndChildrenWithThisProgram()
{
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != nullptr &&
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        AssignProcessToJobObject(job, GetCurrentProcess());
    // The handle stays open on purpose: it closes, and the job ends, with this process.
}

// A crash ends the program at once, with the exception's code as its exit code, whatever it left
// locked: no crash debugger, no dialog, nothing that allocates (the heap may be what broke, and a
// stack overflow leaves little room). Without this a test that crashed would hold CTest until
// its time-out.
LONG WINAPI EndAtOnce(EXCEPTION_POINTERS* exception)
{
    static const char kLine[] = "test program: unhandled exception, ending with its code\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kLine, sizeof kLine - 1, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The texts the tests compare are GBK bytes as a program under that code page gets them, so a
// run under another code page than the one it meant says so before any test, not as a failure
// in every comparison. VELTO_CODEPAGE names it (decimal); 936 when unset.
bool RunsUnderTheIntendedCodePage()
{
    unsigned long intended = 936;
    const char* named = std::getenv("VELTO_CODEPAGE");
    if (named != nullptr && *named != '\0') {
        char* end = nullptr;
        errno = 0;
        intended = std::strtoul(named, &end, 10);
        if (*end != '\0' || errno != 0 || intended == 0 || intended > 65535) {
            std::fprintf(stderr, "VELTO_CODEPAGE is \"%s\", not a code page number\n", named);
            return false;
        }
    }
    const UINT actual = GetACP();
    if (actual != intended) {
        std::fprintf(stderr,
                     "expected code page %lu (VELTO_CODEPAGE), got %u: the test run sets the "
                     "code page through LC_ALL (scripts/wine-run)\n",
                     intended, actual);
        return false;
    }
    return true;
}

}  // namespace
}  // namespace test
#endif

namespace {

// The tests that ended, in order: what ran, not what the filter selected (a listing of the tests
// selects them all and runs none).
struct RanTests : ::testing::EmptyTestEventListener {
    std::vector<std::string> names;
    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        names.push_back(std::string(info.test_suite_name()) + "." + info.name());
    }
};

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    RanTests* ran = new RanTests;  // GoogleTest owns it from here
    ::testing::UnitTest::GetInstance()->listeners().Append(ran);
#ifdef _WIN32
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(test::EndAtOnce);
    test::EndChildrenWithThisProgram();
    if (!test::RunsUnderTheIntendedCodePage())
        return 1;
#endif
    const int failed = RUN_ALL_TESTS();
    if (failed == 0) {
        for (const std::string& name : ran->names)
            std::printf("test program: ran %s\n", name.c_str());
    }
    std::fflush(stdout);
    return failed;
}
