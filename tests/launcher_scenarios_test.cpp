// tests/launcher_scenarios_test.cpp: the real launcher, started as a process of its own and used
// through its windows as a user would, with the real stand-in client recording what it was
// started with. One table of scenarios and one runner: a row says where the launcher and the
// client sit, what the user does and what must follow. CTest runs this program under the ANSI
// code pages of players' systems (VELTO_CODEPAGE): what a player reads, and what the client is
// started with, must not depend on it. Texts are read through the W forms and compared as GBK
// after an exact conversion, with the GBK written out by hand (tests/support/expected_texts.h).
#include "region/region_table.h"
#include "res/resource.h"
#include "tests/support/client_report.h"
#include "tests/support/dialogs.h"
#include "tests/support/expected_texts.h"
#include "tests/support/files.h"
#include "tests/support/hex.h"
#include "tests/support/launcher_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using test::Hex;

// Where the launcher and the client sit.
enum class Place {
    BesideTheClient,      // bin/, started in an empty folder: only its own folder has the client
    Alone,                // a copy alone in a folder of its own, started there: no client anywhere
    AloneStartedInBin,    // that copy started in bin/: the client is in the current folder
    UnwritableFolder,     // both in a folder whose name the code page cannot write, started
                          // elsewhere
};

// What the user does, after selecting the row's region where the row names one.
enum class Act {
    Nothing,
    Confirm,              // what the 进入 button sends (BN_CLICKED)
    ClickConfirm,         // a click on 进入
    EnterOnConfirm,       // Enter on the focused 进入 button
    TabToTheList,         // Tab from the focused 进入, and again: 退出, then the list
    ClickRowThenEnter,    // a click on the row in the list, then Enter there
    DoubleClickRow,
    ClickQuit,            // a click on 退出
    Escape,
    CloseBox,             // the caption's close box (SC_CLOSE)
    MinimizeRestore,
    AboutFromSystemMenu,  // Alt+Space, End, Enter: the menu's last item
    AboutCommand,         // the About command posted, with `command`'s low four bits
};

// How an About box is closed.
enum class Close { OkClick, Escape, CloseBox };

// Code pages, as a mask: the quick tier runs a row only under those it names.
enum : unsigned { k936 = 1, k1252 = 2, k932 = 4, k949 = 8, k65001 = 16, kAll = 31, kSlow = 0 };

const int kNone = -1;    // no row selected, no client started
const int kAny = -2;     // the selection is not checked

struct Scenario {
    const char* name;
    Place place;
    Act act;
    int select;                 // the row (index) selected first; kNone
    int times = 1;              // how often the act is done (each one with its box)
    // What must follow:
    int client = kNone;         // whose command line the client records; kNone: none is started
    const char* box = nullptr;  // the launcher's message box, after each act (GBK)
    bool about = false;         // the About box, read and then closed as `close` says
    bool ends = false;          // the launcher ends (it also does when a client starts)
    int selection = kAny;       // the selection afterwards, when the launcher stays
    unsigned quick = kSlow;     // code pages whose quick tier runs the row
    bool focusOnConfirm = false;  // at start the keyboard focus is on 进入
    bool lingering = false;     // the client runs on by itself once the launcher has gone
    WPARAM command = IDM_ABOUTBOX;
    Close close = Close::OkClick;
    unsigned only = kAll;       // code pages the row runs under at all
};

