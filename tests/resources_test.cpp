// tests/resources_test.cpp: the resources inside the shipped launcher. The version block, the
// string table and the manifest are read as Windows reads them, through its own functions; the
// dialog templates' headers, the icon group and the bitmap's header, for which Windows has no
// reader that gives their fields back, are read byte by byte here (Reader). Texts are compared
// as UTF-16 code units written out in hex.
#include "res/design.h"
#include "tests/support/files.h"
#include "tests/support/pe_image.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <cstring>
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

// Units for wide texts too.
std::string Units(const std::wstring& s)
{
    return Units(std::u16string(s.begin(), s.end()));
}

// ASCII, anything else as '?': for keys and identifiers in failure messages.
std::string Narrow(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s)
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return out;
}

// The ASCII path as a wide one.
std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
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
//
// Where the controls sit and what they read is measured on the live dialogs (the layout and
// scenario tests). What a template decides that they cannot see under Wine is checked here.

// A dialog template's header: the fields up to the font. DLGTEMPLATEEX starts with dlgVer 1 and
// signature 0xFFFF, and only it gives the font's weight and character set; DLGTEMPLATE starts
// with the style.
struct DialogHeader {
    bool extended = false;
    DWORD style = 0, exStyle = 0;
    BYTE charset = 0;
    bool bad = false;
};

DialogHeader ReadDialogHeader(const std::string& bytes)
{
    DialogHeader d;
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
    r.pos += 2 + 8;     // the number of controls; x, y, cx, cy
    r.TextOrOrdinal();  // menu
    r.TextOrOrdinal();  // class
    r.Text();           // caption
    if ((d.style & DS_SETFONT) && d.extended) {
        r.pos += 2 + 2 + 1;  // point size, weight, italic
        d.charset = r.Byte();
    }
    d.bad = r.bad;
    return d;
}

TEST_F(Resources, DialogTemplatesAskForWhatOnlyWindowsShows)
{
    const std::string launcherRaw = Raw(5 /* RT_DIALOG */, kLauncherDialog);
    const DialogHeader launcher = ReadDialogHeader(launcherRaw);
    ASSERT_FALSE(launcher.bad) << "the launcher's template is cut short (" << launcherRaw.size()
                               << " bytes)";
    // The Song face with its Chinese on a system of any language: a template without the
    // character set, or with ANSI's, leaves the choice of glyphs to the system's language.
    EXPECT_TRUE(launcher.extended) << "a DLGTEMPLATE, which has no character set for its font";
    EXPECT_EQ(launcher.charset, DEFAULT_CHARSET) << "the font's character set";
    // Brought to the front when started, with a taskbar button of its own.
    EXPECT_TRUE(launcher.style & DS_SETFOREGROUND) << "style " << Hex32(launcher.style);
    EXPECT_TRUE(launcher.exStyle & WS_EX_APPWINDOW) << "exStyle " << Hex32(launcher.exStyle);
    // One size: the picture is drawn for it.
    EXPECT_FALSE(launcher.style & (WS_THICKFRAME | WS_MAXIMIZEBOX)) << "style " << Hex32(launcher.style);

    const std::string aboutRaw = Raw(5 /* RT_DIALOG */, kAboutBox);
    const DialogHeader about = ReadDialogHeader(aboutRaw);
    ASSERT_FALSE(about.bad) << "the About box's template is cut short (" << aboutRaw.size()
                            << " bytes)";
    // Shown by the modal loop once it is laid out and centred, not at its creation.
    EXPECT_FALSE(about.style & WS_VISIBLE) << "style " << Hex32(about.style);
    EXPECT_FALSE(about.style & (WS_THICKFRAME | WS_MAXIMIZEBOX)) << "style " << Hex32(about.style);
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

// The background picture at the design's size, 16 bits a pixel in BI_RGB's 5-5-5 (what the
// stretched copy is kept in, at half a 32-bit copy's memory), in a plain BITMAPINFOHEADER that
// every Windows reads, with no colour table and nothing after the pixels.
TEST_F(Resources, BackgroundIsASixteenBitPictureOfTheDesignsSize)
{
    const std::string raw = Raw(2 /* RT_BITMAP */, kBackground);
    ASSERT_FALSE(raw.empty());
    Reader r(raw);
    const InfoHeader h = ReadInfoHeader(r);
    ASSERT_FALSE(r.bad) << "shorter than a BITMAPINFOHEADER: " << raw.size() << " bytes";
    EXPECT_EQ(h.size, 40u) << "header size";
    EXPECT_EQ(h.width, PICTURE_WIDTH);
    EXPECT_EQ(h.height, PICTURE_HEIGHT) << "positive: stored bottom-up";
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 16);
    EXPECT_EQ(h.compression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.clrUsed, 0u);
    const size_t stride = (PICTURE_WIDTH * 2 + 3) / 4 * 4;
    EXPECT_EQ(raw.size(), 40u + stride * PICTURE_HEIGHT) << "resource size";
}

