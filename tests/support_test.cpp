// tests/support_test.cpp: the test support's own checks. Every helper that decides another test's
// verdict (the waits, the box matcher, the text conversion, the watchdog) and the
// stand-in client must say no when they should: a helper that always says yes passes every test
// it serves. Each check also sees its helper say yes, so that the no is not all it can say.
#include "client/contract.h"
#include "region/region_table.h"
#include "res/resource.h"
#include "tests/support/client_report.h"
#include "tests/support/dialogs.h"
#include "tests/support/expected_texts.h"
#include "tests/support/files.h"
#include "tests/support/hex.h"
#include "tests/support/launcher_driver.h"
#include "tests/support/process.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using test::Hex;

TEST(RigWaits, SayNoWhenTheirConditionNeverHoldsAndYesWhenItComes)
{
    int polls = 0;
    DWORD started = GetTickCount();
    EXPECT_FALSE(test::WaitUntil([&] { return ++polls, false; }, 200, 10));
    EXPECT_GE(GetTickCount() - started, 150u) << "gave up before its time-out";
    EXPECT_GT(polls, 2) << "looked only once or twice";
    polls = 0;
    EXPECT_TRUE(test::WaitUntil([&] { return ++polls >= 3; }, 2000, 10));

    test::ScratchDir dir;
    EXPECT_EQ(test::WaitForFile(dir.File("never"), 100), "");

    // The real launcher, left alone: nothing it was given brings a box.
    test::LauncherProcess launcher;
    ASSERT_TRUE(launcher.Start(test::BinDir() + "\\dudazuvi.exe", dir.path(), dir.File("record")))
        << launcher.error();
    started = GetTickCount();
    EXPECT_FALSE(launcher.WaitFor([] { return false; })) << launcher.LastWait();
    EXPECT_NE(launcher.LastWait().find("handled all its input"), std::string::npos)
        << launcher.LastWait();
    EXPECT_LT(GetTickCount() - started, test::kFirstWaitMs) << "idle, yet waited to the end";
    EXPECT_FALSE(launcher.WaitFor([] { return false; }, 0)) << launcher.LastWait();
    EXPECT_NE(launcher.LastWait().find("did not come within"), std::string::npos)
        << launcher.LastWait();
    EXPECT_EQ(launcher.WaitForOwnedDialog(launcher.dialog()), nullptr);

    // Confirmed with nothing selected, it asks for a region: the same waits see the box come.
    test::PostButtonCommand(launcher.dialog(), IDOK);
    const HWND box = launcher.WaitForOwnedDialog(launcher.dialog());
    ASSERT_NE(box, nullptr) << launcher.LastWait();
    test::PostButtonCommand(box, IDOK);
    EXPECT_TRUE(launcher.WaitFor([box] { return !IsWindow(box); })) << launcher.LastWait();

    // Idle only once it has handled all it was given: a queue of selections, the last kept. (Time
    // enough for a loaded machine to handle them: a wait that says idle too soon says it at once.)
    const HWND list = launcher.Item(IDC_REGION_LIST);
    const int rows = static_cast<int>(kRegionCount);
    for (int i = 0; i < 100; ++i)
        PostMessageW(list, LB_SETCURSEL, i % rows, 0);
    EXPECT_FALSE(launcher.WaitFor([] { return false; }, 30000)) << launcher.LastWait();
    EXPECT_EQ(test::Ask(list, LB_GETCURSEL, 0, 0), 99 % rows)
        << "called idle before the input it was given was handled: " << launcher.LastWait();
}

// Shows a box in this thread and returns what the catcher read from it.
test::MessageBoxSeen ShowBox(const wchar_t* text, const wchar_t* caption, UINT type)
{
    test::MessageBoxCatcher catcher;
    test::Watchdog dog("a message box the catcher should have closed", 5000);
    MessageBoxW(nullptr, text, caption, type);
    return catcher.seen().empty() ? test::MessageBoxSeen{} : catcher.seen()[0];
}