// The behaviour of the launcher as a user sees it. That every label finds its own row's command
// line, and reads back from the list as its bytes under each code page, is proven row by row
// where it is decided (region_table_test.cpp, codepage_dialog_test.cpp); here a few rows start
// their client through the whole launcher.
const Scenario kScenarios[] = {
    {.name = "started, it shows every region in table order, nothing selected and the focus on "
             "进入; left alone it stays",
     .place = Place::BesideTheClient, .act = Act::Nothing, .select = kNone,
     .selection = kNone, .quick = k936, .focusOnConfirm = true},
    {.name = "进入 with nothing selected asks for a region and stays",
     .place = Place::BesideTheClient, .act = Act::Confirm, .select = kNone,
     .box = test::gbk::kChooseRegion, .selection = kNone, .quick = k936},
    {.name = "Enter on 进入 with nothing selected asks for a region and stays",
     .place = Place::BesideTheClient, .act = Act::EnterOnConfirm, .select = kNone,
     .box = test::gbk::kChooseRegion, .selection = kNone, .quick = k936},
    {.name = "Tab from 进入 goes to 退出, then to the list", .place = Place::BesideTheClient,
     .act = Act::TabToTheList, .select = kNone, .selection = kNone, .quick = k936},
    {.name = "the first row clicked and Enter pressed starts its client",
     .place = Place::BesideTheClient, .act = Act::ClickRowThenEnter, .select = 0, .client = 0,
     .quick = k936},
    {.name = "the fifth row selected and confirmed starts its client",
     .place = Place::BesideTheClient, .act = Act::Confirm, .select = 4, .client = 4,
     .quick = kAll},
    {.name = "the last row selected and 进入 clicked starts its client",
     .place = Place::BesideTheClient, .act = Act::ClickConfirm, .select = 18, .client = 18,
     .quick = k936},
    {.name = "the client runs on by itself after the launcher has gone, in its folder, with its "
             "environment and without its handles",
     .place = Place::BesideTheClient, .act = Act::Confirm, .select = 9, .client = 9,
     .quick = k936, .lingering = true,
     // The probe variable's GBK value reaches the stand-in client through the ANSI code page.
     .only = k936},
    {.name = "with no client anywhere a start fails every time, saying so, and the selection "
             "stays",
     .place = Place::Alone, .act = Act::Confirm, .select = 4, .times = 2,
     .box = test::gbk::kStartFailed, .selection = 4, .quick = k936 | k1252},
    {.name = "a client in the current folder is found when none is beside the launcher",
     .place = Place::AloneStartedInBin, .act = Act::Confirm, .select = 11, .client = 11,
     .quick = k936},
    {.name = "a launcher and client in a folder the code page cannot write start the row's "
             "command line",
     .place = Place::UnwritableFolder, .act = Act::Confirm, .select = 0, .client = 0,
     .quick = k936 | k1252},
    {.name = "退出 clicked ends it with nothing started",
     .place = Place::BesideTheClient, .act = Act::ClickQuit, .select = 0, .ends = true,
     .quick = k936},
    {.name = "Escape ends it with nothing started",
     .place = Place::BesideTheClient, .act = Act::Escape, .select = 0, .ends = true,
     .quick = k936},
    {.name = "the close box ends it with nothing started",
     .place = Place::BesideTheClient, .act = Act::CloseBox, .select = 0, .ends = true,
     .quick = k936},
    {.name = "a double click on a row only selects it",
     .place = Place::BesideTheClient, .act = Act::DoubleClickRow, .select = 2, .selection = 2,
     .quick = k936},
    {.name = "minimizing and restoring get the system's handling and keep the selection",
     .place = Place::BesideTheClient, .act = Act::MinimizeRestore, .select = 7, .selection = 7,
     .quick = k936},
    {.name = "minimized, the About command opens the About box centred on the work area; closed, "
             "the launcher restores with the selection kept",
     .place = Place::BesideTheClient, .act = Act::MinimizeRestore, .select = 7, .about = true,
     .selection = 7, .quick = k936},
    {.name = "the system menu's last item opens the About box; OK closes it",
     .place = Place::BesideTheClient, .act = Act::AboutFromSystemMenu, .select = kNone,
     .about = true, .selection = kNone, .quick = k936},
    {.name = "the About command opens the About box whatever its low four bits; Escape closes it",
     .place = Place::BesideTheClient, .act = Act::AboutCommand, .select = 2, .about = true,
     .selection = 2, .quick = kAll, .command = IDM_ABOUTBOX | 0x3, .close = Close::Escape},
    {.name = "the About box's close box closes it and leaves the launcher as it was",
     .place = Place::BesideTheClient, .act = Act::AboutCommand, .select = 2, .about = true,
     .selection = 2, .quick = k936, .close = Close::CloseBox},
};

// Whether a row needs the activation: input that goes to the window in front, and boxes, which
// take it. Such rows take turns with every other test that needs it.
bool InFront(const Scenario& s)
{
    switch (s.act) {
    case Act::Nothing:
    case Act::Confirm:
    case Act::CloseBox:
        return s.box != nullptr || s.about || s.focusOnConfirm;
    default:
        return true;
    }
}

// Long enough for a started client to have written its record several times over.
const DWORD kQuietMs = 1000;

