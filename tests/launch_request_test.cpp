// tests/launch_request_test.cpp: the launch request against a real list box in a real window,
// starting the real stand-in client.
#include "client/contract.h"
#include "region/launch_request.h"
#include "region/region_table.h"
#include "tests/support/client_report.h"
#include "tests/support/dialogs.h"
#include "tests/support/expected_texts.h"
#include "tests/support/files.h"
#include "tests/support/hex.h"
#include "tests/support/launcher_driver.h"
#include "tests/support/pe_image.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using test::gbk::kChooseRegion;
using test::gbk::kStartFailed;

// The row whose `text` is the longest: the one that comes nearest a limit on that text.
int LongestRow(const char* RegionEntry::*text)
{
    int longest = 0;
    for (int i = 1; i < static_cast<int>(kRegionCount); ++i)
        if (std::strlen(g_regionTable[i].*text) > std::strlen(g_regionTable[longest].*text))
            longest = i;
    return longest;
}

// A top-level window with an unsorted, single-selection list box holding the table's labels, a
// Unicode window as the dialog's list is.
class LaunchRequest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_owner.m_hWnd = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                         400, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_owner.m_hWnd, nullptr);
        m_list.m_hWnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY |
                                            LBS_NOINTEGRALHEIGHT,
                                        10, 10, 200, 300, m_owner.m_hWnd, nullptr, nullptr,
                                        nullptr);
        ASSERT_NE(m_list.m_hWnd, nullptr);
        for (const RegionEntry& row : g_regionTable)
            m_list.AddString(row.label);
    }

    void TearDown() override
    {
        if (m_owner.m_hWnd != nullptr)
            DestroyWindow(m_owner.m_hWnd);
    }

    // The request under a watchdog: a request that blocks (waiting for the client, or on a
    // message box nobody closes) fails the test in seconds. `client`, when given, is told to
    // stop if it does, which is what a request waiting for it needs.
    bool Launch(test::LingeringClient* client = nullptr)
    {
        test::Watchdog dog("LaunchSelectedRegion", 5000, StopClient, client);
        return LaunchSelectedRegion(m_list, m_owner);
    }

    static void StopClient(void* client)
    {
        if (client != nullptr)
            static_cast<test::LingeringClient*>(client)->Stop(0);
    }

    void ExpectOneBox(const test::MessageBoxCatcher& boxes, const char* text)
    {
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(test::IsLauncherBox(boxes.seen()[0], text));
        EXPECT_EQ(boxes.seen()[0].owner, m_owner.m_hWnd);
    }

    void Select(int index) { m_list.SendMessage(LB_SETCURSEL, index); }

    CWnd m_owner;
    CListBox m_list;
};

// For a request that should have started the client: what it showed instead.
std::string WhatWasShown(const test::MessageBoxCatcher& boxes)
{
    if (boxes.seen().empty())
        return "no message box";
    const std::string& text = boxes.seen()[0].text;
    if (text == kStartFailed)
        return "the start-failed box: CreateProcessA failed (Wine's own error, if any, is above)";
    if (text == kChooseRegion)
        return "the choose-a-region box: the selected text matched no row";
    return "a message box reading (GBK) " + test::Hex(text);
}

TEST_F(LaunchRequest, TextsThatAreNoLabelAskForARegion)
{
    // A zone that does not exist, and row 5's label with a superscript one, which a conversion
    // with best fit reads as the label itself; put in as another program would, through the W
    // form.
    const wchar_t* items[] = {L"\u534e\u4e1c3\u533a", L"\u534e\u4e1c\u00b9\u533a"};
    char loose[64] = {};
    WideCharToMultiByte(936, 0, items[1], -1, loose, sizeof loose, nullptr, nullptr);
    ASSERT_STREQ(loose, g_regionTable[4].label) << "no longer a look-alike under best fit";
    for (const wchar_t* item : items) {
        SCOPED_TRACE(item == items[0] ? "a zone that does not exist" : "a look-alike of row 5");
        const int index = static_cast<int>(
            SendMessageW(m_list.m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item)));
        ASSERT_GE(index, static_cast<int>(kRegionCount));
        Select(index);
        test::MessageBoxCatcher boxes;
        EXPECT_FALSE(Launch());
        ExpectOneBox(boxes, kChooseRegion);
        EXPECT_EQ(m_list.GetCurSel(), index);
    }
}

// A list that counts the LB_GETTEXT requests it gets and can answer LB_GETTEXTLEN with twice the
// real length, as Windows may for a list that holds Unicode text.
WNDPROC g_listProc;
int g_getTextCalls;
bool g_overReport;
LRESULT CALLBACK CountingListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_GETTEXT)
        ++g_getTextCalls;
    const LRESULT result = CallWindowProcW(g_listProc, hwnd, message, wParam, lParam);
    if (message == LB_GETTEXTLEN && g_overReport && result != LB_ERR)
        return 2 * result;
    return result;
}

class LaunchRequestWithCountingList : public LaunchRequest {
protected:
    void SetUp() override
    {
        LaunchRequest::SetUp();
        g_getTextCalls = 0;
        g_overReport = false;
        g_listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            m_list.m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingListProc)));
    }
    void TearDown() override
    {
        SetWindowLongPtrW(m_list.m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
        LaunchRequest::TearDown();
    }
};

TEST_F(LaunchRequestWithCountingList, TextReportedTooLongForAnyLabelIsNeverRead)
{
    // Reported lengths of 80 and more cannot be a label even if the list doubled them.
    const struct {
        std::size_t length;
        bool overReport;
        int reads;
    } cases[] = {{79, false, 1}, {80, false, 0}, {4000, false, 0}, {40, true, 0}, {39, true, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.length) + (c.overReport ? " bytes, reported twice" : " bytes"));
        g_getTextCalls = 0;
        g_overReport = c.overReport;
        Select(m_list.AddString(std::string(c.length, 'y').c_str()));
        test::MessageBoxCatcher boxes;
        EXPECT_FALSE(Launch());
        ExpectOneBox(boxes, kChooseRegion);
        EXPECT_EQ(g_getTextCalls, c.reads);
    }
}

