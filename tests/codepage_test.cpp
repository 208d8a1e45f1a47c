// tests/codepage_test.cpp: the real launcher under whichever ANSI code page VELTO_CODEPAGE names
// (CTest runs this program under 936, 1252, 932, 949 and 65001): what a player reads, and what
// the client is started with, must not depend on it. Texts are read through the W forms and
// compared as GBK after an exact conversion, with the GBK written out by hand.
#include "region/region_table.h"
#include "res/resource.h"
#include "tests/support/expected_texts.h"
#include "tests/support/hex.h"
#include "tests/support/dialogs.h"
#include "tests/support/files.h"
#include "tests/support/launcher_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test::WaitUntil;
using test::Hex;

// 版权所有 (C) 2026 Velto
const char kCopyrightLine[] = "\xb0\xe6\xc8\xa8\xcb\xf9\xd3\xd0 (C) 2026 Velto";

std::string TextOf(HWND wnd)
{
    wchar_t text[512] = {};
    GetWindowTextW(wnd, text, 512);
    return test::ToGbk(text);
}

std::wstring ListItemW(HWND list, int index)
{
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length >= 512)
        return L"<LB_ERR>";
    wchar_t text[512] = {};
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ListItem(HWND list, int index)
{
    return test::ToGbk(ListItemW(list, index));
}

// The command line the client recorded once the launcher has started it; empty, as soon as it
// shows, when the launcher showed a message box instead. (The launcher ends before the client
// writes its record, so its end says nothing.)
std::string WaitForClientOrBox(const test::LauncherProcess& launcher, const std::string& record)
{
    WaitUntil(
        [&] {
            return test::FileExists(record) ||
                   launcher.WaitForOwnedDialog(launcher.dialog(), 0) != nullptr;
        },
        5000);
    return test::FileExists(record) ? test::WaitForFile(record, 5000) : std::string();
}

class CodePage : public ::testing::Test {
protected:
    // From bin/, beside the client, in an empty current folder.
    void StartBesideTheClient()
    {
        ASSERT_TRUE(m_launcher.Start(test::BinDir() + "\\dudazuvi.exe", m_scratch.path(), Record()))
            << m_launcher.error();
    }

    std::string Record() const { return m_scratch.File("record.txt"); }
    HWND Dialog() const { return m_launcher.dialog(); }
    HWND List() const { return m_launcher.Item(IDC_REGION_LIST); }

    void Select(int index) { ASSERT_EQ(SendMessageW(List(), LB_SETCURSEL, index, 0), index); }

    // Confirms and expects a message box reading `text`, which it closes.
    void ConfirmAndCloseMessageBox(const char* text)
    {
        test::PostButtonCommand(Dialog(), IDOK);
        HWND box = m_launcher.WaitForOwnedDialog(Dialog(), 5000);
        ASSERT_NE(box, nullptr) << "no message box appeared";
        EXPECT_EQ(Hex(TextOf(box)), Hex(test::gbk::kCaption));
        EXPECT_EQ(Hex(TextOf(GetDlgItem(box, 0xFFFF))), Hex(text));
        // Its OK button is the system's, in the system's language: not checked here.
        test::PostButtonCommand(box, IDOK);
        ASSERT_TRUE(WaitUntil([box] { return !IsWindow(box); }, 5000)) << "the box stayed";
    }

    // Starts the launcher from bin/, selects row `index`, confirms, and expects the client to get
    // exactly that row's command line.
    void ExpectRowStartsItsClient(int index)
    {
        SCOPED_TRACE("row " + std::to_string(index + 1));
        test::ScratchDir scratch;
        test::LauncherProcess launcher;
        const std::string record = scratch.File("record.txt");
        ASSERT_TRUE(launcher.Start(test::BinDir() + "\\dudazuvi.exe", scratch.path(), record))
            << launcher.error();
        HWND list = launcher.Item(IDC_REGION_LIST);
        ASSERT_EQ(SendMessageW(list, LB_SETCURSEL, index, 0), index);
        test::PostButtonCommand(launcher.dialog(), IDOK);
        ASSERT_EQ(WaitForClientOrBox(launcher, record), g_regionTable[index].commandLine)
            << (launcher.WaitForOwnedDialog(launcher.dialog(), 0) != nullptr
                    ? "a message box came instead"
                    : "");
        EXPECT_TRUE(launcher.WaitForExit(5000)) << "the launcher is still running";
    }

