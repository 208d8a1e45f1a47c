// tests/resources_test.cpp: the resources inside the built launcher, read back from the program
// file and parsed byte by byte here, so that a wrong value shows up whatever Windows would make
// of it. Texts are compared as UTF-16 code units written out in hex.
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <shlwapi.h>
#include <xmllite.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

const WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 0x0804

// Resource ids, written out here rather than taken from res/resource.h: the numbers are fixed.
const WORD kAboutBox = 100;        // IDD_ABOUTBOX
const WORD kLauncherDialog = 102;  // IDD_LAUNCHER_DIALOG
const WORD kAboutBoxString = 101;  // IDS_ABOUTBOX
const WORD kMainFrame = 128;       // IDR_MAINFRAME
const WORD kBackground = 130;      // IDB_BACKGROUND
const WORD kVersionInfo = 1;       // VS_VERSION_INFO
const WORD kManifest = 1;          // the manifest a process is started with

const char16_t kSongTi[] = u"\x5B8B\x4F53";  // 宋体

std::string Hex32(DWORD v)
{
    char text[16];
    wsprintfA(text, "0x%08lX", v);
    return text;
}

// "8fdb 5165" for 进入: readable in a failure message whatever the console's code page.
std::string Units(const std::u16string& s)
{
    std::string out;
    char unit[8];
    for (char16_t c : s) {
        wsprintfA(unit, out.empty() ? "%04x" : " %04x", static_cast<unsigned>(c));
        out += unit;
    }
    return out;
}

std::string Ascii(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s)
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return out;
}

// Little-endian fields in order. A read past the end sets bad and yields zeros, so a truncated
// resource fails the checks instead of reading beyond it.
class Reader {
public:
    explicit Reader(const std::string& bytes, size_t pos = 0) : m_bytes(bytes), pos(pos) {}

    DWORD Field(size_t size)
    {
        if (pos + size > m_bytes.size()) {
            bad = true;
            pos = m_bytes.size();
            return 0;
        }
        DWORD v = 0;
        for (size_t i = size; i-- > 0;)
            v = v << 8 | static_cast<unsigned char>(m_bytes[pos + i]);
        pos += size;
        return v;
    }
    BYTE Byte() { return static_cast<BYTE>(Field(1)); }
    WORD Word() { return static_cast<WORD>(Field(2)); }
    DWORD Dword() { return Field(4); }
    short Short() { return static_cast<short>(Word()); }
    LONG Long() { return static_cast<LONG>(Dword()); }
    void Align4() { pos = (pos + 3) & ~static_cast<size_t>(3); }

    // A NUL-terminated UTF-16 text; the NUL is read but not returned.
    std::u16string Text()
    {
        std::u16string s;
        for (WORD c = Word(); c != 0 && !bad; c = Word())
            s += static_cast<char16_t>(c);
        return s;
    }
    // A dialog template's name-or-ordinal: an ordinal comes back as its two units 0xFFFF, id.
    std::u16string TextOrOrdinal()
    {
        const size_t start = pos;
        if (Word() == 0xFFFF)
            return {u'\xFFFF', static_cast<char16_t>(Word())};
        pos = start;
        return Text();
    }
    std::string Ascii()
    {
        std::string s;
        for (char c = static_cast<char>(Byte()); c != 0 && !bad; c = static_cast<char>(Byte()))
            s += c;
        return s;
    }

    const std::string& m_bytes;
    size_t pos;
    bool bad = false;
};

std::string NameOf(LPCSTR name)
{
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name))
                                : std::string(name);
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(NameOf(name));
    return TRUE;
}

BOOL CALLBACK AddType(HMODULE, LPSTR type, LONG_PTR list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(NameOf(type));
    return TRUE;
}

std::string LanguageList(const std::vector<WORD>& languages)
{
    std::string out;
    for (WORD l : languages)
        out += (out.empty() ? "" : ",") + Hex32(l).substr(6);
    return out.empty() ? "(none)" : out;
}