// An image in the icon group for each size the art is drawn at, each a 32-bit BITMAPINFOHEADER
// image with its mask (as every Windows reads them, where a PNG image needs Vista), and each as
// long as the group says.
TEST_F(Resources, IconHasAThirtyTwoBitImageForEachDrawnSize)
{
    const std::string raw = Raw(14 /* RT_GROUP_ICON */, kMainFrame);
    ASSERT_FALSE(raw.empty());
    Reader r(raw);
    EXPECT_EQ(r.Word(), 0) << "reserved";
    EXPECT_EQ(r.Word(), 1) << "type";
    const WORD count = r.Word();
    const int sizes[] = {ICON_SIZES};
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

// --- Version block, string table and manifest, as Windows reads them ------------------------
//
// These three have readers in Windows itself (VerQueryValueW, LoadStringW, and the activation
// context that the loader builds from the manifest): what they give is what a player's system
// will see, so that is what is checked, not what a parser of ours makes of the bytes.

// The version block as GetFileVersionInfoW reads it from the file.
class VersionBlock : public Resources {
protected:
    void SetUp() override
    {
        Resources::SetUp();
        const std::wstring path = Wide(m_path);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version block: error " << GetLastError();
        m_block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, m_block.data()));
    }

    // The value at `path`, and its length in the units VerQueryValueW gives (characters for a
    // text, bytes otherwise); null when the block has none.
    const void* Value(const std::wstring& path, UINT* length)
    {
        void* value = nullptr;
        *length = 0;
        if (!VerQueryValueW(m_block.data(), path.c_str(), &value, length))
            return nullptr;
        return value;
    }

    std::vector<BYTE> m_block;
};

TEST_F(VersionBlock, FixedPartNamesVersionOneAndAWindowsApplication)
{
    Raw(16 /* RT_VERSION */, kVersionInfo);  // its only language
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(Value(L"\\", &length));
    ASSERT_NE(fixed, nullptr) << "no VS_FIXEDFILEINFO";
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(Hex32(fixed->dwSignature), Hex32(0xFEEF04BD)) << "signature";
    EXPECT_EQ(Hex32(fixed->dwFileVersionMS), Hex32(0x00010000)) << "file version, high";
    EXPECT_EQ(Hex32(fixed->dwFileVersionLS), Hex32(0x00000001)) << "file version, low";
    EXPECT_EQ(Hex32(fixed->dwProductVersionMS), Hex32(0x00010000)) << "product version, high";
    EXPECT_EQ(Hex32(fixed->dwProductVersionLS), Hex32(0x00000001)) << "product version, low";
    EXPECT_EQ(Hex32(fixed->dwFileFlagsMask), Hex32(0x3F)) << "flags mask";
    EXPECT_EQ(Hex32(fixed->dwFileFlags), Hex32(0)) << "flags";
    EXPECT_EQ(Hex32(fixed->dwFileOS), Hex32(VOS__WINDOWS32)) << "OS";
    EXPECT_EQ(Hex32(fixed->dwFileType), Hex32(VFT_APP)) << "type";
    EXPECT_EQ(Hex32(fixed->dwFileSubtype), Hex32(0)) << "subtype";
}

