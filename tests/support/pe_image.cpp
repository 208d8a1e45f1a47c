// tests/support/pe_image.cpp: reading PE headers, from a file's bytes or from a loaded module.
#include "tests/support/pe_image.h"

#include "tests/support/files.h"

#include <cstring>
#include <utility>

namespace test {

namespace {

template <typename T>
bool ReadAt(const std::string& bytes, std::size_t at, T& out)
{
    if (at > bytes.size() || bytes.size() - at < sizeof out)
        return false;
    std::memcpy(&out, bytes.data() + at, sizeof out);
    return true;
}

}  // namespace

bool PeImage::Load(const std::string& path)
{
    std::string content;
    if (!ReadFileBytes(path, &content))
        return Fail("cannot read " + path);
    if (Parse(std::move(content)))
        return true;
    return Fail(path + ": " + m_error);
}

bool PeImage::Parse(std::string bytes)
{
    m_bytes = std::move(bytes);
    sections.clear();
    m_directories.clear();
    IMAGE_DOS_HEADER dos;
    if (!ReadAt(m_bytes, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return Fail("no DOS header");
    const std::size_t nt = static_cast<DWORD>(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER file;
    if (!ReadAt(m_bytes, nt, signature) || signature != IMAGE_NT_SIGNATURE ||
        !ReadAt(m_bytes, nt + sizeof signature, file))
        return Fail("no PE header");
    machine = file.Machine;
    characteristics = file.Characteristics;
    timeDateStamp = file.TimeDateStamp;

    // The two optional headers differ in size and layout; read the one the magic names.
    const std::size_t optional = nt + sizeof signature + sizeof file;
    WORD magic = 0;
    ReadAt(m_bytes, optional, magic);
    DWORD directoryCount = 0;
    std::size_t directories = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        if (!ReadOptionalHeader<IMAGE_OPTIONAL_HEADER32>(optional, &directoryCount, &directories))
            return false;
    } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        if (!ReadOptionalHeader<IMAGE_OPTIONAL_HEADER64>(optional, &directoryCount, &directories))
            return false;
    } else {
        return Fail("neither a PE32 nor a PE32+ image");
    }
    for (DWORD i = 0; i < directoryCount && i < IMAGE_NUMBEROF_DIRECTORY_ENTRIES; ++i) {
        IMAGE_DATA_DIRECTORY d;
        if (!ReadAt(m_bytes, directories + i * sizeof d, d))
            return Fail("data directories cut short");
        m_directories.push_back(d);
    }

    // The section table follows the optional header, whatever size that declares.
    std::size_t at = optional + file.SizeOfOptionalHeader;
    for (WORD i = 0; i < file.NumberOfSections; ++i, at += sizeof(IMAGE_SECTION_HEADER)) {
        IMAGE_SECTION_HEADER s;
        if (!ReadAt(m_bytes, at, s))
            return Fail("section table cut short");
        const char* name = reinterpret_cast<const char*>(s.Name);  // not terminated at 8 long
        sections.push_back({std::string(name, strnlen(name, sizeof s.Name)), s.VirtualAddress,
                            s.Misc.VirtualSize, s.PointerToRawData, s.SizeOfRawData,
                            s.Characteristics});
    }
    return true;
}

// The fields both optional headers have, from the one at `at` (PE32 or PE32+ by its type).
template <typename Header>
bool PeImage::ReadOptionalHeader(std::size_t at, DWORD* directoryCount, std::size_t* directories)
{
    Header h;
    if (!ReadAt(m_bytes, at, h))
        return Fail("optional header cut short");
    is64 = h.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    subsystem = h.Subsystem;
    majorSubsystemVersion = h.MajorSubsystemVersion;
    minorSubsystemVersion = h.MinorSubsystemVersion;
    majorOsVersion = h.MajorOperatingSystemVersion;
    minorOsVersion = h.MinorOperatingSystemVersion;
    dllCharacteristics = h.DllCharacteristics;
    sizeOfHeaders = h.SizeOfHeaders;
    *directoryCount = h.NumberOfRvaAndSizes;
    *directories = at + offsetof(Header, DataDirectory);
    return true;
}

IMAGE_DATA_DIRECTORY PeImage::Directory(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_directories.size())
        return IMAGE_DATA_DIRECTORY{};
    return m_directories[index];
}

std::size_t PeImage::Offset(DWORD rva) const
{
    for (const PeSection& s : sections) {
        if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize)
            return s.rawOffset + (rva - s.virtualAddress);
    }
    return 0;
}