// The launcher loaded as data: nothing of it runs, its resources can be found and read.
class Resources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = test::ShippedBinDir() + "\\dudazuvi.exe";
        m_module = LoadLibraryExA(m_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_module, nullptr) << m_path << ": error " << GetLastError();
    }

    void TearDown() override
    {
        if (m_module != nullptr)
            FreeLibrary(m_module);
    }

    std::vector<WORD> Languages(LPCSTR type, LPCSTR name)
    {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(m_module, type, name, AddLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }

    std::vector<std::string> Names(LPCSTR type)
    {
        std::vector<std::string> names;
        EnumResourceNamesA(m_module, type, AddName, reinterpret_cast<LONG_PTR>(&names));
        return names;
    }

    // The bytes of one resource in Chinese (Simplified), which must be its only language;
    // empty, with a failure recorded, when it is missing.
    std::string Raw(WORD type, WORD id)
    {
        LPCSTR t = MAKEINTRESOURCEA(type), n = MAKEINTRESOURCEA(id);
        const std::string what = "resource type " + std::to_string(type) + " #" +
                                 std::to_string(id);
        EXPECT_EQ(LanguageList(Languages(t, n)), LanguageList({kChinese}))
            << what << ": the languages it exists in";
        HRSRC found = FindResourceExA(m_module, t, n, kChinese);
        if (found == nullptr) {
            ADD_FAILURE() << what << " in language 0804 is missing";
            return std::string();
        }
        const DWORD size = SizeofResource(m_module, found);
        const void* data = LockResource(LoadResource(m_module, found));
        if (data == nullptr) {
            ADD_FAILURE() << what << " cannot be loaded";
            return std::string();
        }
        return std::string(static_cast<const char*>(data), size);
    }

    std::string m_path;
    HMODULE m_module = nullptr;
};

TEST_F(Resources, EveryResourceIsInChineseSimplifiedOnly)
{
    std::vector<std::string> types;
    EnumResourceTypesA(m_module, AddType, reinterpret_cast<LONG_PTR>(&types));
    EXPECT_FALSE(types.empty());
    std::vector<std::string> inventory;
    for (const std::string& type : types) {
        LPCSTR t = type[0] == '#' ? MAKEINTRESOURCEA(std::stoi(type.substr(1))) : type.c_str();
        for (const std::string& name : Names(t)) {
            LPCSTR n = name[0] == '#' ? MAKEINTRESOURCEA(std::stoi(name.substr(1)))
                                      : name.c_str();
            EXPECT_EQ(LanguageList(Languages(t, n)), "0804")
                << "type " << type << ", name " << name;
            if (type != "#3") {  // the icon images: one per size, checked with their group
                std::string entry = type;
                entry += ' ';
                entry += name;
                inventory.push_back(entry);
            }
        }
    }
    // Bitmap, dialogs, the string block of id 101, the icon group, the version block, the
    // manifest.
    std::sort(inventory.begin(), inventory.end());
    const std::vector<std::string> expected = {"#14 #128", "#16 #1", "#2 #130", "#24 #1",
                                               "#5 #100", "#5 #102", "#6 #7"};
    EXPECT_EQ(inventory, expected);
}

// --- Dialog templates -----------------------------------------------------------------------

struct DialogItem {
    DWORD style = 0, exStyle = 0, id = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::u16string cls, title;
};

struct Dialog {
    bool extended = false;
    DWORD style = 0, exStyle = 0;
    WORD count = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::u16string menu, cls, caption, face;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::vector<DialogItem> items;
    bool bad = false;
};

// Both layouts: DLGTEMPLATEEX starts with dlgVer 1 and signature 0xFFFF, DLGTEMPLATE with the
// style. Every item starts on a DWORD boundary.
Dialog ParseDialog(const std::string& bytes)
{
    Dialog d;
    Reader r(bytes);
    d.extended = r.Word() == 1 && r.Word() == 0xFFFF;
    if (d.extended) {
        r.Dword();  // helpID
        d.exStyle = r.Dword();
        d.style = r.Dword();
    } else {
        r.pos = 0;
        d.style = r.Dword();
        d.exStyle = r.Dword();
    }
    d.count = r.Word();
    d.x = r.Short(), d.y = r.Short(), d.cx = r.Short(), d.cy = r.Short();
    d.menu = r.TextOrOrdinal();
    d.cls = r.TextOrOrdinal();
    d.caption = r.Text();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.Word();
        if (d.extended) {
            d.weight = r.Word();
            d.italic = r.Byte();
            d.charset = r.Byte();
        }
        d.face = r.Text();
    }
    for (WORD i = 0; i < d.count && !r.bad; ++i) {
        r.Align4();
        DialogItem item;
        if (d.extended) {
            r.Dword();  // helpID
            item.exStyle = r.Dword();
            item.style = r.Dword();
        } else {
            item.style = r.Dword();
            item.exStyle = r.Dword();
        }
        item.x = r.Short(), item.y = r.Short(), item.cx = r.Short(), item.cy = r.Short();
        item.id = d.extended ? r.Dword() : r.Word();
        item.cls = r.TextOrOrdinal();
        item.title = r.TextOrOrdinal();
        r.pos += r.Word();  // creation data
        d.items.push_back(item);
    }
    d.bad = r.bad || r.pos > bytes.size();
    return d;
}