// What a run leaves for the end of the table: the record that must never appear.
struct Pending {
    std::string scenario;
    std::unique_ptr<test::ScratchDir> folder;
};

// Drives the real launcher through one row. Every step that fails says what was expected and
// what came instead, and ends the row: what follows a failed step would only fail with it.
class Runner {
public:
    explicit Runner(const Scenario& s) : m_s(s) {}

    // True when every step held. A launcher that must start nothing leaves its record folder in
    // *pending, to be looked at once, after a quiet time, when every row has run.
    bool Run(std::vector<Pending>* pending)
    {
        m_folder = std::make_unique<test::ScratchDir>();
        if (!Start() || !ReadsAsWritten() || !Select() || !Act() || !Follow())
            return false;
        if (m_s.client == kNone)
            pending->push_back({m_s.name, std::move(m_folder)});
        return true;
    }

private:
    bool Fail(const std::string& expected, const std::string& got)
    {
        ADD_FAILURE() << "scenario \"" << m_s.name << "\":\n  expected " << expected
                      << "\n  got " << got;
        return false;
    }

    std::string Record() const { return m_folder->File("record.txt"); }
    HWND Dialog() const { return m_launcher.dialog(); }
    HWND List() const { return m_launcher.Item(IDC_REGION_LIST); }
    int Count() const { return static_cast<int>(test::Ask(List(), LB_GETCOUNT, 0, 0)); }
    int CurSel() const { return static_cast<int>(test::Ask(List(), LB_GETCURSEL, 0, 0)); }
    std::string Windows() const { return "; its windows:\n" + m_launcher.DescribeWindows(); }
    std::string StillRunning() const
    {
        return "still running after " + std::to_string(test::kFirstWaitMs) + " ms" + Windows();
    }

