// tests/launch_request_test.cpp: the launch request against a real list box in a real window,
// starting the real stand-in client.
#include "region/launch_request.h"
#include "region/region_table.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kChooseRegion[] = "\xc7\xeb\xd1\xa1\xd4\xf1\xb4\xf3\xc7\xf8";            // 请选择大区
const char kStartFailed[] = "\xb3\xcc\xd0\xf2\xc6\xf4\xb6\xaf\xca\xa7\xb0\xdc";   // 程序启动失败

// A top-level window with an unsorted, single-selection list box holding the table's labels.
class LaunchRequest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), 936u) << "run the tests with LC_ALL=zh_CN.UTF-8";
        m_owner.m_hWnd = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                         400, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_owner.m_hWnd, nullptr);
        m_list.m_hWnd = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
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

    void ExpectOneBox(const test::MessageBoxCatcher& boxes, const char* text)
    {
        ASSERT_EQ(boxes.seen().size(), 1u);
        const test::MessageBoxSeen& box = boxes.seen()[0];
        EXPECT_EQ(test::Hex(box.text), test::Hex(text));
        EXPECT_EQ(box.caption, "Velto");
        EXPECT_EQ(box.owner, m_owner.m_hWnd);
        // MB_OK: one OK button and no icon.
        EXPECT_EQ(box.buttonIds, std::vector<int>{IDOK});
        EXPECT_FALSE(box.iconShown);
    }

    CWnd m_owner;
    CListBox m_list;
};

TEST_F(LaunchRequest, NothingSelectedAsksForARegionAndStartsNothing)
{
    test::ScratchDir scratch;
    test::ScopedEnv record("VEXA_RECORD", scratch.File("record.txt"));
    test::ScopedCurrentDir cwd(test::BinDir());  // the client could be found
    ASSERT_EQ(m_list.GetCurSel(), LB_ERR);

    test::MessageBoxCatcher boxes;
    EXPECT_FALSE(LaunchSelectedRegion(m_list, m_owner));
    ExpectOneBox(boxes, kChooseRegion);
    Sleep(500);
    EXPECT_FALSE(test::FileExists(scratch.File("record.txt"))) << "a client was started";
}

TEST_F(LaunchRequest, TextsThatAreNoLabelAskForARegion)
{
    // One byte short of the buffer, exactly the buffer, and far beyond it.
    const std::string nearMiss = "\xbb\xaa\xb6\xab" "3\xc7\xf8";  // 华东3区
    const std::string items[] = {nearMiss, std::string(39, 'x'), std::string(40, 'x'),
                                 std::string(300, 'x')};
    for (const std::string& item : items) {
        SCOPED_TRACE(item.size());
        const int index = m_list.AddString(item.c_str());
        m_list.SetCurSel(index);
        test::MessageBoxCatcher boxes;
        EXPECT_FALSE(LaunchSelectedRegion(m_list, m_owner));
        ExpectOneBox(boxes, kChooseRegion);
        EXPECT_EQ(m_list.GetCurSel(), index);
    }
}

// Counts LB_GETTEXT requests reaching the list, to prove an overlong text is never copied.
WNDPROC g_listProc;
int g_getTextCalls;
LRESULT CALLBACK CountingListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_GETTEXT)
        ++g_getTextCalls;
    return CallWindowProcA(g_listProc, hwnd, message, wParam, lParam);
}

TEST_F(LaunchRequest, OverlongTextIsNeverCopiedIntoTheLabelBuffer)
{
    g_listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        m_list.m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingListProc)));
    const struct {
        std::size_t length;
        int reads;
    } cases[] = {{39, 1}, {40, 0}, {4000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        g_getTextCalls = 0;
        m_list.SetCurSel(m_list.AddString(std::string(c.length, 'y').c_str()));
        test::MessageBoxCatcher boxes;
        EXPECT_FALSE(LaunchSelectedRegion(m_list, m_owner));
        EXPECT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(g_getTextCalls, c.reads);
    }
    SetWindowLongPtrA(m_list.m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
}

TEST_F(LaunchRequest, AbsentClientReportsFailureEveryTimeAndKeepsTheSelection)
{
    test::ScratchDir empty;
    test::ScopedCurrentDir cwd(empty.path());  // neither here nor beside the test program
    m_list.SetCurSel(5);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        test::MessageBoxCatcher boxes;
        EXPECT_FALSE(LaunchSelectedRegion(m_list, m_owner));
        ExpectOneBox(boxes, kStartFailed);
        EXPECT_EQ(m_list.GetCurSel(), 5);
    }
}

TEST_F(LaunchRequest, EveryRowStartsTheClientWithExactlyItsCommandLine)
{
    test::ScratchDir scratch;
    test::ScopedCurrentDir cwd(test::BinDir());
    for (int i = 0; i < static_cast<int>(kRegionCount); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        const std::string recordFile = scratch.File(("row" + std::to_string(i + 1)).c_str());
        test::ScopedEnv record("VEXA_RECORD", recordFile);
        m_list.SetCurSel(i);
        test::MessageBoxCatcher boxes;
        ASSERT_TRUE(LaunchSelectedRegion(m_list, m_owner));
        EXPECT_TRUE(boxes.seen().empty());
        EXPECT_EQ(test::WaitForFile(recordFile), g_regionTable[i].commandLine);
    }
}

TEST_F(LaunchRequest, StartedClientLeavesNoHandleBehind)
{
    test::ScratchDir scratch;
    test::ScopedCurrentDir cwd(test::BinDir());
    m_list.SetCurSel(0);
    // A first start warms up whatever the platform caches on first use.
    {
        test::ScopedEnv record("VEXA_RECORD", scratch.File("warm"));
        ASSERT_TRUE(LaunchSelectedRegion(m_list, m_owner));
        test::WaitForFile(scratch.File("warm"));
    }
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    for (int i = 0; i < 3; ++i) {
        const std::string file = scratch.File(("run" + std::to_string(i)).c_str());
        test::ScopedEnv record("VEXA_RECORD", file);
        ASSERT_TRUE(LaunchSelectedRegion(m_list, m_owner));
        ASSERT_FALSE(test::WaitForFile(file).empty());
    }
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(after, before);
}

}  // namespace
