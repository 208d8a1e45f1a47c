// tests/launcher_e2e_test.cpp: the real launcher, started as a process of its own and used
// through its windows as a user would, with the real stand-in client recording what it was
// started with.
#include "region/region_table.h"
#include "res/resource.h"
#include "tests/support/client_report.h"
#include "tests/support/dialogs.h"
#include "tests/support/expected_texts.h"
#include "tests/support/files.h"
#include "tests/support/hex.h"
#include "tests/support/launcher_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test::Hex;
using test::WaitUntil;
using test::gbk::kAboutCaption;
using test::gbk::kChooseRegion;
using test::gbk::kConfirm;
using test::gbk::kOk;
using test::gbk::kQuit;
using test::gbk::kStartFailed;
using test::gbk::kVersionLine;

// Long enough for a started client to have written its record several times over.
const DWORD kQuietMs = 1000;

class Launcher : public ::testing::Test {
protected:
    // From bin/, beside the client, in an empty current folder: the client can only be found in
    // the launcher's own folder.
    void StartBesideTheClient()
    {
        ASSERT_TRUE(m_launcher.Start(test::BinDir() + "\\dudazuvi.exe", m_scratch.path(), Record()))
            << m_launcher.error();
    }

    // A copy of the launcher alone in a folder of its own, started in `currentDir`.
    void StartAlone(const std::string& currentDir)
    {
        const std::string exe = m_alone.File("dudazuvi.exe");
        ASSERT_TRUE(CopyFileA((test::BinDir() + "\\dudazuvi.exe").c_str(), exe.c_str(), FALSE));
        ASSERT_TRUE(m_launcher.Start(exe, currentDir, Record())) << m_launcher.error();
    }

    std::string Record() const { return m_scratch.File("record.txt"); }
    // The record of the client the launcher started; empty when none came.
    std::string WaitForRecord() const
    {
        std::string record;
        m_launcher.WaitFor([&] { return test::ReadFileBytes(Record(), &record); });
        return record;
    }
    HWND Dialog() const { return m_launcher.dialog(); }
    HWND List() const { return m_launcher.Item(IDC_REGION_LIST); }
    int Count() const { return static_cast<int>(SendMessageW(List(), LB_GETCOUNT, 0, 0)); }
    int CurSel() const { return static_cast<int>(SendMessageW(List(), LB_GETCURSEL, 0, 0)); }

    // The window with the keyboard focus, once it is `top` or inside it; the last focus seen
    // when it never is. Only the active window's thread has a focus, and another program's
    // window may hold the activation (tests run side by side), so `top` is brought to the front
    // as a user's click would. The focus returned is the one that was checked: read again, it
    // could already be elsewhere.
    HWND FocusIn(HWND top) const
    {
        HWND focus = nullptr;
        WaitUntil(
            [&] {
                focus = m_launcher.Focus();
                if (focus != nullptr && (focus == top || IsChild(top, focus)))
                    return true;
                SetForegroundWindow(top);
                return false;
            },
            5000);
        return focus;
    }

    // A click as a user makes it: on the window in front. A button pressed in a window that is
    // not active cannot capture the mouse, and then its release is no click.
    void Click(HWND wnd, POINT at) const
    {
        FocusIn(GetAncestor(wnd, GA_ROOT));
        test::PostClick(wnd, at);
    }
    void ClickButton(HWND button) const { Click(button, test::ClientCentre(button)); }

    void Select(int index)
    {
        ASSERT_EQ(SendMessageW(List(), LB_SETCURSEL, index, 0), index);
    }

    // What the "进入" button tells its dialog when it is clicked.
    void PostConfirm()
    {
        test::PostButtonCommand(Dialog(), IDOK);
    }