void ExpectTheBoxMatcherTakesOnlyTheLaunchersTextCaptionAndButton()
{
    const wchar_t* const kChoose = L"\u8bf7\u9009\u62e9\u5927\u533a";  // 请选择大区
    const test::MessageBoxSeen launchers = ShowBox(kChoose, L"Velto", MB_OK);
    EXPECT_TRUE(test::IsLauncherBox(launchers, test::gbk::kChooseRegion));
    EXPECT_FALSE(test::IsLauncherBox(launchers, test::gbk::kStartFailed));
    EXPECT_FALSE(test::IsLauncherBox(launchers, "\xc7\xeb\xd1\xa1"))  // 请选: a part of it
        << "a text that only begins the same";
    EXPECT_FALSE(test::IsLauncherBox(ShowBox(kChoose, L"Velt0", MB_OK), test::gbk::kChooseRegion))
        << "another caption";
    EXPECT_FALSE(
        test::IsLauncherBox(ShowBox(kChoose, L"Velto", MB_OKCANCEL), test::gbk::kChooseRegion))
        << "another button";
    EXPECT_FALSE(
        test::IsLauncherBox(ShowBox(kChoose, L"Velto", MB_ICONERROR), test::gbk::kChooseRegion))
        << "an icon";

    // An icon control shows its icon only when it is shown itself (the About box's must be).
    const HWND dialog = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 8, 8, nullptr,
                                        nullptr, nullptr, nullptr);
    const HWND icon = CreateWindowExW(0, L"Static", L"", WS_CHILD | SS_ICON, 0, 0, 8, 8, dialog,
                                      nullptr, nullptr, nullptr);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_ERROR)), 0);
    EXPECT_FALSE(test::ShowsIconControl(dialog)) << "a hidden icon control";
    ShowWindow(icon, SW_SHOWNA);
    EXPECT_TRUE(test::ShowsIconControl(dialog));
    DestroyWindow(dialog);
}

// A look-alike converted loosely reads as the label it imitates; the tests' conversion must not.
void ExpectToGbkConvertsOnlyWhatGbkHoldsExactly()
{
    EXPECT_EQ(Hex(test::ToGbk(L"\u534e\u4e1c1\u533a")), "bb aa b6 ab 31 c7 f8 ");  // 华东1区
    EXPECT_EQ(Hex(test::ToGbk(L"\uff08")), "a3 a8 ");  // a full-width bracket is GBK's own
    EXPECT_EQ(test::ToGbk(L""), "");
    EXPECT_EQ(test::ToGbk(L"\u534e\u4e1c\u00b9\u533a"), "<not exactly GBK>");  // superscript one
    EXPECT_EQ(test::ToGbk(L"\u0e01"), "<not exactly GBK>");                    // a Thai letter
}

// The finder takes a window only by its whole caption and, unless told otherwise, only shown.
void ExpectTheWindowFinderTakesOnlyTheWholeCaptionOfAShownWindow()
{
    const auto window = [](const wchar_t* caption, DWORD shown) {
        return CreateWindowExW(0, L"Static", caption, WS_POPUP | shown, 0, 0, 8, 8, nullptr,
                               nullptr, nullptr, nullptr);
    };
    const HWND longer = window(L"Velto 1.0", WS_VISIBLE);
    const HWND hidden = window(L"Velto", 0);
    const test::WindowQuery velto{.processId = GetCurrentProcessId(), .cls = "Static",
                                  .caption = test::gbk::kCaption};
    EXPECT_EQ(test::FindWindowOf(velto), nullptr) << "a longer caption, or a hidden window";
    test::WindowQuery hiddenToo = velto;
    hiddenToo.hiddenToo = true;
    EXPECT_EQ(test::FindWindowOf(hiddenToo), hidden);
    ShowWindow(hidden, SW_SHOWNA);
    EXPECT_EQ(test::FindWindowOf(velto), hidden);
    DestroyWindow(longer);
    DestroyWindow(hidden);
}

// A double click posted as the scenarios post it is one to the list: it tells its parent so. Were
// it two clicks, "a double click only selects" would pass for a launcher that starts on one.
int g_doubleClicks;
LRESULT CALLBACK CountingDoubleClicks(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_doubleClicks += message == WM_COMMAND && HIWORD(wParam) == LBN_DBLCLK;
    return DefWindowProcA(wnd, message, wParam, lParam);
}