const char16_t kStatic[] = u"\xFFFF\x0082";
const char16_t kButton[] = u"\xFFFF\x0080";
const char16_t kListBox[] = u"\xFFFF\x0083";

struct ItemSpec {
    const char16_t* cls;
    DWORD id;
    short x, y, cx, cy;
    const char16_t* title;  // nullptr: any non-empty text
    DWORD style;
    std::optional<DWORD> exStyle;
};

void ExpectItem(const DialogItem& got, const ItemSpec& want)
{
    EXPECT_EQ(Units(got.cls), Units(want.cls)) << "class";
    EXPECT_EQ(Hex32(got.id), Hex32(want.id)) << "id";
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
    if (want.title != nullptr) {
        EXPECT_EQ(Units(got.title), Units(want.title)) << "title";
    } else {
        EXPECT_FALSE(got.title.empty() || got.title[0] == u'\xFFFF')
            << "expected a text, got \"" << Units(got.title) << "\"";
    }
    EXPECT_EQ(Hex32(got.style), Hex32(want.style)) << "style";
    if (want.exStyle) {
        EXPECT_EQ(Hex32(got.exStyle), Hex32(*want.exStyle)) << "exStyle";
    }
}

void ExpectItems(const Dialog& d, const std::vector<ItemSpec>& want)
{
    ASSERT_EQ(d.items.size(), want.size()) << "controls";
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        ExpectItem(d.items[i], want[i]);
    }
}

TEST_F(Resources, LauncherDialog)
{
    const std::string raw = Raw(5 /* RT_DIALOG */, kLauncherDialog);
    ASSERT_FALSE(raw.empty());
    const Dialog d = ParseDialog(raw);
    ASSERT_FALSE(d.bad) << "the template is cut short (" << raw.size() << " bytes)";
    ASSERT_TRUE(d.extended) << "expected a DLGTEMPLATEEX (dlgVer 1, signature 0xFFFF)";
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.cx, 153);
    EXPECT_EQ(d.cy, 251);
    EXPECT_EQ(Hex32(d.style), Hex32(DS_SETFONT | DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP |
                                    WS_VISIBLE | WS_CAPTION | WS_SYSMENU))
        << "style";
    EXPECT_EQ(Hex32(d.exStyle), Hex32(WS_EX_APPWINDOW)) << "exStyle";
    EXPECT_EQ(Units(d.menu), "") << "menu";
    EXPECT_EQ(Units(d.cls), "") << "class";
    EXPECT_EQ(Units(d.caption), Units(u"Velto"));
    EXPECT_EQ(d.pointSize, 12);
    EXPECT_EQ(d.weight, FW_NORMAL);
    EXPECT_EQ(d.italic, 0);
    EXPECT_EQ(d.charset, DEFAULT_CHARSET);
    EXPECT_EQ(Units(d.face), Units(kSongTi)) << "typeface";
    ExpectItems(d, {
        {kStatic, 0xFFFFFFFF, 0, 0, 167, 161, u"\xFFFF\x0082" /* IDB_BACKGROUND */,
         WS_CHILD | WS_VISIBLE | SS_BITMAP, WS_EX_CLIENTEDGE},
        {kButton, IDOK, 35, 187, 28, 14, u"\x8FDB\x5165" /* 进入 */,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
        {kButton, IDCANCEL, 90, 187, 26, 14, u"\x9000\x51FA" /* 退出 */,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, std::nullopt},
        // Single selection and unsorted: rows stay in table order, one region at a time.
        {kListBox, 1001, 25, 60, 101, 124, u"",
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY |
             LBS_NOINTEGRALHEIGHT,
         std::nullopt},
    });
}