// A list may report more than a text's real length: the text it then gives is still the label.
// With no client to be found, the message tells whether a row was matched: "程序启动失败" comes
// only after the label was found, "请选择大区" when it was refused. The longest label comes
// nearest the length beyond which a text is not read at all.
TEST_F(LaunchRequestWithCountingList, ALabelIsFoundWhenTheListReportsTwiceItsLength)
{
    const int longest = LongestRow(&RegionEntry::label);
    test::ScratchDir empty;
    test::ScopedCurrentDir cwd(empty.path());
    g_overReport = true;
    Select(longest);
    test::MessageBoxCatcher boxes;
    EXPECT_FALSE(Launch());
    ExpectOneBox(boxes, kStartFailed);
}

TEST_F(LaunchRequest, StartedClientLeavesNoHandleBehind)
{
    test::ScratchDir scratch;
    test::ScopedCurrentDir cwd(test::BinDir());
    Select(0);
    // A first start warms up whatever the platform caches on first use.
    {
        test::ScopedEnv record(client::kRecordVariable, scratch.File("warm"));
        ASSERT_TRUE(Launch());
        test::WaitForFile(scratch.File("warm"));
    }
    const DWORD self = GetCurrentProcessId();
    const DWORD before = test::CountHandles(self);
    // The count must see handles come and go, or comparing it proves nothing.
    HANDLE events[3];
    for (HANDLE& e : events)
        e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(test::CountHandles(self), before + 3) << "the handle count cannot see new handles";
    for (HANDLE e : events)
        CloseHandle(e);
    ASSERT_EQ(test::CountHandles(self), before);

    for (int i = 0; i < 3; ++i) {
        const std::string file = scratch.File("run" + std::to_string(i));
        test::ScopedEnv record(client::kRecordVariable, file);
        ASSERT_TRUE(Launch());
        ASSERT_FALSE(test::WaitForFile(file).empty());
    }
    EXPECT_EQ(test::CountHandles(self), before) << "three starts left handles open";
}

// What the request hands CreateProcessA, caught at this program's import of it. Not all of it
// shows in the client under Wine (a client started with IDLE_PRIORITY_CLASS still reports normal
// priority there), so the call itself is checked too.
struct CreateProcessCall {
    bool appNameNull;
    std::string commandLine;
    bool attributesNull;
    BOOL inheritHandles;
    DWORD flags;
    bool environmentNull;
    bool folderNull;
    std::string startup;  // the record's bytes
};
std::vector<CreateProcessCall> g_createProcessCalls;
decltype(&CreateProcessA) g_realCreateProcess;

BOOL WINAPI RecordingCreateProcess(LPCSTR app, LPSTR commandLine, LPSECURITY_ATTRIBUTES process,
                                   LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags,
                                   LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                                   LPPROCESS_INFORMATION info)
{
    g_createProcessCalls.push_back(
        {app == nullptr, commandLine != nullptr ? commandLine : "<null>",
         process == nullptr && thread == nullptr, inherit, flags, environment == nullptr,
         folder == nullptr,
         std::string(reinterpret_cast<const char*>(startup), startup != nullptr ? startup->cb : 0)});
    return g_realCreateProcess(app, commandLine, process, thread, inherit, flags, environment,
                               folder, startup, info);
}

// The row with the longest command line: the copy the request hands on must hold all of it.
TEST_F(LaunchRequest, HandsCreateProcessTheRowsLineAndNothingElse)
{
    const int row = LongestRow(&RegionEntry::commandLine);
    test::ScratchDir scratch;
    test::ScopedCurrentDir cwd(test::BinDir());
    test::ScopedEnv record(client::kRecordVariable, scratch.File("record.txt"));
    g_createProcessCalls.clear();
    Select(row);
    test::MessageBoxCatcher boxes;
    bool launched;
    {
        const test::ScopedImportHook hook("kernel32.dll", "CreateProcessA",
                                          reinterpret_cast<void*>(&RecordingCreateProcess));
        ASSERT_TRUE(hook.Installed()) << "this program does not import CreateProcessA";
        g_realCreateProcess = hook.Original<decltype(&CreateProcessA)>();
        launched = Launch();
    }

    ASSERT_TRUE(launched) << WhatWasShown(boxes);
    ASSERT_EQ(g_createProcessCalls.size(), 1u);
    const CreateProcessCall& call = g_createProcessCalls[0];
    EXPECT_TRUE(call.appNameNull) << "an application name: the platform's search is bypassed";
    EXPECT_EQ(call.commandLine, g_regionTable[row].commandLine) << "row " << row + 1;
    EXPECT_TRUE(call.attributesNull);
    EXPECT_EQ(call.inheritHandles, FALSE);
    EXPECT_EQ(call.flags, 0u) << "creation flags";
    EXPECT_TRUE(call.environmentNull) << "the client must get the launcher's environment";
    EXPECT_TRUE(call.folderNull) << "the client must get the launcher's folder";
    STARTUPINFOA zero = {};
    zero.cb = sizeof zero;
    EXPECT_EQ(test::Hex(call.startup),
              test::Hex(std::string(reinterpret_cast<const char*>(&zero), sizeof zero)))
        << "the start-up record is all zero but its size";
    EXPECT_EQ(test::WaitForFile(scratch.File("record.txt")), g_regionTable[row].commandLine);
}

}  // namespace