void ExpectAPostedDoubleClickIsOneToAList()
{
    g_doubleClicks = 0;
    WNDCLASSA parentClass = {};
    parentClass.lpfnWndProc = CountingDoubleClicks;
    parentClass.lpszClassName = "VeltoRigListParent";
    RegisterClassA(&parentClass);
    const HWND parent = CreateWindowExA(0, parentClass.lpszClassName, "", WS_POPUP | WS_VISIBLE,
                                        0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    const HWND list = CreateWindowExA(0, "ListBox", "", WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 0, 0,
                                      100, 100, parent, nullptr, nullptr, nullptr);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row"));
    test::PostDoubleClick(list, test::ListItemCentre(list, 0));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(g_doubleClicks, 1);
    DestroyWindow(parent);
}

TEST(RigChecks, TheBoxAndTextChecksRefuseANearMiss)
{
    ExpectTheBoxMatcherTakesOnlyTheLaunchersTextCaptionAndButton();
    ExpectToGbkConvertsOnlyWhatGbkHoldsExactly();
    ExpectTheWindowFinderTakesOnlyTheWholeCaptionOfAShownWindow();
    ExpectAPostedDoubleClickIsOneToAList();
}

// --- The watchdog ----------------------------------------------------------------------------

// The child's part in the test below, named by this variable: "unreachable", a scope stuck where
// closing cannot reach; "rescued", a scope whose rescue ends it and then sends its thread a
// message, as closing a dialog of the thread does.
const char kChildVariable[] = "VELTO_SUPPORT_TEST_CHILD";

void StuckWhereClosingCannotReach()
{
    const HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        test::Watchdog dog("a wait nothing ends", 300);
        WaitForSingleObject(never, INFINITE);
    }
    CloseHandle(never);
}

struct Rescue {
    HANDLE release;
    HWND window;  // of the guarded thread
};

void EndedByItsRescueWhichThenSendsAMessage()
{
    Rescue rescue = {CreateEventA(nullptr, TRUE, FALSE, nullptr),
                     CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                     nullptr, nullptr)};
    const auto release = [](void* context) {
        const Rescue* r = static_cast<const Rescue*>(context);
        SetEvent(r->release);
        SendMessageW(r->window, WM_NULL, 0, 0);
    };
    {
        test::Watchdog dog("a wait its rescue ends", 300, release, &rescue);
        WaitForSingleObject(rescue.release, INFINITE);
    }
    DestroyWindow(rescue.window);
    CloseHandle(rescue.release);
}

struct ChildEnd {
    bool ended = false;
    DWORD code = 0;
    DWORD tookMs = 0;
    std::string said;
};

