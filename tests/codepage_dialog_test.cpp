// tests/codepage_dialog_test.cpp: the framework's texts in this process, under whichever ANSI code
// page VELTO_CODEPAGE names (CTest runs this program under several): list items read back into a
// fixed buffer, and the system menu, which Wine does not let another process read.
#include "app/launcher_dlg.h"
#include "platform/app.h"
#include "platform/listbox.h"
#include "platform/text.h"
#include "region/launch_request.h"
#include "region/region_table.h"
#include "res/resource.h"

#include "tests/support/expected_texts.h"
#include "tests/support/hex.h"
#include "tests/support/dialogs.h"
#include "tests/support/files.h"
#include "tests/support/modal.h"
#include "tests/support/pe_image.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

// The dialog loads its icon through the application object.
static CWinApp s_app;

namespace {

using CodePageInProcess = ::testing::Test;

// A list box of this thread whose items the test puts in itself, through the W form, so that
// what is in it does not depend on the code under test.
class ListText : public CodePageInProcess {
protected:
    void SetUp() override
    {
        CodePageInProcess::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        m_list.m_hWnd = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP, 0, 0, 200, 300, nullptr,
                                        nullptr, nullptr, nullptr);
        ASSERT_NE(m_list.m_hWnd, nullptr);
    }
    void TearDown() override
    {
        if (m_list.m_hWnd != nullptr)
            DestroyWindow(m_list.m_hWnd);
    }