    bool Start()
    {
        const std::string bin = test::BinDir();
        if (m_s.lingering)
            m_client = std::make_unique<test::LingeringClient>();
        bool started = false;
        switch (m_s.place) {
        case Place::BesideTheClient:
            started = m_launcher.Start(bin + "\\dudazuvi.exe", m_folder->path(), Record(),
                                       m_s.lingering);
            break;
        case Place::Alone:
        case Place::AloneStartedInBin: {
            const std::string exe = m_alone.File("dudazuvi.exe");
            if (!CopyFileA((bin + "\\dudazuvi.exe").c_str(), exe.c_str(), FALSE))
                return Fail("a copy of the launcher", "error " + std::to_string(GetLastError()));
            started = m_launcher.Start(
                exe, m_s.place == Place::Alone ? m_alone.path() : bin, Record());
            break;
        }
        case Place::UnwritableFolder: {
            // 游戏 ゲーム 게임: GBK has kana, so the name has Hangul too; only UTF-8 writes it all.
            const std::wstring base(m_alone.path().begin(), m_alone.path().end());  // ASCII
            m_unwritable = base + L"\\\u6e38\u620f \u30b2\u30fc\u30e0 \uac8c\uc784";
            const std::wstring from(bin.begin(), bin.end());
            if (!CreateDirectoryW(m_unwritable.c_str(), nullptr) ||
                !CopyFileW((from + L"\\dudazuvi.exe").c_str(),
                           (m_unwritable + L"\\dudazuvi.exe").c_str(), FALSE) ||
                !CopyFileW((from + L"\\vexa.exe").c_str(), (m_unwritable + L"\\vexa.exe").c_str(),
                           FALSE))
                return Fail("the folder with both programs",
                            "error " + std::to_string(GetLastError()));
            if (GetACP() != CP_UTF8) {
                BOOL usedDefault = FALSE;
                WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, m_unwritable.c_str(), -1,
                                    nullptr, 0, nullptr, &usedDefault);
                if (!usedDefault)
                    return Fail("a folder name the code page cannot write", "one it can");
            }
            const std::wstring current(m_folder->path().begin(), m_folder->path().end());
            started = m_launcher.Start(m_unwritable + L"\\dudazuvi.exe", current, Record());
            break;
        }
        }
        if (!started)
            return Fail("the launcher's dialog", m_launcher.error());
        return true;
    }

    // Whatever the row, the dialog shows every region in table order and its texts as written.
    bool ReadsAsWritten()
    {
        if (Hex(test::WindowTextGbk(Dialog())) != Hex(test::gbk::kCaption))
            return Fail("the caption " + Hex(test::gbk::kCaption),
                        Hex(test::WindowTextGbk(Dialog())));
        if (Count() != static_cast<int>(kRegionCount))
            return Fail(std::to_string(kRegionCount) + " rows", std::to_string(Count()));
        for (int i = 0; i < static_cast<int>(kRegionCount); ++i) {
            const std::string got = Hex(test::ListItemGbk(List(), i));
            if (got != Hex(g_regionTable[i].label))
                return Fail("row " + std::to_string(i + 1) + " " + Hex(g_regionTable[i].label),
                            got);
        }
        if (CurSel() != LB_ERR)
            return Fail("nothing selected", "row " + std::to_string(CurSel() + 1));
        for (const auto& [id, text] : {std::pair{IDOK, test::gbk::kConfirm},
                                       std::pair{IDCANCEL, test::gbk::kQuit}}) {
            const std::string got = Hex(test::WindowTextGbk(m_launcher.Item(id)));
            if (got != Hex(text))
                return Fail("button " + std::to_string(id) + " reading " + Hex(text), got);
        }
        if (const auto centred = test::IsCentredOver(Dialog()); !centred)
            return Fail("the launcher centred on the work area", centred.message());
        if (m_s.focusOnConfirm && FocusIn(Dialog()) != m_launcher.Item(IDOK))
            return Fail("the focus on 进入", Describe(FocusIn(Dialog())));
        return true;
    }

    bool Select()
    {
        if (m_s.select == kNone || m_s.act == Act::ClickRowThenEnter ||
            m_s.act == Act::DoubleClickRow)
            return true;
        if (test::Ask(List(), LB_SETCURSEL, m_s.select, 0) != m_s.select)
            return Fail("row " + std::to_string(m_s.select + 1) + " selected", "LB_ERR");
        return true;
    }

    bool Act()
    {
        // Dragged off the centre first, where an About box centred on the screen would pass.
        if (m_s.about && !SetWindowPos(Dialog(), nullptr, 200, 150, 0, 0,
                                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
            return Fail("the launcher dragged to (200, 150)", "not moved");
        for (int time = 1; time <= m_s.times; ++time) {
            switch (m_s.act) {
            case Act::Nothing:
                break;
            case Act::Confirm:
                test::PostButtonCommand(Dialog(), IDOK);
                break;
            case Act::ClickConfirm:
                ClickButton(m_launcher.Item(IDOK));
                break;
            case Act::EnterOnConfirm: {
                HWND focus = FocusIn(Dialog());
                if (focus != m_launcher.Item(IDOK))
                    return Fail("the focus on 进入", Describe(focus));
                test::PostKey(focus, VK_RETURN);
                break;
            }
            case Act::TabToTheList: {
                const HWND path[] = {m_launcher.Item(IDOK), m_launcher.Item(IDCANCEL), List()};
                HWND focus = FocusIn(Dialog());
                if (focus != path[0])
                    return Fail("the focus on 进入", Describe(focus));
                for (int tabs = 1; tabs <= 2; ++tabs) {
                    test::PostKey(focus, VK_TAB);
                    m_launcher.WaitFor([&] { return m_launcher.Focus() == path[tabs]; });
                    if ((focus = m_launcher.Focus()) != path[tabs])
                        return Fail("after " + std::to_string(tabs) + " Tab the focus on " +
                                        Describe(path[tabs]),
                                    Describe(focus));
                }
                break;
            }
            case Act::ClickRowThenEnter:
            case Act::DoubleClickRow: {
                const POINT at = test::ListItemCentre(List(), m_s.select);
                if (at.y < 0)
                    return Fail("row " + std::to_string(m_s.select + 1) + " on screen",
                                "no rectangle");
                FocusIn(Dialog());
                if (m_s.act == Act::DoubleClickRow) {
                    test::PostDoubleClick(List(), at);
                } else {
                    Click(List(), at);
                }
                const int row = m_s.select;
                if (!m_launcher.WaitFor([&] { return CurSel() == row; }))
                    return Fail("row " + std::to_string(row + 1) + " selected by the click",
                                "selection " + std::to_string(CurSel()));
                if (m_s.act == Act::ClickRowThenEnter) {
                    if (FocusIn(Dialog()) != List())
                        return Fail("the focus in the list", Describe(FocusIn(Dialog())));
                    test::PostKey(List(), VK_RETURN);
                }
                break;
            }
            case Act::ClickQuit:
                ClickButton(m_launcher.Item(IDCANCEL));
                break;
            case Act::Escape: {
                HWND focus = FocusIn(Dialog());
                if (focus == nullptr)
                    return Fail("a focus in the dialog", "none");
                test::PostKey(focus, VK_ESCAPE);
                break;
            }
            case Act::CloseBox:
                PostMessageW(Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            case Act::MinimizeRestore:
                // Not m_launcher.WaitFor: under Wine the window becomes iconic once the X server
                // says so, after the launcher has handled the command.
                PostMessageW(Dialog(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
                if (!test::WaitUntil([this] { return IsIconic(Dialog()) != 0; }))
                    return Fail("minimized", "not minimized" + Windows());
                if (!m_launcher.Running())
                    return Fail("still running when minimized", "ended");
                if (m_s.about) {  // its About item chosen from the taskbar
                    PostMessageW(Dialog(), WM_SYSCOMMAND, m_s.command, 0);
                    if (!AboutShownAndClosed())
                        return false;
                }
                PostMessageW(Dialog(), WM_SYSCOMMAND, SC_RESTORE, 0);
                if (!test::WaitUntil([this] { return IsIconic(Dialog()) == 0; }))
                    return Fail("restored", "still minimized");
                if (!IsWindowVisible(Dialog()))
                    return Fail("visible once restored", "hidden");
                break;
            case Act::AboutFromSystemMenu: {
                // Wine cannot read another process's menus, so the menu is used as a user
                // would. (Its mnemonic cannot be tried: Wine's own "About Wine" item, earlier in
                // the menu, also has &A.)
                PostMessageW(Dialog(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
                HWND menu = m_launcher.WaitForPopupMenu();
                if (menu == nullptr)
                    return Fail("the system menu open", "no menu" + Windows());
                test::PostKey(menu, VK_END);
                test::PostKey(menu, VK_RETURN);
                break;
            }
            case Act::AboutCommand:
                PostMessageW(Dialog(), WM_SYSCOMMAND, m_s.command, 0);
                break;
            }
            if (m_s.box != nullptr && !BoxShownAndClosed(m_s.box))
                return false;
            if (m_s.about && m_s.act != Act::MinimizeRestore && !AboutShownAndClosed())
                return false;
        }
        return true;
    }

    // A box of the launcher's, modal, reading `text`, then closed with its OK button; the
    // launcher must be back, running and usable.
    bool BoxShownAndClosed(const char* text)
    {
        HWND box = m_launcher.WaitForOwnedDialog(Dialog());
        if (box == nullptr)
            return Fail("a message box reading " + Hex(text),
                        "none owned by the dialog " + m_launcher.LastWait() + Windows());
        const ::testing::AssertionResult seen = test::IsLauncherBox(test::DescribeMessageBox(box),
                                                                    text);
        if (!seen)
            return Fail("the launcher's box reading " + Hex(text), seen.message());
        if (IsWindowEnabled(Dialog()))
            return Fail("the box modal", "the dialog still enabled");
        test::PostButtonCommand(box, IDOK);
        return ClosedAndBack(box, "the box");
    }

    bool AboutShownAndClosed()
    {
        HWND about = m_launcher.WaitForOwnedDialog(Dialog());
        if (about == nullptr)
            return Fail("the About box",
                        "none owned by the dialog " + m_launcher.LastWait() + Windows());
        if (Hex(test::WindowTextGbk(about)) != Hex(test::gbk::kAboutCaption))
            return Fail("the About box's caption " + Hex(test::gbk::kAboutCaption),
                        Hex(test::WindowTextGbk(about)));
        HWND over = m_s.act == Act::MinimizeRestore ? nullptr : Dialog();  // not over an icon
        if (const auto centred = test::IsCentredOver(about, over); !centred)
            return Fail(over ? "the About box centred over the launcher"
                             : "the About box centred on the work area", centred.message());
        std::string statics;
        for (HWND child = GetWindow(about, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (test::ClassName(child) == "Static" &&
                (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
                statics += Hex(test::WindowTextGbk(child)) + "; ";
        }
        const std::string want =
            Hex(test::gbk::kVersionLine) + "; " + Hex(test::gbk::kCopyrightLine) + "; ";
        if (statics != want)
            return Fail("the texts " + want, statics);
        if (!test::ShowsIconControl(about))
            return Fail("the About box showing an icon", "none" + Windows());
        if (Hex(test::WindowTextGbk(GetDlgItem(about, IDOK))) != Hex(test::gbk::kOk))
            return Fail("its button reading " + Hex(test::gbk::kOk),
                        Hex(test::WindowTextGbk(GetDlgItem(about, IDOK))));
        if (IsWindowEnabled(Dialog()))
            return Fail("the About box modal", "the dialog still enabled");
        switch (m_s.close) {
        case Close::OkClick:
            ClickButton(GetDlgItem(about, IDOK));
            break;
        case Close::Escape: {
            HWND focus = FocusIn(about);
            if (focus != about && !IsChild(about, focus))
                return Fail("the focus in the About box", Describe(focus));
            test::PostKey(focus, VK_ESCAPE);
            break;
        }
        case Close::CloseBox:
            PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        return ClosedAndBack(about, "the About box");
    }

    bool ClosedAndBack(HWND box, const char* what)
    {
        if (!m_launcher.WaitFor([box] { return !IsWindow(box); }))
            return Fail(std::string(what) + " closed", "still open " + m_launcher.LastWait());
        if (!m_launcher.WaitFor([this] { return IsWindowEnabled(Dialog()) != 0; }))
            return Fail("the dialog enabled again", "disabled");
        if (!m_launcher.Running() || !IsWindowVisible(Dialog()))
            return Fail("the launcher running and shown", "ended or hidden");
        return true;
    }

    bool Follow()
    {
        if (m_s.lingering) {
            // It reports what it found in its own process, and keeps running.
            if (!m_launcher.WaitFor([&] { return m_client->WaitForReport(0); }))
                return Fail("the client's report",
                            "none " + m_launcher.LastWait() + " (started suspended?)");
        } else if (m_s.client != kNone) {
            std::string record;
            m_launcher.WaitFor([&] { return test::ReadFileBytes(Record(), &record); });
            if (record != g_regionTable[m_s.client].commandLine)
                return Fail("row " + std::to_string(m_s.client + 1) + "'s command line " +
                                g_regionTable[m_s.client].commandLine,
                            record.empty() ? "no client " + m_launcher.LastWait() + Windows()
                                           : record);
        }
        if (m_s.client != kNone) {
            if (!m_launcher.WaitForExit())
                return Fail("the launcher ended", StillRunning());
            if (!ExitedCleanly())
                return false;
            if (m_s.lingering) {
                if (!m_client->Running())
                    return Fail("the client running on", "it ended with the launcher");
                test::ExpectStartedAsTheLauncherStartsIt(*m_client,
                                                         g_regionTable[m_s.client].commandLine,
                                                         m_folder->path());
                if (!m_client->Stop())
                    return Fail("the client ended when told to", "it runs on");
            }
            return true;
        }
        if (m_s.ends) {
            if (!m_launcher.WaitForExit())
                return Fail("the launcher ended", StillRunning());
            return ExitedCleanly();
        }
        // It stays: once it has handled all it was given, it runs, alone, as it was.
        m_launcher.WaitFor([] { return false; }, 300);
        if (!m_launcher.Running())
            return Fail("the launcher still running", "ended, exit code " +
                                                          std::to_string(m_launcher.ExitCode()));
        if (!IsWindowEnabled(Dialog()) || m_launcher.WaitForOwnedDialog(Dialog(), 0) != nullptr)
            return Fail("nothing modal open", Windows());
        if (Count() != static_cast<int>(kRegionCount))
            return Fail(std::to_string(kRegionCount) + " rows", std::to_string(Count()));
        if (m_s.selection != kAny && CurSel() != m_s.selection)
            return Fail("selection " + std::to_string(m_s.selection),
                        "selection " + std::to_string(CurSel()));
        return true;
    }

    // The launcher ends with 0 whichever way it ends; a fault (an access violation and the like)
    // ends it with an NTSTATUS error code, and a launcher still running reads as STILL_ACTIVE.
    bool ExitedCleanly()
    {
        const DWORD code = m_launcher.ExitCode();
        if (code != 0) {
            char text[16];
            wsprintfA(text, "0x%08lX", code);
            return Fail("exit code 0", text);
        }
        return true;
    }

    // The window with the keyboard focus, once it is `top` or inside it; the last focus seen
    // when it never is. Only the active window's thread has a focus, so `top` is brought to the
    // front as a user's click would. The focus returned is the one that was checked.
    HWND FocusIn(HWND top) const
    {
        HWND focus = nullptr;
        test::WaitUntil([&] {
            focus = m_launcher.Focus();
            if (focus != nullptr && (focus == top || IsChild(top, focus)))
                return true;
            SetForegroundWindow(top);
            return false;
        });
        return focus;
    }

    std::string Describe(HWND wnd) const
    {
        if (wnd == nullptr)
            return "no focus";
        return test::ClassName(wnd) + " " + Hex(test::WindowTextGbk(wnd));
    }

    // A click as a user makes it: on the window in front. A button pressed in a window that is
    // not active cannot capture the mouse, and then its release is no click.
    void Click(HWND wnd, POINT at) const
    {
        FocusIn(GetAncestor(wnd, GA_ROOT));
        test::PostClick(wnd, at);
    }
    // A button clicked by its own press and release (BM_CLICK), handled as one message. Posted
    // as two, they are handled apart, and an activation handled between them (another program's
    // window brought to the front) can take the focus or the capture from the button, which then
    // forgets the press: a click lost so would leave the About box open.
    void ClickButton(HWND button) const
    {
        FocusIn(GetAncestor(button, GA_ROOT));
        PostMessageW(button, BM_CLICK, 0, 0);
    }

    const Scenario& m_s;
    std::unique_ptr<test::ScratchDir> m_folder;  // the current folder and the client's record
    test::ScratchDir m_alone;
    std::wstring m_unwritable;
    std::unique_ptr<test::LingeringClient> m_client;
    // Last: it ends before the folders go.
    test::LauncherProcess m_launcher;

public:
    ~Runner()
    {
        m_launcher.Kill();
        // The scratch folder removes only files it can name in the ANSI code page.
        if (!m_unwritable.empty()) {
            for (const wchar_t* name : {L"\\dudazuvi.exe", L"\\vexa.exe"})
                DeleteFileW((m_unwritable + name).c_str());
            RemoveDirectoryW(m_unwritable.c_str());
        }
    }
};

unsigned ThisCodePage()
{
    switch (GetACP()) {
    case 936: return k936;
    case 1252: return k1252;
    case 932: return k932;
    case 949: return k949;
    case 65001: return k65001;
    default: return 0;
    }
}

enum class Tier { Quick, Slow };

// Runs every row of the tier under this code page whose need of the activation is `inFront`.
// The first failed row ends the run: with a fault that fails one row, most would fail alike.
void RunScenarios(Tier tier, bool inFront)
{
    std::vector<Pending> pending;
    int ran = 0;
    for (const Scenario& s : kScenarios) {
        const bool quick = (s.quick & ThisCodePage()) != 0;
        if ((s.only & ThisCodePage()) == 0 || (tier == Tier::Quick) != quick || InFront(s) != inFront)
            continue;
        ++ran;
        std::printf("scenario: %s\n", s.name);
        Runner runner(s);
        if (!runner.Run(&pending))
            break;
    }
    std::printf("%d scenarios\n", ran);
    // Code page 936 runs every row in the quick tier: its slow tests have none, and say so.
    if (ran == 0)
        GTEST_SKIP() << "no row of this tier runs under this code page";
    // Nothing started where nothing should be, looked at once, after one quiet time for all.
    if (!pending.empty())
        Sleep(kQuietMs);
    for (const Pending& p : pending)
        EXPECT_FALSE(test::FileExists(p.folder->File("record.txt")))
            << "scenario \"" << p.scenario << "\":\n  expected no client\n  got a client started";
}

TEST(LauncherScenarios, QuickInFront) { RunScenarios(Tier::Quick, true); }
TEST(LauncherScenarios, QuickBehind) { RunScenarios(Tier::Quick, false); }
TEST(LauncherScenarios, SlowInFront) { RunScenarios(Tier::Slow, true); }
TEST(LauncherScenarios, SlowBehind) { RunScenarios(Tier::Slow, false); }

}  // namespace