// Runs this test again in a child process, in the part `part`; ten seconds at most.
ChildEnd RunThisTestAsAChild(const char* part)
{
    ChildEnd end;
    test::ScratchDir dir;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const HANDLE output = CreateFileA(dir.File("output.txt").c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE)
        return end;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const ::testing::TestInfo* thisTest = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string commandLine = std::string("\"") + self + "\" --gtest_filter=" +
                              thisTest->test_suite_name() + "." + thisTest->name();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION child = {};
    BOOL started;
    {
        const test::ScopedEnv childPart(kChildVariable, part);
        started = CreateProcessA(self, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &child);
    }
    CloseHandle(output);
    if (!started)
        return end;
    const DWORD begun = GetTickCount();
    end.ended = WaitForSingleObject(child.hProcess, 10000) == WAIT_OBJECT_0;
    end.tookMs = GetTickCount() - begun;
    if (!end.ended)
        TerminateProcess(child.hProcess, 1);
    GetExitCodeProcess(child.hProcess, &end.code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    test::ReadFileBytes(dir.File("output.txt"), &end.said);
    return end;
}

// A watchdog fails the test, and closes the box its scope is stuck on.
void ExpectItFailsTheTestAndClosesTheBoxItWasStuckOn()
{
    // Were the box not closed, the last resort would end this program.
    bool fired = false;
    const auto stuck = [&] {
        test::Watchdog dog("a box nobody answers", 300);
        MessageBoxW(nullptr, L"nobody answers this", L"Velto", MB_OK);
        fired = dog.Fired();
    };
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(stuck(),
                                           "a box nobody answers did not end within 300 ms");
    EXPECT_TRUE(fired);
}

// What a watchdog cannot free in a test program must still end in seconds: the parts that could
// hang run in a child process of this test, which looks at how the child ends.
TEST(RigWatchdog, FailsTheTestClosesTheBoxAndItsLastResortEndsWhatClosingCannotFree)
{
    const char* part = std::getenv(kChildVariable);
    if (part != nullptr) {
        if (std::string(part) == "unreachable")
            StuckWhereClosingCannotReach();
        else
            EndedByItsRescueWhichThenSendsAMessage();
        return;
    }
    ExpectItFailsTheTestAndClosesTheBoxItWasStuckOn();

    const ChildEnd unreachable = RunThisTestAsAChild("unreachable");
    ASSERT_TRUE(unreachable.ended)
        << "a program stuck where closing cannot reach still ran after 10 s; it said:\n"
        << unreachable.said;
    EXPECT_EQ(unreachable.code, 3u) << unreachable.said;
    EXPECT_NE(unreachable.said.find("a wait nothing ends did not end within 300 ms, nor after "
                                    "being closed; ending the test program"),
              std::string::npos)
        << unreachable.said;
    EXPECT_LT(unreachable.tookMs, 5000u) << "ended, but not by the last resort's time";

    // The scope ends while the closer waits for its thread to take a message: both go on, and
    // the test fails as a test does, not by the last resort.
    const ChildEnd rescued = RunThisTestAsAChild("rescued");
    ASSERT_TRUE(rescued.ended) << "the scope and its closer waited for each other for 10 s; it "
                                  "said:\n"
                               << rescued.said;
    EXPECT_EQ(rescued.code, 1u) << rescued.said;
    EXPECT_NE(rescued.said.find("a wait its rescue ends did not end within 300 ms"),
              std::string::npos)
        << rescued.said;
    EXPECT_EQ(rescued.said.find("ending the test program"), std::string::npos) << rescued.said;
}

// --- The stand-in client -----------------------------------------------------------------------

TEST(StandInClient, ASecondRecordToTheSameFileReplacesTheFirst)
{
    test::ScratchDir dir;
    const std::string record = dir.File("record.txt");
    const test::ScopedEnv recordTo(client::kRecordVariable, record);
    const std::string client = test::BinDir() + "\\vexa.exe";
    for (std::string line : {"vexa.exe first", "vexa.exe second, longer"}) {
        SCOPED_TRACE(line);
        const std::string sent = line;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessA(client.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &pi))
            << "error " << GetLastError();
        const bool ended = WaitForSingleObject(pi.hProcess, 5000) == WAIT_OBJECT_0;
        DWORD code = 0;
        if (!ended)
            TerminateProcess(pi.hProcess, 1);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        ASSERT_TRUE(ended) << "the client did not end";
        EXPECT_EQ(code, static_cast<DWORD>(client::kExitOk));
        std::string recorded;
        EXPECT_TRUE(test::ReadFileBytes(record, &recorded));
        EXPECT_EQ(recorded, sent);
    }
}

// The check that the launcher passes no handle on (ExpectStartedAsTheLauncherStartsIt) relies on
// the client saying so when it does hold one: started here with this process's handles, it names
// the probe's event.
TEST(StandInClient, NamesTheProbeHandleWhenItInheritedIt)
{
    test::LingeringClient client;
    std::string line = "vexa.exe inherits";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA((test::BinDir() + "\\vexa.exe").c_str(), &line[0], nullptr,
                               nullptr, TRUE, 0, nullptr, nullptr, &startup, &pi))
        << "error " << GetLastError();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_TRUE(client.WaitForReport()) << "no report";
    const std::string handle = client.Get(client::report::kProbeHandle);
    EXPECT_NE(handle.find(client.ProbeHandleName()), std::string::npos) << handle;
    EXPECT_TRUE(client.Stop());
}

}  // namespace