TEST_F(VersionBlock, TextsAreInChineseSimplifiedAndReadAsWritten)
{
    UINT length = 0;
    const auto* translation =
        static_cast<const WORD*>(Value(L"\\VarFileInfo\\Translation", &length));
    ASSERT_NE(translation, nullptr) << "no VarFileInfo\\Translation";
    ASSERT_EQ(length, 4u) << "one language and code page pair";
    EXPECT_EQ(Hex32(translation[0]), Hex32(0x0804)) << "language";
    EXPECT_EQ(Hex32(translation[1]), Hex32(0x04B0)) << "code page (UTF-16)";

    const struct {
        const wchar_t* key;
        const wchar_t* value;  // nullptr: any non-empty text
    } want[] = {
        {L"Comments", L""},
        {L"CompanyName", L""},
        // Velto启动程序 Microsoft 基础类应用程序
        {L"FileDescription", L"Velto\x542F\x52A8\x7A0B\x5E8F Microsoft "
                             L"\x57FA\x7840\x7C7B\x5E94\x7528\x7A0B\x5E8F"},
        {L"FileVersion", L"1, 0, 0, 1"},
        {L"InternalName", L"Velto"},
        {L"LegalCopyright", nullptr},
        {L"LegalTrademarks", L""},
        {L"OriginalFilename", L"dudazuvi.EXE"},
        {L"PrivateBuild", L""},
        {L"ProductName", L"Velto \x5E94\x7528\x7A0B\x5E8F"},  // Velto 应用程序
        {L"ProductVersion", L"1, 0, 0, 1"},
        {L"SpecialBuild", L""},
    };
    for (const auto& w : want) {
        const std::string key = Narrow(w.key);
        const auto* text = static_cast<const wchar_t*>(
            Value(std::wstring(L"\\StringFileInfo\\080404b0\\") + w.key, &length));
        ASSERT_NE(text, nullptr) << key << " is missing";
        // An empty text may be stored as nothing or as a lone terminator.
        const std::wstring got(text, length > 0 && text[length - 1] == L'\0' ? length - 1 : length);
        if (w.value != nullptr) {
            EXPECT_EQ(Units(got), Units(w.value)) << key;
        } else {
            EXPECT_FALSE(got.empty()) << key << " is empty";
        }
    }
}

// The one string, through LoadStringW as the framework loads it; the rest of its block of 16 is
// empty, and there is no other block.
TEST_F(Resources, StringTableHoldsOnlyTheAboutItem)
{
    const WORD block = kAboutBoxString / 16 + 1;
    std::string list;
    for (const std::string& b : Names(MAKEINTRESOURCEA(6) /* RT_STRING */))
        list += b + " ";
    EXPECT_EQ(list, "#" + std::to_string(block) + " ") << "string table blocks";
    Raw(6, block);  // its only language

    for (WORD id = (block - 1) * 16; id < block * 16; ++id) {
        const wchar_t* text = nullptr;
        const int length = LoadStringW(m_module, id, reinterpret_cast<LPWSTR>(&text), 0);
        const std::wstring got = length > 0 && text != nullptr ? std::wstring(text, length) : L"";
        const std::wstring want = id == kAboutBoxString ? L"\x5173\x4E8E Velto(&A)..." : L"";
        EXPECT_EQ(Units(got), Units(want)) << "string " << id;  // 关于 Velto(&A)...
    }
}

// The manifest as the loader reads it when the launcher starts: the activation context Windows
// builds from resource 1, asked through QueryActCtxW and QueryActCtxSettingsW.
class Manifest : public Resources {
protected:
    void SetUp() override
    {
        Resources::SetUp();
        const std::wstring path = Wide(m_path);
        ACTCTXW request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = path.c_str();
        request.lpResourceName = MAKEINTRESOURCEW(kManifest);
        m_context = CreateActCtxW(&request);
        ASSERT_NE(m_context, INVALID_HANDLE_VALUE)
            << "Windows builds no activation context from the manifest: error " << GetLastError();
    }

    void TearDown() override
    {
        if (m_context != INVALID_HANDLE_VALUE)
            ReleaseActCtx(m_context);
        Resources::TearDown();
    }

    std::string Setting(const wchar_t* ns, const wchar_t* name)
    {
        wchar_t value[64] = {};
        SIZE_T written = 0;
        if (!QueryActCtxSettingsW(0, m_context, ns, name, value, 64, &written))
            return "(none)";
        return Narrow(value);
    }

    // What QueryActCtxW gives for `info` into a buffer of its own; empty when it fails.
    std::vector<BYTE> Query(ULONG info, DWORD index = 0)
    {
        std::vector<BYTE> buffer(4096);
        SIZE_T written = 0;
        if (!QueryActCtxW(0, m_context, index != 0 ? &index : nullptr, info, buffer.data(),
                          buffer.size(), &written))
            return {};
        return buffer;
    }

