// tests/pe_test.cpp: how the shipped programs are linked, read from their file bytes: 32-bit GUI
// images with ASLR and DEP that the loader can really relocate, no section both writable and
// executable, no link timestamp, and nothing imported but Windows' own DLLs.
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kPrograms[] = {"dudazuvi.exe", "vexa.exe"};

// Every DLL a build of ours may import: all ship with Windows.
const char* const kSystemDlls[] = {"kernel32", "user32", "gdi32",    "msvcrt",
                                   "advapi32", "shell32", "comctl32", "ole32"};

// The headers of a PE32 image, and its sections. Anything out of place in the file fails Load
// with the reason in error; nothing is read beyond the bytes.
class PeFile {
public:
    bool Load(const std::string& path)
    {
        m_bytes = test::ReadFileBytes(path);
        IMAGE_DOS_HEADER dos;
        if (!Read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
            return Fail("no DOS header");
        if (!Read(dos.e_lfanew, nt) || nt.Signature != IMAGE_NT_SIGNATURE)
            return Fail("no PE header");
        if (nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
            return Fail("not a PE32 image");
        // The section table follows the optional header, whatever size that declares.
        std::size_t at = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                         nt.FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section;
            if (!Read(at, section))
                return Fail("section table cut short");
            sections.push_back(section);
            at += sizeof section;
        }
        return true;
    }

    const IMAGE_DATA_DIRECTORY& Directory(int index) const
    {
        return nt.OptionalHeader.DataDirectory[index];
    }

    // File offset of an address in the loaded image; 0 when no section's bytes hold it.
    std::size_t Offset(DWORD rva) const
    {
        for (const IMAGE_SECTION_HEADER& s : sections) {
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData)
                return s.PointerToRawData + (rva - s.VirtualAddress);
        }
        return 0;
    }

    // The names of the imported DLLs, ordinary and delay-loaded, as the file spells them.
    std::vector<std::string> ImportedDlls() const
    {
        std::vector<std::string> names;
        std::size_t at = Offset(Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
        IMAGE_IMPORT_DESCRIPTOR import;
        while (at != 0 && Read(at, import) && import.Name != 0) {
            names.push_back(String(import.Name));
            at += sizeof import;
        }
        at = Offset(Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).VirtualAddress);
        IMAGE_DELAYLOAD_DESCRIPTOR delayed;
        while (at != 0 && Read(at, delayed) && delayed.DllNameRVA != 0) {
            names.push_back(String(delayed.DllNameRVA));
            at += sizeof delayed;
        }
        return names;
    }

    IMAGE_NT_HEADERS32 nt = {};
    std::vector<IMAGE_SECTION_HEADER> sections;
    std::string error;

private:
    template <typename T>
    bool Read(std::size_t at, T& out) const
    {
        if (at > m_bytes.size() || m_bytes.size() - at < sizeof out)
            return false;
        std::memcpy(&out, m_bytes.data() + at, sizeof out);
        return true;
    }

    std::string String(DWORD rva) const
    {
        const std::size_t at = Offset(rva);
        if (at == 0 || at >= m_bytes.size())
            return "<outside the file>";
        const char* text = m_bytes.c_str() + at;
        return std::string(text, strnlen(text, m_bytes.size() - at));
    }

    bool Fail(const char* why)
    {
        error = why;
        return false;
    }

    std::string m_bytes;
};

std::string SectionName(const IMAGE_SECTION_HEADER& s)
{
    const char* name = reinterpret_cast<const char*>(s.Name);  // not terminated when 8 long
    return std::string(name, strnlen(name, sizeof s.Name));
}

bool IsSystemDll(std::string name)
{
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* dll : kSystemDlls) {
        if (name == std::string(dll) + ".dll")
            return true;
    }
    return false;
}

class PeHardening : public ::testing::Test {
protected:
    // Loads each program in turn and hands it to `check`, naming it in any failure.
    template <typename Check>
    void ForEachProgram(Check check)
    {
        for (const char* program : kPrograms) {
            SCOPED_TRACE(program);
            PeFile pe;
            ASSERT_TRUE(pe.Load(test::ShippedBinDir() + "\\" + program)) << pe.error;
            check(program, pe);
        }
    }
};

TEST_F(PeHardening, ThirtyTwoBitGuiImagesWithAslrOnRealRelocationsAndDep)
{
    ForEachProgram([](const char*, const PeFile& pe) {
        EXPECT_EQ(pe.nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
        EXPECT_EQ(pe.nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
        const WORD flags = pe.nt.OptionalHeader.DllCharacteristics;
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << "flags " << std::hex << flags;
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << "flags " << std::hex << flags;
        // Without relocations the loader cannot move the image, whatever DYNAMIC_BASE says.
        EXPECT_FALSE(pe.nt.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
        const IMAGE_DATA_DIRECTORY& relocs = pe.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
        EXPECT_GE(relocs.Size, sizeof(IMAGE_BASE_RELOCATION));
        EXPECT_NE(pe.Offset(relocs.VirtualAddress), 0u) << "relocations outside every section";
    });
}

TEST_F(PeHardening, NoSectionIsBothWritableAndExecutable)
{
    ForEachProgram([](const char*, const PeFile& pe) {
        ASSERT_FALSE(pe.sections.empty());
        for (const IMAGE_SECTION_HEADER& s : pe.sections) {
            const DWORD wx = IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE;
            EXPECT_NE(s.Characteristics & wx, wx) << SectionName(s) << " is writable and runs";
        }
    });
}

TEST_F(PeHardening, NoLinkTimestamp)
{
    ForEachProgram([](const char*, const PeFile& pe) {
        EXPECT_EQ(pe.nt.FileHeader.TimeDateStamp, 0u);
    });
}

TEST_F(PeHardening, ImportsOnlyWindowsSystemDlls)
{
    ForEachProgram([](const char* program, const PeFile& pe) {
        const std::vector<std::string> dlls = pe.ImportedDlls();
        std::string list;
        for (const std::string& dll : dlls)
            list += " " + dll;
        std::printf("%s imports:%s\n", program, list.c_str());
        // Every program calls into kernel32; an empty list means the table was not found.
        EXPECT_FALSE(dlls.empty()) << "no import table read";
        for (const std::string& dll : dlls)
            EXPECT_TRUE(IsSystemDll(dll)) << dll << " is not on the list of system DLLs";
    });
}

}  // namespace