    // Waits for a message box of the launcher, checks it and closes it with its OK button; then
    // the launcher must be back, running and usable.
    void CloseMessageBox(const char* text)
    {
        HWND box = m_launcher.WaitForOwnedDialog(Dialog());
        ASSERT_NE(box, nullptr) << "a message box owned by the dialog " << m_launcher.LastWait()
                                << "; the launcher's windows:\n"
                                << m_launcher.DescribeWindows();
        EXPECT_TRUE(test::IsLauncherBox(test::DescribeMessageBox(box), text));
        EXPECT_FALSE(IsWindowEnabled(Dialog())) << "the box is not modal";
        test::PostButtonCommand(box, IDOK);
        ASSERT_TRUE(m_launcher.WaitFor([box] { return !IsWindow(box); }))
            << "the box's closing " << m_launcher.LastWait();
        EXPECT_TRUE(m_launcher.WaitFor([this] { return IsWindowEnabled(Dialog()) != 0; }));
        EXPECT_TRUE(m_launcher.Running());
        EXPECT_TRUE(IsWindowVisible(Dialog()));
    }

    void ExpectEndsWithNothingStarted()
    {
        ASSERT_TRUE(m_launcher.WaitForExit()) << "the launcher's end " << m_launcher.LastWait();
        RecordProperty("launcherExitCode", static_cast<int>(m_launcher.ExitCode()));
        // A fault (access violation and the like) ends a process with an NTSTATUS error code.
        EXPECT_LT(m_launcher.ExitCode(), 0xC0000000u) << std::hex << m_launcher.ExitCode();
        Sleep(kQuietMs / 2);
        EXPECT_FALSE(test::FileExists(Record())) << "a client was started";
    }

    // Starts from bin/, picks row `index` with `pick` and expects the client to start with that
    // row's command line and the launcher to end.
    template <typename Pick>
    void ExpectRowStartsItsClient(int index, Pick pick)
    {
        StartBesideTheClient();
        ASSERT_FALSE(HasFatalFailure());
        pick();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(WaitForRecord(), g_regionTable[index].commandLine)
            << "(empty: the client's record " << m_launcher.LastWait() << ")";
        ASSERT_TRUE(m_launcher.WaitForExit()) << "the launcher's end " << m_launcher.LastWait();
        const DWORD code = m_launcher.ExitCode();
        RecordProperty("launcherExitCode", static_cast<int>(code));
        EXPECT_LT(code, 0xC0000000u) << std::hex << code;
    }

    // Declared before the launcher, so that it goes after the launcher has ended.
    test::ScratchDir m_scratch;
    test::ScratchDir m_alone;
    test::LauncherProcess m_launcher;
};

TEST_F(Launcher, StartsWithEveryRegionInTableOrderNothingSelectedAndFocusOnConfirm)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    ASSERT_EQ(Count(), static_cast<int>(kRegionCount));
    for (int i = 0; i < static_cast<int>(kRegionCount); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_EQ(Hex(test::ListItemGbk(List(), i)), Hex(g_regionTable[i].label));
    }
    EXPECT_EQ(CurSel(), LB_ERR);
    EXPECT_EQ(FocusIn(Dialog()), m_launcher.Item(IDOK));
    EXPECT_EQ(Hex(test::WindowTextGbk(m_launcher.Item(IDOK))), Hex(kConfirm));
    EXPECT_EQ(Hex(test::WindowTextGbk(m_launcher.Item(IDCANCEL))), Hex(kQuit));
}