std::vector<std::string> PeImage::ImportedDlls()
{
    auto name = [this](DWORD rva) {
        const std::size_t at = Offset(rva);
        if (at == 0 || at >= m_bytes.size())
            return std::string();
        const char* text = m_bytes.c_str() + at;
        return std::string(text, strnlen(text, m_bytes.size() - at));
    };
    std::vector<std::string> names;
    // Ordinary imports, then delay-loaded ones.
    std::size_t at = Offset(Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
    IMAGE_IMPORT_DESCRIPTOR import;
    while (at != 0 && ReadAt(m_bytes, at, import) && import.Name != 0) {
        names.push_back(name(import.Name));
        at += sizeof import;
    }
    at = Offset(Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).VirtualAddress);
    IMAGE_DELAYLOAD_DESCRIPTOR delayed;
    while (at != 0 && ReadAt(m_bytes, at, delayed) && delayed.DllNameRVA != 0) {
        names.push_back(name(delayed.DllNameRVA));
        at += sizeof delayed;
    }
    for (const std::string& n : names) {
        if (n.empty()) {
            Fail("an import names a DLL outside the file");
            return {};
        }
    }
    return names;
}

bool PeImage::ReadSafeHandlerCount(DWORD* count)
{
    *count = 0;
    const IMAGE_DATA_DIRECTORY dir = Directory(IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG);
    if (dir.VirtualAddress == 0)
        return true;
    // The structure says its own length, which has grown with Windows' versions: the list's
    // count is there only when it reaches past it.
    const std::size_t at = Offset(dir.VirtualAddress);
    const std::size_t field = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, SEHandlerCount);
    DWORD size = 0;
    if (is64 || at == 0 || !ReadAt(m_bytes, at, size))
        return Fail("no 32-bit load configuration inside the file");
    if (size >= field + sizeof *count && !ReadAt(m_bytes, at + field, *count))
        return Fail("the load configuration is cut short");
    return true;
}

bool IsSystemDll(const std::string& name)
{
    // Only the ones our programs have a use for; a new import is a decision, made here.
    static const char* const kKnownDlls[] = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                             "msvcrt.dll",   "advapi32.dll", "shell32.dll",
                                             "ole32.dll"};
    // Byte for byte but for ASCII case: no locale's collation decides what a DLL is.
    std::string lower = name;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    for (const char* dll : kKnownDlls) {
        if (lower == dll)
            return true;
    }
    return false;
}

bool PeImage::Fail(const std::string& why)
{
    m_error = why;
    return false;
}

void** FindImportSlot(HMODULE module, const char* dll, const char* function)
{
    // A loaded module's headers are this build's own kind, so the native structures fit.
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return nullptr;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

namespace {

void WriteSlot(void** slot, void* value)
{
    DWORD old;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

ScopedImportHook::ScopedImportHook(const char* dll, const char* function, void* replacement)
    : m_slot(FindImportSlot(GetModuleHandleA(nullptr), dll, function))
{
    if (m_slot == nullptr)
        return;
    m_original = *m_slot;
    WriteSlot(m_slot, replacement);
}

ScopedImportHook::~ScopedImportHook()
{
    if (m_slot != nullptr)
        WriteSlot(m_slot, m_original);
}

}  // namespace test