    test::ScratchDir m_scratch;
    test::LauncherProcess m_launcher;
};

// Then row 5, whose label the "A" forms' round trip lost under code page 932 (under 65001 they
// lost every label); the folder test below starts row 1.
TEST_F(CodePage, EveryTextOfTheDialogReadsAsWrittenAndRowFiveStartsItsClient)
{
    StartBesideTheClient();
    EXPECT_EQ(Hex(TextOf(Dialog())), Hex(test::gbk::kCaption));
    ASSERT_EQ(SendMessageW(List(), LB_GETCOUNT, 0, 0), static_cast<LRESULT>(kRegionCount));
    for (int i = 0; i < static_cast<int>(kRegionCount); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_EQ(Hex(ListItem(List(), i)), Hex(g_regionTable[i].label));
    }
    EXPECT_EQ(Hex(TextOf(m_launcher.Item(IDOK))), Hex(test::gbk::kConfirm));
    EXPECT_EQ(Hex(TextOf(m_launcher.Item(IDCANCEL))), Hex(test::gbk::kQuit));

    Select(4);
    test::PostButtonCommand(Dialog(), IDOK);
    ASSERT_EQ(WaitForClientOrBox(m_launcher, Record()), g_regionTable[4].commandLine)
        << (m_launcher.WaitForOwnedDialog(Dialog(), 0) != nullptr ? "a message box came instead"
                                                                   : "");
    EXPECT_TRUE(m_launcher.WaitForExit(5000)) << "the launcher is still running";
}