TEST_F(Resources, AboutBox)
{
    const std::string raw = Raw(5 /* RT_DIALOG */, kAboutBox);
    ASSERT_FALSE(raw.empty());
    const Dialog d = ParseDialog(raw);
    ASSERT_FALSE(d.bad) << "the template is cut short (" << raw.size() << " bytes)";
    ASSERT_FALSE(d.extended) << "expected a classic DLGTEMPLATE, got a DLGTEMPLATEEX";
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.cx, 235);
    EXPECT_EQ(d.cy, 55);
    EXPECT_EQ(Hex32(d.style),
              Hex32(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU))
        << "style";
    EXPECT_EQ(Units(d.menu), "") << "menu";
    EXPECT_EQ(Units(d.cls), "") << "class";
    EXPECT_EQ(Units(d.caption), Units(u"\x5173\x4E8E Velto"));  // 关于 Velto
    EXPECT_EQ(d.pointSize, 12);
    EXPECT_EQ(Units(d.face), Units(kSongTi)) << "typeface";
    ExpectItems(d, {
        {kStatic, 0xFFFF, 11, 17, 20, 20, u"\xFFFF\x0080" /* IDR_MAINFRAME */,
         WS_CHILD | WS_VISIBLE | SS_ICON, std::nullopt},
        {kStatic, 0xFFFF, 40, 10, 119, 8, u"Velto 1.0 \x7248" /* 版 */,
         WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_GROUP, std::nullopt},
        {kStatic, 0xFFFF, 40, 25, 119, 8, nullptr /* the copyright line */,
         WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP, std::nullopt},
        {kButton, IDOK, 178, 7, 50, 14, u"\x786E\x5B9A" /* 确定 */,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, std::nullopt},
    });
}

// --- String table ---------------------------------------------------------------------------

TEST_F(Resources, StringTableHoldsOnlyTheAboutItem)
{
    // Strings live in blocks of 16: block n holds ids (n-1)*16 to n*16-1.
    const WORD block = kAboutBoxString / 16 + 1;
    std::vector<std::string> blocks = Names(MAKEINTRESOURCEA(6) /* RT_STRING */);
    std::string list;
    for (const std::string& b : blocks)
        list += b + " ";
    EXPECT_EQ(list, "#" + std::to_string(block) + " ") << "string table blocks";

    const std::string raw = Raw(6, block);
    ASSERT_FALSE(raw.empty());
    Reader r(raw);
    for (WORD id = (block - 1) * 16; id < block * 16; ++id) {
        std::u16string s;
        for (WORD n = r.Word(); n > 0 && !r.bad; --n)
            s += static_cast<char16_t>(r.Word());
        const std::u16string want = id == kAboutBoxString ? u"\x5173\x4E8E Velto(&A)..." : u"";
        EXPECT_EQ(Units(s), Units(want)) << "string " << id;  // 关于 Velto(&A)...
    }
    EXPECT_FALSE(r.bad) << "the block is cut short (" << raw.size() << " bytes)";
}

// --- Pictures -------------------------------------------------------------------------------

struct InfoHeader {
    DWORD size, compression, sizeImage, clrUsed, clrImportant;
    LONG width, height, xPelsPerMeter, yPelsPerMeter;
    WORD planes, bitCount;
};

InfoHeader ReadInfoHeader(Reader& r)
{
    InfoHeader h;
    h.size = r.Dword();
    h.width = r.Long();
    h.height = r.Long();
    h.planes = r.Word();
    h.bitCount = r.Word();
    h.compression = r.Dword();
    h.sizeImage = r.Dword();
    h.xPelsPerMeter = r.Long();
    h.yPelsPerMeter = r.Long();
    h.clrUsed = r.Dword();
    h.clrImportant = r.Dword();
    return h;
}