    int Add(const std::wstring& text)
    {
        return static_cast<int>(
            SendMessageW(m_list.m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    std::wstring Item(int index) const
    {
        wchar_t text[256] = {};
        SendMessageW(m_list.m_hWnd, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }

    CListBox m_list;
};

// 40 bytes is the label buffer. Past it, guard bytes that a read must leave alone.
const int kLabelBytes = static_cast<int>(kRegionLabelBufferSize);
const char kGuard = '\x5a';

struct FixedRead {
    int result;
    std::string text;  // what the buffer holds up to its terminator, when it has one in bounds
    bool guardIntact;
};

FixedRead ReadInto40Bytes(const CListBox& list, int index)
{
    char storage[kRegionLabelBufferSize + 8];
    std::memset(storage, kGuard, sizeof storage);
    FixedRead read;
    read.result = list.GetText(index, storage, kLabelBytes);
    const void* end = std::memchr(storage, '\0', kRegionLabelBufferSize);
    read.text = end != nullptr ? std::string(storage) : "<no terminator>";
    read.guardIntact = true;
    for (std::size_t i = kRegionLabelBufferSize; i < sizeof storage; ++i)
        read.guardIntact = read.guardIntact && storage[i] == kGuard;
    return read;
}

TEST_F(ListText, ATextFillsTheBufferOnlyWhenItAndItsTerminatorFit)
{
    // 国 is U+56FD, GBK b9 fa: two bytes, one UTF-16 unit.
    const std::wstring nineteenWide(19, L'\u56fd');
    const std::string nineteenGbk = [] {
        std::string s;
        for (int i = 0; i < 19; ++i)
            s += "\xb9\xfa";
        return s;
    }();
    const struct {
        std::wstring item;
        int result;
        std::string text;
    } cases[] = {
        {nineteenWide + L"x", 39, nineteenGbk + "x"},  // 39 bytes and the terminator: exactly full
        {std::wstring(39, L'y'), 39, std::string(39, 'y')},
        {nineteenWide + L"\u56fd", LB_ERR, ""},        // 40 bytes: one too many
        {std::wstring(40, L'y'), LB_ERR, ""},
        {std::wstring(79, L'y'), LB_ERR, ""},          // read, then refused
        {std::wstring(300, L'y'), LB_ERR, ""},         // never read
        {L"", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.item.size()) + " UTF-16 units");
        const int index = Add(c.item);
        ASSERT_GE(index, 0);
        const FixedRead read = ReadInto40Bytes(m_list, index);
        EXPECT_EQ(read.result, c.result);
        EXPECT_EQ(test::Hex(read.text), test::Hex(c.text));
        EXPECT_TRUE(read.guardIntact) << "written past the 40-byte buffer";
    }
    // No item at all: an empty text, nothing else written.
    const FixedRead none = ReadInto40Bytes(m_list, LB_ERR);
    EXPECT_EQ(none.result, LB_ERR);
    EXPECT_EQ(none.text, "");
    EXPECT_TRUE(none.guardIntact);
}

// Texts that a best-fit conversion would turn into a label: they read as something no label is.
TEST_F(ListText, ALookAlikeOfALabelNeverReadsAsTheLabel)
{
    const struct {
        const wchar_t* item;
        int row;  // the row it resembles, counted from 1
    } lookAlikes[] = {
        {L"\u534e\u4e1c\u00b9\u533a", 5},                    // 华东¹区: superscript one
        {L"\u6c5f\u82cf\uff08\u661f\u8054\uff09", 12},       // 江苏（星联）: full-width parentheses
        {L"\u6cb3\u5357(\u661f\u8054)[\u63a8\u8350]\u0e01", 0},  // row 1 and a Thai letter
    };
    // The first one really is a best-fit hazard: converted loosely, it is row 5's label.
    {
        const std::wstring loose = lookAlikes[0].item;
        char bytes[64] = {};
        WideCharToMultiByte(936, 0, loose.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
        ASSERT_STREQ(bytes, g_regionTable[4].label) << "no longer a look-alike under best fit";
    }
    for (const auto& l : lookAlikes) {
        SCOPED_TRACE(l.row);
        const int index = Add(l.item);
        const FixedRead read = ReadInto40Bytes(m_list, index);
        for (const RegionEntry& row : g_regionTable)
            EXPECT_NE(test::Hex(read.text), test::Hex(row.label));
        EXPECT_EQ(FindRegionCommandLine(read.text.c_str()), nullptr);
        EXPECT_TRUE(read.guardIntact);
    }
    // Full-width parentheses are GBK characters of their own: they read exactly, as themselves.
    const FixedRead fullWidth = ReadInto40Bytes(m_list, 1);
    EXPECT_EQ(test::Hex(fullWidth.text), "bd ad cb d5 a3 a8 d0 c7 c1 aa a3 a9 ");
    // The superscript and the Thai letter have none: nothing is read.
    EXPECT_EQ(ReadInto40Bytes(m_list, 0).result, LB_ERR);
    EXPECT_EQ(ReadInto40Bytes(m_list, 2).result, LB_ERR);
}

TEST_F(ListText, EveryLabelGoesInAsItsCharactersAndComesBackAsItsBytes)
{
    for (const RegionEntry& row : g_regionTable)
        ASSERT_GE(m_list.AddString(row.label), 0);
    // Two rows spelled out in UTF-16: the list holds the characters, not the ANSI code page's
    // reading of the bytes.
    EXPECT_EQ(Item(0), L"\u6cb3\u5357(\u661f\u8054)[\u63a8\u8350]");  // 河南(星联)[推荐]
    EXPECT_EQ(Item(4), L"\u534e\u4e1c\u0031\u533a");                  // 华东1区
    for (int i = 0; i < static_cast<int>(kRegionCount); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_EQ(test::Hex(test::ToGbk(Item(i))), test::Hex(g_regionTable[i].label));
        const FixedRead read = ReadInto40Bytes(m_list, i);
        EXPECT_EQ(test::Hex(read.text), test::Hex(g_regionTable[i].label));
        EXPECT_EQ(read.result, static_cast<int>(std::strlen(g_regionTable[i].label)));
    }
    // Bytes that are not GBK (a lead byte with no trail) add nothing.
    EXPECT_EQ(m_list.AddString("\xbb"), LB_ERR);
    EXPECT_EQ(SendMessageW(m_list.m_hWnd, LB_GETCOUNT, 0, 0), static_cast<LRESULT>(kRegionCount));
}

// Every block this program takes from the C runtime while the object lives is given guard bytes
// after the size asked for, so that a write past it is seen when the scope ends (Intact()), and
// is counted until it is given back (Outstanding()).
class GuardedAllocations {
public:
    GuardedAllocations()
        : m_hook("msvcrt.dll", "malloc", reinterpret_cast<void*>(&Allocate)),
          m_freeHook("msvcrt.dll", "free", reinterpret_cast<void*>(&Free))
    {
        s_self = this;
        s_real = m_hook.Original<void* (*)(std::size_t)>();
        s_realFree = m_freeHook.Original<void (*)(void*)>();
    }
    ~GuardedAllocations() { s_self = nullptr; }
    GuardedAllocations(const GuardedAllocations&) = delete;
    GuardedAllocations& operator=(const GuardedAllocations&) = delete;

    bool Installed() const { return m_hook.Installed() && m_freeHook.Installed(); }
    int count() const { return m_count; }
    // Blocks handed out while the object lives and not given back since.
    int Outstanding() const { return m_outstanding; }
    // Whether every guard is as written; blocks freed since are not looked at.
    bool Intact(const void* block, std::size_t size) const
    {
        const auto* guard = static_cast<const unsigned char*>(block) + size;
        for (std::size_t i = 0; i < kGuardBytes; ++i)
            if (guard[i] != kGuardByte)
                return false;
        return true;
    }
    // The last block handed out, and its size as asked.
    void* last() const { return m_last; }
    std::size_t lastSize() const { return m_lastSize; }

private:
    static constexpr std::size_t kGuardBytes = 8;
    static constexpr unsigned char kGuardByte = 0xA5;

    static void* __cdecl Allocate(std::size_t size)
    {
        auto* block = static_cast<unsigned char*>(s_real(size + kGuardBytes));
        if (block != nullptr && s_self != nullptr) {
            std::memset(block + size, kGuardByte, kGuardBytes);
            s_self->m_last = block;
            s_self->m_lastSize = size;
            ++s_self->m_count;
            ++s_self->m_outstanding;
            for (void*& slot : s_self->m_blocks) {
                if (slot == nullptr) {
                    slot = block;
                    break;
                }
            }
        }
        return block;
    }
    // Only blocks handed out while the object lives are counted off; the slots hold as many as
    // the scopes measured here keep at once (a block past them stays counted as kept).
    static void __cdecl Free(void* block)
    {
        if (block != nullptr && s_self != nullptr) {
            for (void*& slot : s_self->m_blocks) {
                if (slot == block) {
                    slot = nullptr;
                    --s_self->m_outstanding;
                    break;
                }
            }
        }
        s_realFree(block);
    }

    static inline GuardedAllocations* s_self;
    static inline void* (*s_real)(std::size_t);
    static inline void (*s_realFree)(void*);
    test::ScopedImportHook m_hook;
    test::ScopedImportHook m_freeHook;
    void* m_last = nullptr;
    std::size_t m_lastSize = 0;
    int m_count = 0;
    int m_outstanding = 0;
    void* m_blocks[16] = {};
};

// The framework's string load sizes its buffer from the resource's own text: the GBK text and its
// terminator fill it exactly, and nothing is written past it.
TEST(FrameworkText, LoadStringFillsItsBufferWithTheTextAndTerminatorAndWritesNoFurther)
{
    CString text;
    const void* block = nullptr;
    std::size_t size = 0;
    bool intact = false;
    {
        GuardedAllocations allocations;
        ASSERT_TRUE(allocations.Installed()) << "this program takes malloc from elsewhere";
        ASSERT_TRUE(text.LoadString(IDS_ABOUTBOX));
        ASSERT_GE(allocations.count(), 1);
        block = allocations.last();
        size = allocations.lastSize();
        intact = allocations.Intact(block, size);
    }
    EXPECT_EQ(static_cast<const void*>(static_cast<LPCSTR>(text)), block)
        << "the string is not in the last block allocated";
    EXPECT_EQ(test::Hex(static_cast<LPCSTR>(text)), test::Hex(test::gbk::kAboutItem));
    EXPECT_EQ(size, std::strlen(test::gbk::kAboutItem) + 1) << "the block for text and terminator";
    EXPECT_TRUE(intact) << "written past the " << size << " bytes allocated";
}

// Reading a label takes a block for the list's UTF-16 text, and gives it back: one kept a read
// would grow the launcher by a few bytes every time it is confirmed.
TEST_F(ListText, EveryReadGivesBackWhatItTakes)
{
    for (const RegionEntry& row : g_regionTable)
        ASSERT_GE(m_list.AddString(row.label), 0);
    int taken = 0;
    int kept = 0;
    {
        char label[kRegionLabelBufferSize];
        GuardedAllocations allocations;
        ASSERT_TRUE(allocations.Installed()) << "this program takes malloc or free from elsewhere";
        for (int i = 0; i < static_cast<int>(kRegionCount); ++i)
            m_list.GetText(i, label, kLabelBytes);
        taken = allocations.count();
        kept = allocations.Outstanding();
    }
    EXPECT_GE(taken, static_cast<int>(kRegionCount)) << "the reads were not seen taking blocks";
    EXPECT_EQ(kept, 0) << "blocks kept after " << kRegionCount << " reads";
}

using LauncherDialogTexts = CodePageInProcess;

// The system menu ends with a separator and the About item, once, whose text reads as written.
TEST_F(LauncherDialogTexts, SystemMenuEndsWithASeparatorAndTheAboutItemReadingAsWritten)
{
    CLauncherDlg dlg;
    EXPECT_EQ(test::RunWith(dlg, [](HWND hwnd) {
        HMENU menu = GetSystemMenu(hwnd, FALSE);
        ASSERT_NE(menu, nullptr);
        const int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_TRUE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        ASSERT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
        wchar_t text[64] = {};
        GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
        EXPECT_EQ(test::Hex(test::ToGbk(text)), test::Hex(test::gbk::kAboutItem));
        int aboutItems = 0;
        for (int i = 0; i < count; ++i)
            aboutItems += GetMenuItemID(menu, i) == static_cast<UINT>(IDM_ABOUTBOX);
        EXPECT_EQ(aboutItems, 1);
    }), IDCANCEL);
}

}  // namespace