    HANDLE m_context = INVALID_HANDLE_VALUE;
};

// System aware everywhere: dpiAware for the versions that know only it, and dpiAwareness,
// which later versions read first ("true/pm" or "permonitorv2" would ask for per-monitor
// awareness, which the launcher does not handle).
TEST_F(Manifest, MakesTheLauncherSystemDpiAware)
{
    EXPECT_EQ(Setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"),
              "true");
    EXPECT_EQ(Setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              "system");
}

// Started as the user who starts it, never elevated or asking to be.
TEST_F(Manifest, RunsAsInvoker)
{
    const std::vector<BYTE> got = Query(RunlevelInformationInActivationContext);
    ASSERT_FALSE(got.empty()) << "no run level: error " << GetLastError();
    const auto* level = reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(got.data());
    EXPECT_EQ(level->RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(level->UiAccess, 0u);
}

// The element as Windows 10 and Wine 8 lay it out, with the version last tested: eight-byte
// aligned after the count.
struct CompatibilityElement {
    GUID id;
    DWORD type;
    ULONGLONG maxVersionTested;
};
static_assert(sizeof(CompatibilityElement) == 32, "unexpected element layout");

TEST_F(Manifest, DeclaresVistaTo11)
{
    const std::vector<BYTE> got = Query(CompatibilityInformationInActivationContext);
    ASSERT_FALSE(got.empty()) << "no compatibility information: error " << GetLastError();
    DWORD count = 0;
    std::memcpy(&count, got.data(), sizeof count);
    ASSERT_LE(8 + count * sizeof(CompatibilityElement), got.size());
    std::vector<std::string> ids;
    for (DWORD i = 0; i < count; ++i) {
        CompatibilityElement e;
        std::memcpy(&e, got.data() + 8 + i * sizeof e, sizeof e);
        wchar_t text[40] = {};
        StringFromGUID2(e.id, text, 40);
        ids.push_back(Narrow(text) + (e.type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS ? "" : " (not an OS)"));
    }
    std::sort(ids.begin(), ids.end());
    // The identifiers Windows documents for Vista, 7, 8, 8.1, and 10 and 11.
    std::vector<std::string> expected = {
        "{E2011457-1546-43C5-A5FE-008DEEE3D3F0}", "{35138B9A-5D96-4FBD-8E2D-A2440225F93A}",
        "{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}", "{1F676C76-80E1-4239-95BB-83D0F6D0DA78}",
        "{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ids, expected);
}

// Its own assembly and nothing else: version 6 of the common controls would change every
// control's look, and on XP it needs an initialisation call the launcher does not make. Its
// processor must be the image's: Wine ignores a mismatch, Windows refuses to start the program
// (a side-by-side configuration error).
TEST_F(Manifest, IsTheLaunchersOwnAssemblyForTheImagesProcessorWithNoDependency)
{
    const std::vector<BYTE> detail = Query(ActivationContextDetailedInformation);
    ASSERT_FALSE(detail.empty()) << "no detailed information: error " << GetLastError();
    const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_DETAILED_INFORMATION*>(detail.data());
    EXPECT_EQ(info->ulAssemblyCount, 1u) << "assemblies: the launcher's and its dependencies";

    const std::vector<BYTE> own = Query(AssemblyDetailedInformationInActivationContext, 1);
    ASSERT_FALSE(own.empty()) << "no assembly 1: error " << GetLastError();
    const auto* assembly =
        reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(own.data());
    ASSERT_NE(assembly->lpAssemblyEncodedAssemblyIdentity, nullptr);
    const std::string identity = Narrow(assembly->lpAssemblyEncodedAssemblyIdentity);

    test::PeImage pe;
    ASSERT_TRUE(pe.Load(m_path)) << pe.error();
    const char* processor = pe.machine == IMAGE_FILE_MACHINE_I386    ? "x86"
                            : pe.machine == IMAGE_FILE_MACHINE_AMD64 ? "amd64"
                                                                      : "(unknown machine)";
    EXPECT_EQ(identity, std::string("Velto.Launcher,processorArchitecture=\"") + processor +
                            "\",type=\"win32\",version=\"1.0.0.1\"");
}

}  // namespace