TEST_F(Resources, BackgroundBitmap)
{
    const std::string raw = Raw(2 /* RT_BITMAP */, kBackground);
    ASSERT_FALSE(raw.empty());
    Reader r(raw);
    const InfoHeader h = ReadInfoHeader(r);
    ASSERT_FALSE(r.bad) << "shorter than a BITMAPINFOHEADER: " << raw.size() << " bytes";
    EXPECT_EQ(h.size, 40u) << "header size";
    EXPECT_EQ(h.width, 302);
    EXPECT_EQ(h.height, 500) << "positive: stored bottom-up";
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 16);
    EXPECT_EQ(h.compression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.xPelsPerMeter, 2834);
    EXPECT_EQ(h.yPelsPerMeter, 2834);
    EXPECT_EQ(h.clrUsed, 0u);
    // 302 pixels of 2 bytes make rows of 604 bytes, already a multiple of 4; no colour table.
    EXPECT_EQ(raw.size(), 40u + 604u * 500u) << "resource size";
}

TEST_F(Resources, IconGroupOfEightSizes)
{
    const std::string raw = Raw(14 /* RT_GROUP_ICON */, kMainFrame);
    ASSERT_FALSE(raw.empty());
    Reader r(raw);
    EXPECT_EQ(r.Word(), 0) << "reserved";
    EXPECT_EQ(r.Word(), 1) << "type";
    const WORD count = r.Word();
    const int sizes[] = {128, 96, 72, 64, 48, 32, 24, 16};
    ASSERT_EQ(count, std::size(sizes)) << "icons in the group";
    for (int size : sizes) {
        SCOPED_TRACE("the " + std::to_string(size) + " px icon");
        const int width = r.Byte(), height = r.Byte();
        r.Word();  // colour count, reserved
        const WORD planes = r.Word(), bitCount = r.Word();
        const DWORD bytes = r.Dword();
        const WORD id = r.Word();
        ASSERT_FALSE(r.bad) << "the group is cut short (" << raw.size() << " bytes)";
        EXPECT_EQ(width, size);
        EXPECT_EQ(height, size);
        EXPECT_EQ(planes, 1);
        EXPECT_EQ(bitCount, 32);

        const std::string icon = Raw(3 /* RT_ICON */, id);
        if (icon.empty())
            continue;
        EXPECT_EQ(icon.size(), bytes) << "RT_ICON #" << id << " against the group's dwBytesInRes";
        Reader ir(icon);
        const InfoHeader h = ReadInfoHeader(ir);
        EXPECT_EQ(h.size, 40u) << "RT_ICON #" << id << " is not a BITMAPINFOHEADER image";
        EXPECT_EQ(h.width, size);
        EXPECT_EQ(h.height, 2 * size) << "colour and mask";
        EXPECT_EQ(h.bitCount, 32);
    }
}

// --- Version block --------------------------------------------------------------------------

// One VS_VERSIONINFO-style node: wLength, wValueLength, wType, key, padding to a DWORD, the
// value, padding, then children up to wLength.
struct VersionNode {
    std::u16string key;
    WORD type = 0;
    std::string value;  // wValueLength UTF-16 units of text (wType 1) or bytes (wType 0)
    std::vector<VersionNode> children;

    std::u16string Text() const
    {
        std::u16string s;
        Reader r(value);
        for (WORD c = r.Word(); c != 0 && !r.bad; c = r.Word())
            s += static_cast<char16_t>(c);
        return s;
    }
    const VersionNode* Child(const std::u16string& name) const
    {
        for (const VersionNode& c : children)
            if (c.key == name)
                return &c;
        return nullptr;
    }
};

bool ParseVersionNode(const std::string& bytes, size_t start, VersionNode& node)
{
    Reader r(bytes, start);
    const size_t end = start + r.Word();
    const WORD valueLength = r.Word();
    node.type = r.Word();
    node.key = r.Text();
    r.Align4();
    const size_t valueBytes = node.type == 1 ? valueLength * 2u : valueLength;
    if (r.bad || end > bytes.size() || (valueBytes > 0 && r.pos + valueBytes > end))
        return false;
    node.value = bytes.substr(r.pos, valueBytes);
    size_t pos = (r.pos + valueBytes + 3) & ~static_cast<size_t>(3);
    while (pos < end) {
        node.children.emplace_back();
        if (!ParseVersionNode(bytes, pos, node.children.back()))
            return false;
        const size_t length = Reader(bytes, pos).Word();
        if (length == 0)
            return false;
        pos = (pos + length + 3) & ~static_cast<size_t>(3);
    }
    return true;
}