// Wine does not carry WM_GETICON between processes, so the icon is checked where the system shows
// it: the caption's small icon, which a modal-frame dialog only has when an icon was set on it.
TEST_F(Launcher, CaptionShowsTheApplicationIcon)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    HMODULE exe = LoadLibraryExA((test::BinDir() + "\\dudazuvi.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HICON icon = static_cast<HICON>(
        LoadImageA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(icon, nullptr);

    SetWindowPos(Dialog(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RECT window = {};
    GetWindowRect(Dialog(), &window);
    // The caption strip, frame included.
    const RECT caption = {0, 0, (window.right - window.left) / 2,
                          GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYDLGFRAME) + 4};
    const int small = GetSystemMetrics(SM_CXSMICON);
    EXPECT_TRUE(WaitUntil([&] { return test::ShowsIcon(Dialog(), icon, small, caption); }, 5000))
        << "the caption does not show icon IDR_MAINFRAME";
    DestroyIcon(icon);
    FreeLibrary(exe);
}

TEST_F(Launcher, ConfirmWithNothingSelectedAsksForARegionAndStays)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    PostConfirm();
    ASSERT_NO_FATAL_FAILURE(CloseMessageBox(kChooseRegion));
    EXPECT_EQ(CurSel(), LB_ERR);
    Sleep(kQuietMs);
    EXPECT_TRUE(m_launcher.Running());
    EXPECT_FALSE(test::FileExists(Record())) << "a client was started";
}

TEST_F(Launcher, EnterPressedWithNothingSelectedAsksForARegionAndStays)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    HWND focus = FocusIn(Dialog());
    ASSERT_EQ(focus, m_launcher.Item(IDOK)) << "the confirm button does not have the focus";
    test::PostKey(focus, VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(CloseMessageBox(kChooseRegion));
    EXPECT_EQ(CurSel(), LB_ERR);
    Sleep(kQuietMs);
    EXPECT_TRUE(m_launcher.Running());
    EXPECT_FALSE(test::FileExists(Record())) << "a client was started";
}

// The launch as the game sees it: the launcher is gone, windows and all, while the client runs
// on at normal priority, in the launcher's folder, with its environment and without its handles
// (the launcher is given an inheritable one to pass on, and must not).
TEST_F(Launcher, ClientRunsOnAfterTheLauncherHasGoneWithItsFolderAndEnvironmentButNoHandle)
{
    test::LingeringClient client;
    ASSERT_TRUE(m_launcher.Start(test::BinDir() + "\\dudazuvi.exe", m_scratch.path(), Record(),
                                 true))
        << m_launcher.error();
    Select(9);
    PostConfirm();

    ASSERT_TRUE(m_launcher.WaitFor([&] { return client.WaitForReport(0); }))
        << "the client's report " << m_launcher.LastWait() << " (started suspended?)";
    EXPECT_TRUE(m_launcher.WaitForExit()) << "the launcher stays while the client runs";
    EXPECT_FALSE(m_launcher.HasWindows()) << "the launcher left a window behind";
    EXPECT_TRUE(client.Running()) << "the client ended with the launcher";

    test::ExpectStartedAsTheLauncherStartsIt(client, g_regionTable[9].commandLine,
                                             m_scratch.path());

    EXPECT_TRUE(client.Stop()) << "the client did not end when told to";
}

TEST_F(Launcher, FirstRowClickedAndEnterPressedStartsItsClient)
{
    ExpectRowStartsItsClient(0, [this] {
        const POINT at = test::ListItemCentre(List(), 0);
        ASSERT_GE(at.y, 0);
        Click(List(), at);
        ASSERT_TRUE(m_launcher.WaitFor([this] { return CurSel() == 0; }))
            << "the click selected nothing";
        ASSERT_EQ(FocusIn(Dialog()), List());
        test::PostKey(List(), VK_RETURN);
    });
}

TEST_F(Launcher, SixthRowSelectedAndConfirmedStartsItsClient)
{
    ExpectRowStartsItsClient(5, [this] {
        Select(5);
        PostConfirm();
    });
}

TEST_F(Launcher, LastRowSelectedAndConfirmButtonClickedStartsItsClient)
{
    ExpectRowStartsItsClient(18, [this] {
        Select(18);
        ClickButton(m_launcher.Item(IDOK));
    });
}

TEST_F(Launcher, ClientAbsentReportsStartFailureEveryTimeAndKeepsTheSelection)
{
    ASSERT_NO_FATAL_FAILURE(StartAlone(m_alone.path()));
    Select(4);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        PostConfirm();
        ASSERT_NO_FATAL_FAILURE(CloseMessageBox(kStartFailed));
        EXPECT_EQ(CurSel(), 4);
        EXPECT_EQ(Count(), static_cast<int>(kRegionCount));
    }
    EXPECT_FALSE(test::FileExists(Record()));
}