TEST_F(CodePage, MessageBoxesAndAboutBoxReadAsWrittenAndALookAlikeOfALabelIsRefused)
{
    // No client beside a copy of the launcher, none in the current folder: a row that is found
    // ends in the start-failed box, a text that is no label in the choose-a-region box.
    test::ScratchDir alone;
    const std::string exe = alone.File("dudazuvi.exe");
    ASSERT_TRUE(CopyFileA((test::BinDir() + "\\dudazuvi.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(m_launcher.Start(exe, m_scratch.path(), Record())) << m_launcher.error();

    ConfirmAndCloseMessageBox(test::gbk::kChooseRegion);
    Select(0);
    ConfirmAndCloseMessageBox(test::gbk::kStartFailed);

    // Put in by another program, through the W form: rows 12 and 5 as the list shows them, with
    // what a best-fit conversion erases changed: full-width parentheses, a superscript one.
    // Made from the list's own text, so that they would pass for the label if the launcher's
    // reading of the list went through such a conversion, whatever the list holds.
    std::vector<std::wstring> lookAlikes = {ListItemW(List(), 11), ListItemW(List(), 4)};
    for (wchar_t& c : lookAlikes[0])
        c = c == L'(' ? L'\uff08' : c == L')' ? L'\uff09' : c;
    for (wchar_t& c : lookAlikes[1])
        c = c == L'1' ? L'\u00b9' : c;
    ASSERT_NE(lookAlikes[0].find(L'\uff08'), std::wstring::npos) << "row 12 has changed";
    ASSERT_NE(lookAlikes[1].find(L'\u00b9'), std::wstring::npos) << "row 5 has changed";
    for (const std::wstring& text : lookAlikes) {
        SCOPED_TRACE(Hex(test::ToGbk(text)));
        const LRESULT index =
            SendMessageW(List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ASSERT_GE(index, static_cast<LRESULT>(kRegionCount));
        Select(static_cast<int>(index));
        ConfirmAndCloseMessageBox(test::gbk::kChooseRegion);
    }

    PostMessageW(Dialog(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = m_launcher.WaitForOwnedDialog(Dialog(), 5000);
    ASSERT_NE(about, nullptr) << "no About box";
    EXPECT_EQ(Hex(TextOf(about)), Hex(test::gbk::kAboutCaption));
    std::vector<std::string> statics;
    for (HWND child = GetWindow(about, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (test::ClassName(child) == "Static" &&
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            statics.push_back(Hex(TextOf(child)));
    }
    EXPECT_EQ(statics,
              (std::vector<std::string>{Hex(test::gbk::kVersionLine), Hex(kCopyrightLine)}));
    EXPECT_EQ(Hex(TextOf(GetDlgItem(about, IDOK))), Hex(test::gbk::kOk));
    test::PostButtonCommand(about, IDOK);
    EXPECT_TRUE(WaitUntil([about] { return !IsWindow(about); }, 5000)) << "the About box stayed";
    EXPECT_FALSE(test::FileExists(Record())) << "a client was started";
}

TEST_F(CodePage, EveryRowStartsItsClient)
{
    // One row that does not start is enough: the rest would most likely fail the same way.
    for (int i = 0; i < static_cast<int>(kRegionCount) && !HasFatalFailure(); ++i)
        ExpectRowStartsItsClient(i);
}

// The launcher and the client in a folder the ANSI code page cannot write (GBK has kana, so the
// name has Hangul too; only UTF-8 writes it all), started from another folder: the client is
// found beside the launcher and gets its exact command line.
TEST_F(CodePage, LauncherAndClientInAFolderTheCodePageCannotWrite)
{
    const std::wstring base(m_scratch.path().begin(), m_scratch.path().end());  // ASCII
    // 游戏 ゲーム 게임
    const std::wstring folder = base + L"\\\u6e38\u620f \u30b2\u30fc\u30e0 \uac8c\uc784";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    // The scratch folder removes only files it can name in the ANSI code page.
    struct RemoveFolder {
        const std::wstring& folder;
        ~RemoveFolder()
        {
            for (const wchar_t* name : {L"\\dudazuvi.exe", L"\\vexa.exe"})
                DeleteFileW((folder + name).c_str());
            RemoveDirectoryW(folder.c_str());
        }
    } removeFolder{folder};
    const std::wstring bin = [] {
        const std::string b = test::BinDir();
        return std::wstring(b.begin(), b.end());
    }();
    ASSERT_TRUE(CopyFileW((bin + L"\\dudazuvi.exe").c_str(), (folder + L"\\dudazuvi.exe").c_str(),
                          FALSE));
    ASSERT_TRUE(
        CopyFileW((bin + L"\\vexa.exe").c_str(), (folder + L"\\vexa.exe").c_str(), FALSE));
    // The folder's name really cannot be written in the ANSI code page (under 65001 it can).
    if (GetACP() != CP_UTF8) {
        BOOL usedDefault = FALSE;
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder.c_str(), -1, nullptr, 0, nullptr,
                            &usedDefault);
        EXPECT_TRUE(usedDefault);
    }

    test::ScratchDir elsewhere;
    const std::wstring current(elsewhere.path().begin(), elsewhere.path().end());
    const int row = 0;
    {
        test::LauncherProcess launcher;
        ASSERT_TRUE(launcher.Start(folder + L"\\dudazuvi.exe", current, Record()))
            << launcher.error();
        ASSERT_EQ(SendMessageW(launcher.Item(IDC_REGION_LIST), LB_SETCURSEL, row, 0), row);
        test::PostButtonCommand(launcher.dialog(), IDOK);
        ASSERT_EQ(WaitForClientOrBox(launcher, Record()), g_regionTable[row].commandLine)
            << (launcher.WaitForOwnedDialog(launcher.dialog(), 0) != nullptr
                    ? "a message box came instead"
                    : "");
        EXPECT_TRUE(launcher.WaitForExit(5000));
    }
}

}  // namespace