TEST_F(Resources, VersionBlock)
{
    const std::string raw = Raw(16 /* RT_VERSION */, kVersionInfo);
    ASSERT_FALSE(raw.empty());
    VersionNode root;
    ASSERT_TRUE(ParseVersionNode(raw, 0, root)) << "a node overruns its parent";
    EXPECT_EQ(Ascii(root.key), "VS_VERSION_INFO");

    ASSERT_EQ(root.value.size(), 52u) << "VS_FIXEDFILEINFO";
    Reader f(root.value);
    EXPECT_EQ(Hex32(f.Dword()), Hex32(0xFEEF04BD)) << "signature";
    f.Dword();  // structure version
    EXPECT_EQ(Hex32(f.Dword()), Hex32(0x00010000)) << "file version, high";
    EXPECT_EQ(Hex32(f.Dword()), Hex32(0x00000001)) << "file version, low";
    EXPECT_EQ(Hex32(f.Dword()), Hex32(0x00010000)) << "product version, high";
    EXPECT_EQ(Hex32(f.Dword()), Hex32(0x00000001)) << "product version, low";
    EXPECT_EQ(Hex32(f.Dword()), Hex32(0x3F)) << "flags mask";
    EXPECT_EQ(Hex32(f.Dword()), Hex32(0)) << "flags";
    EXPECT_EQ(Hex32(f.Dword()), Hex32(VOS__WINDOWS32)) << "OS";
    EXPECT_EQ(Hex32(f.Dword()), Hex32(VFT_APP)) << "type";
    EXPECT_EQ(Hex32(f.Dword()), Hex32(0)) << "subtype";

    const VersionNode* strings = root.Child(u"StringFileInfo");
    ASSERT_NE(strings, nullptr) << "no StringFileInfo";
    std::string tables;
    for (const VersionNode& t : strings->children)
        tables += Ascii(t.key) + " ";
    ASSERT_EQ(tables, "080404b0 ") << "string tables";

    const struct {
        const char16_t* key;
        const char16_t* value;  // nullptr: any non-empty text
    } want[] = {
        {u"Comments", u""},
        {u"CompanyName", u""},
        // Velto启动程序 Microsoft 基础类应用程序
        {u"FileDescription", u"Velto\x542F\x52A8\x7A0B\x5E8F Microsoft "
                             u"\x57FA\x7840\x7C7B\x5E94\x7528\x7A0B\x5E8F"},
        {u"FileVersion", u"1, 0, 0, 1"},
        {u"InternalName", u"Velto"},
        {u"LegalCopyright", nullptr},
        {u"LegalTrademarks", u""},
        {u"OriginalFilename", u"dudazuvi.EXE"},
        {u"PrivateBuild", u""},
        {u"ProductName", u"Velto \x5E94\x7528\x7A0B\x5E8F"},  // Velto 应用程序
        {u"ProductVersion", u"1, 0, 0, 1"},
        {u"SpecialBuild", u""},
    };
    const std::vector<VersionNode>& got = strings->children[0].children;
    std::string wantKeys, gotKeys;
    for (const auto& w : want)
        wantKeys += Ascii(w.key) + " ";
    for (const VersionNode& g : got)
        gotKeys += Ascii(g.key) + " ";
    EXPECT_EQ(gotKeys, wantKeys) << "keys in order";
    for (const auto& w : want) {
        const VersionNode* g = strings->children[0].Child(w.key);
        if (g == nullptr)
            continue;  // reported with the keys
        // An empty text may be stored as nothing or as a lone terminator.
        EXPECT_EQ(g->type, 1) << Ascii(w.key) << " is not stored as text";
        if (w.value != nullptr) {
            EXPECT_EQ(Units(g->Text()), Units(w.value)) << Ascii(w.key);
        } else {
            EXPECT_FALSE(g->Text().empty()) << Ascii(w.key) << " is empty";
        }
    }

    const VersionNode* vars = root.Child(u"VarFileInfo");
    ASSERT_NE(vars, nullptr) << "no VarFileInfo";
    const VersionNode* translation = vars->Child(u"Translation");
    ASSERT_NE(translation, nullptr) << "no VarFileInfo\\Translation";
    ASSERT_EQ(translation->value.size(), 4u) << "one language and code page pair";
    Reader t(translation->value);
    EXPECT_EQ(Hex32(t.Word()), Hex32(0x0804)) << "language";
    EXPECT_EQ(Hex32(t.Word()), Hex32(0x04B0)) << "code page";
}

}  // namespace