TEST_F(Launcher, ClientInTheCurrentFolderIsFoundWhenNotBesideTheLauncher)
{
    ASSERT_NO_FATAL_FAILURE(StartAlone(test::BinDir()));
    Select(11);
    PostConfirm();
    ASSERT_EQ(WaitForRecord(), g_regionTable[11].commandLine)
        << "(empty: the client's record " << m_launcher.LastWait() << ")";
    EXPECT_TRUE(m_launcher.WaitForExit());
}

TEST_F(Launcher, QuitButtonClickEndsWithNothingStarted)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    Select(0);
    ClickButton(m_launcher.Item(IDCANCEL));
    ExpectEndsWithNothingStarted();
}

TEST_F(Launcher, EscapeEndsWithNothingStarted)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    Select(0);
    HWND focus = FocusIn(Dialog());
    ASSERT_NE(focus, nullptr);
    test::PostKey(focus, VK_ESCAPE);
    ExpectEndsWithNothingStarted();
}

TEST_F(Launcher, CloseBoxEndsWithNothingStarted)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    Select(0);
    PostMessageA(Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectEndsWithNothingStarted();
}

TEST_F(Launcher, DoubleClickOnARowOnlySelectsIt)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    const POINT at = test::ListItemCentre(List(), 2);
    ASSERT_GE(at.y, 0);
    FocusIn(Dialog());
    test::PostDoubleClick(List(), at);
    EXPECT_TRUE(m_launcher.WaitFor([this] { return CurSel() == 2; })) << "selection " << CurSel();
    Sleep(kQuietMs);
    EXPECT_TRUE(m_launcher.Running());
    EXPECT_TRUE(IsWindowEnabled(Dialog())) << "something modal opened";
    EXPECT_EQ(m_launcher.WaitForOwnedDialog(Dialog(), 0), nullptr);
    EXPECT_FALSE(test::FileExists(Record())) << "a client was started";
}