// --- The application manifest ---------------------------------------------------------------

namespace {

// One element of a parsed XML document: its path from the root as "namespace|name" steps joined
// by '/', its attributes (unqualified ones as plain names) and its text.
struct XmlElement {
    std::wstring path;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    std::wstring text;

    std::wstring Attribute(const wchar_t* name) const
    {
        for (const auto& a : attributes)
            if (a.first == name)
                return a.second;
        return L"\x1A(absent)";
    }
};

struct XmlDocument {
    std::vector<XmlElement> elements;
    std::string error;  // empty when the whole document parsed

    std::vector<const XmlElement*> All(const std::wstring& path) const
    {
        std::vector<const XmlElement*> found;
        for (const XmlElement& e : elements)
            if (e.path == path)
                found.push_back(&e);
        return found;
    }
};

// Parses with the system's own XML reader (XmlLite), which a malformed document stops.
XmlDocument ParseXml(const std::string& bytes)
{
    XmlDocument doc;
    using CreateReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
    HMODULE lib = LoadLibraryA("xmllite.dll");
    auto create = lib ? reinterpret_cast<CreateReader>(
                            reinterpret_cast<void*>(GetProcAddress(lib, "CreateXmlReader")))
                      : nullptr;
    IXmlReader* reader = nullptr;
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                        static_cast<UINT>(bytes.size()));
    if (create == nullptr || stream == nullptr ||
        FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader), nullptr)) ||
        FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetInput(stream))) {
        doc.error = "no XML reader";
    } else {
        std::vector<std::wstring> open;  // paths of the elements not yet closed
        std::vector<size_t> index;
        XmlNodeType type;
        HRESULT hr;
        while ((hr = reader->Read(&type)) == S_OK) {
            LPCWSTR name = nullptr, ns = nullptr, value = nullptr;
            if (type == XmlNodeType_Element) {
                reader->GetLocalName(&name, nullptr);
                reader->GetNamespaceUri(&ns, nullptr);
                XmlElement e;
                e.path = (open.empty() ? L"" : open.back() + L"/") + ns + L"|" + name;
                const bool empty = reader->IsEmptyElement();
                for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK;
                     a = reader->MoveToNextAttribute()) {
                    reader->GetLocalName(&name, nullptr);
                    reader->GetNamespaceUri(&ns, nullptr);
                    reader->GetValue(&value, nullptr);
                    e.attributes.emplace_back(*ns ? std::wstring(ns) + L"|" + name : name, value);
                }
                doc.elements.push_back(e);
                if (!empty) {
                    open.push_back(e.path);
                    index.push_back(doc.elements.size() - 1);
                }
            } else if (type == XmlNodeType_EndElement && !open.empty()) {
                open.pop_back();
                index.pop_back();
            } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && !index.empty()) {
                reader->GetValue(&value, nullptr);
                doc.elements[index.back()].text += value;
            }
        }
        if (hr != S_FALSE || !open.empty())
            doc.error = "malformed at line " + [&] {
                UINT line = 0;
                reader->GetLineNumber(&line);
                return std::to_string(line);
            }() + " (" + Hex32(static_cast<DWORD>(hr)) + ")";
    }
    if (reader != nullptr)
        reader->Release();
    if (stream != nullptr)
        stream->Release();
    return doc;
}

std::string Narrow(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s)
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return out;
}

std::wstring Lower(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::wstring Trim(const std::wstring& s)
{
    const size_t first = s.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return std::wstring();
    return s.substr(first, s.find_last_not_of(L" \t\r\n") - first + 1);
}

const std::wstring kAsmV1 = L"urn:schemas-microsoft-com:asm.v1|";
const std::wstring kAsmV3 = L"urn:schemas-microsoft-com:asm.v3|";
const std::wstring kCompat = L"urn:schemas-microsoft-com:compatibility.v1|";

}  // namespace

TEST_F(Resources, ManifestIsWellFormedXml)
{
    const std::string raw = Raw(24 /* RT_MANIFEST */, kManifest);
    ASSERT_FALSE(raw.empty());
    const XmlDocument doc = ParseXml(raw);
    EXPECT_EQ(doc.error, "");
    ASSERT_FALSE(doc.elements.empty());
    EXPECT_EQ(Narrow(doc.elements[0].path), Narrow(kAsmV1 + L"assembly"));
    EXPECT_EQ(Narrow(doc.elements[0].Attribute(L"manifestVersion")), "1.0");
}

// Started as the user who starts it, never elevated or asking to be.
TEST_F(Resources, ManifestRunsAsInvoker)
{
    const XmlDocument doc = ParseXml(Raw(24, kManifest));
    ASSERT_EQ(doc.error, "");
    const auto levels = doc.All(kAsmV1 + L"assembly/" + kAsmV3 + L"trustInfo/" + kAsmV3 +
                                L"security/" + kAsmV3 + L"requestedPrivileges/" + kAsmV3 +
                                L"requestedExecutionLevel");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(Narrow(levels[0]->Attribute(L"level")), "asInvoker");
    EXPECT_EQ(Narrow(levels[0]->Attribute(L"uiAccess")), "false");
}

TEST_F(Resources, ManifestDeclaresVistaTo11)
{
    const XmlDocument doc = ParseXml(Raw(24, kManifest));
    ASSERT_EQ(doc.error, "");
    const std::wstring path = kAsmV1 + L"assembly/" + kCompat + L"compatibility/" + kCompat +
                              L"application/" + kCompat + L"supportedOS";
    std::vector<std::string> ids;
    for (const XmlElement* e : doc.All(path))
        ids.push_back(Narrow(Lower(e->Attribute(L"Id"))));
    std::sort(ids.begin(), ids.end());
    // The identifiers Windows documents for Vista, 7, 8, 8.1, and 10 and 11.
    std::vector<std::string> expected = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ids, expected);
}

// System aware everywhere: dpiAware for the versions that know only it, and dpiAwareness,
// which later versions read first and which would otherwise default to what dpiAware implies.
TEST_F(Resources, ManifestMakesTheLauncherSystemDpiAware)
{
    const XmlDocument doc = ParseXml(Raw(24, kManifest));
    ASSERT_EQ(doc.error, "");
    const std::wstring settings =
        kAsmV1 + L"assembly/" + kAsmV3 + L"application/" + kAsmV3 + L"windowsSettings/";
    const auto aware =
        doc.All(settings + L"http://schemas.microsoft.com/SMI/2005/WindowsSettings|dpiAware");
    ASSERT_EQ(aware.size(), 1u);
    // "true/pm" or "per monitor" would ask for per-monitor awareness.
    EXPECT_EQ(Narrow(Lower(Trim(aware[0]->text))), "true");
    const auto awareness = doc.All(
        settings + L"http://schemas.microsoft.com/SMI/2016/WindowsSettings|dpiAwareness");
    ASSERT_EQ(awareness.size(), 1u);
    // A list, of which Windows takes the first value it knows: that must be "system".
    const std::wstring first = awareness[0]->text.substr(0, awareness[0]->text.find(L','));
    EXPECT_EQ(Narrow(Lower(Trim(first))), "system");
}

// Version 6 of the common controls would change every control's look, and on XP it needs an
// initialisation call the launcher does not make.
TEST_F(Resources, ManifestDependsOnNoCommonControls)
{
    const XmlDocument doc = ParseXml(Raw(24, kManifest));
    ASSERT_EQ(doc.error, "");
    for (const XmlElement& e : doc.elements) {
        EXPECT_EQ(e.path.find(kAsmV1 + L"dependency"), std::wstring::npos)
            << "a dependency: " << Narrow(e.path);
        EXPECT_NE(Lower(e.Attribute(L"name")), L"microsoft.windows.common-controls")
            << Narrow(e.path);
    }
}