// What the dialog draws itself while minimized cannot be seen under Wine: a minimized window's
// client area is empty there. What can be seen is that minimizing and restoring, like every
// system command other than About, get the system's handling.
TEST_F(Launcher, MinimizeAndRestoreGetTheSystemsHandling)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    Select(7);
    PostMessageA(Dialog(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    // Not m_launcher.WaitFor: under Wine the window becomes iconic once the X server says so,
    // after the launcher has handled the command.
    ASSERT_TRUE(WaitUntil([this] { return IsIconic(Dialog()) != 0; })) << "not minimized";
    EXPECT_TRUE(m_launcher.Running());
    PostMessageA(Dialog(), WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([this] { return IsIconic(Dialog()) == 0; })) << "not restored";
    EXPECT_TRUE(IsWindowVisible(Dialog()));
    EXPECT_EQ(Count(), static_cast<int>(kRegionCount));
    EXPECT_EQ(CurSel(), 7);
    EXPECT_EQ(m_launcher.WaitForOwnedDialog(Dialog(), 0), nullptr);
}

class AboutBox : public Launcher {
protected:
    // Sends the system command and returns the About box it opened, checked.
    HWND Open(WPARAM command)
    {
        PostMessageA(Dialog(), WM_SYSCOMMAND, command, 0);
        return Opened();
    }

    // The About box that should be open now, checked; null when there is none.
    HWND Opened()
    {
        HWND about = m_launcher.WaitForOwnedDialog(Dialog());
        EXPECT_NE(about, nullptr) << "an About box owned by the dialog " << m_launcher.LastWait()
                                  << "; the launcher's windows:\n"
                                  << m_launcher.DescribeWindows();
        if (about == nullptr)
            return nullptr;
        EXPECT_EQ(Hex(test::WindowTextGbk(about)), Hex(kAboutCaption));
        std::vector<std::string> statics = test::ChildTextsGbk(about, "Static");
        bool versionShown = false;
        for (const std::string& text : statics)
            versionShown = versionShown || text == kVersionLine;
        EXPECT_TRUE(versionShown) << "no static reads " << Hex(kVersionLine);
        EXPECT_EQ(Hex(test::WindowTextGbk(GetDlgItem(about, IDOK))), Hex(kOk));
        EXPECT_FALSE(IsWindowEnabled(Dialog())) << "the About box is not modal";
        return about;
    }

    void ExpectClosedAndLauncherUnchanged(HWND about, int selection)
    {
        ASSERT_TRUE(m_launcher.WaitFor([about] { return !IsWindow(about); }))
            << "the About box's closing " << m_launcher.LastWait();
        EXPECT_TRUE(m_launcher.WaitFor([this] { return IsWindowEnabled(Dialog()) != 0; }));
        EXPECT_TRUE(m_launcher.Running());
        EXPECT_EQ(Count(), static_cast<int>(kRegionCount));
        EXPECT_EQ(CurSel(), selection);
    }
};

// Wine cannot read another process's menus (GetSystemMenu gives null for them), so the menu is
// used as a user would: Alt+Space opens it, End and Enter choose its last item. (Its mnemonic
// cannot be tried here: Wine's own "About Wine" item, earlier in the menu, also has &A.)
TEST_F(AboutBox, SystemMenuEndsWithTheAboutItem)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    PostMessageA(Dialog(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
    HWND menu = m_launcher.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr) << "no system menu opened";
    test::PostKey(menu, VK_END);
    test::PostKey(menu, VK_RETURN);
    HWND about = Opened();
    ASSERT_NE(about, nullptr);
    test::PostButtonCommand(about, IDOK);
    ExpectClosedAndLauncherUnchanged(about, LB_ERR);
}

TEST_F(AboutBox, OpensForTheAboutCommandWhateverItsLowFourBits)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    for (WPARAM command : {WPARAM{0x0010}, WPARAM{0x0013}}) {
        SCOPED_TRACE(command);
        HWND about = Open(command);
        ASSERT_NE(about, nullptr);
        test::PostButtonCommand(about, IDOK);
        ASSERT_NO_FATAL_FAILURE(ExpectClosedAndLauncherUnchanged(about, LB_ERR));
    }
}

TEST_F(AboutBox, ClosesWithOkEscapeAndCloseBoxLeavingTheLauncherAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(StartBesideTheClient());
    Select(2);
    {
        SCOPED_TRACE("OK button clicked");
        HWND about = Open(IDM_ABOUTBOX);
        ASSERT_NE(about, nullptr);
        ClickButton(GetDlgItem(about, IDOK));
        ASSERT_NO_FATAL_FAILURE(ExpectClosedAndLauncherUnchanged(about, 2));
    }
    {
        SCOPED_TRACE("Escape");
        HWND about = Open(IDM_ABOUTBOX);
        ASSERT_NE(about, nullptr);
        HWND focus = FocusIn(about);
        ASSERT_TRUE(focus == about || IsChild(about, focus)) << "the focus is not in the box";
        test::PostKey(focus, VK_ESCAPE);
        ASSERT_NO_FATAL_FAILURE(ExpectClosedAndLauncherUnchanged(about, 2));
    }
    {
        SCOPED_TRACE("close box");
        HWND about = Open(IDM_ABOUTBOX);
        ASSERT_NE(about, nullptr);
        PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_NO_FATAL_FAILURE(ExpectClosedAndLauncherUnchanged(about, 2));
    }
    PostMessageA(Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectEndsWithNothingStarted();
}



}  // namespace
