// tests/pe_test.cpp: how the shipped programs are linked, read from their file bytes: 32-bit GUI
// images with ASLR and DEP that the loader can really relocate, for Vista and later and aware of
// Terminal Server, with no exception handler of their own, no section both writable and
// executable or writable and shared, no link timestamp, nothing imported but Windows' own DLLs, a
// header checksum that matches the file, and a certificate table, when signed, that is the file's
// well-formed tail. What a release gate's binary rules ask: docs/release.md.
#include "tests/support/pe_image.h"
#include "tests/support/files.h"

#include <imagehlp.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kPrograms[] = {"dudazuvi.exe", "vexa.exe"};

class PeHardening : public ::testing::Test {
protected:
    // Loads each program in turn and hands it to `check`, naming it in any failure.
    template <typename Check>
    void ForEachProgram(Check check)
    {
        for (const char* program : kPrograms) {
            SCOPED_TRACE(program);
            test::PeImage pe;
            ASSERT_TRUE(pe.Load(test::ShippedBinDir() + "\\" + program)) << pe.error();
            check(program, pe);
        }
    }
};

TEST_F(PeHardening, ThirtyTwoBitGuiImagesWithAslrOnRealRelocationsAndDep)
{
    ForEachProgram([](const char*, const test::PeImage& pe) {
        EXPECT_EQ(pe.machine, IMAGE_FILE_MACHINE_I386);
        EXPECT_FALSE(pe.is64);
        EXPECT_EQ(pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
        const WORD flags = pe.dllCharacteristics;
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << "flags " << std::hex << flags;
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << "flags " << std::hex << flags;
        // Without relocations the loader cannot move the image, whatever DYNAMIC_BASE says.
        EXPECT_FALSE(pe.characteristics & IMAGE_FILE_RELOCS_STRIPPED);
        const IMAGE_DATA_DIRECTORY& relocs = pe.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
        EXPECT_GE(relocs.Size, sizeof(IMAGE_BASE_RELOCATION));
        EXPECT_NE(pe.Offset(relocs.VirtualAddress), 0u) << "relocations outside every section";
    });
}

// Vista (6.0) as the least subsystem and system version, as the manifest says and the Windows
// toolchain writes; Terminal Server aware, so that Windows fakes no per-user Windows folder.
TEST_F(PeHardening, ForVistaAndLaterAndAwareOfTerminalServer)
{
    ForEachProgram([](const char*, const test::PeImage& pe) {
        EXPECT_EQ(pe.majorSubsystemVersion * 100 + pe.minorSubsystemVersion, 600);
        EXPECT_EQ(pe.majorOsVersion * 100 + pe.minorOsVersion, 600);
        EXPECT_TRUE(pe.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);
    });
}

// An x86 image says it has no exception handler of its own (NO_SEH), or lists in its load
// configuration the only ones the loader may call. Ours say NO_SEH, true as no code in them
// registers one (PeHardening.NoCodeRegistersAnExceptionHandler); a load configuration listing
// some would contradict it. The reader is shown one that lists two, and one that ends before.
TEST_F(PeHardening, NoExceptionHandlerOfTheirOwnAndNoneListed)
{
    ForEachProgram([](const char*, test::PeImage& pe) {
        EXPECT_TRUE(pe.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_NO_SEH);
        DWORD count = 1;
        EXPECT_TRUE(pe.ReadSafeHandlerCount(&count)) << pe.error();
        EXPECT_EQ(count, 0u) << "the load configuration lists handlers";
        const DWORD whole = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY32, SEHandlerCount) + 4;
        for (const DWORD size : {whole, whole - 4}) {
            IMAGE_LOAD_CONFIG_DIRECTORY32 config{};
            config.Size = size;
            config.SEHandlerCount = 2;
            const IMAGE_DATA_DIRECTORY dir = {pe.sections.at(0).virtualAddress, size};
            std::string bytes = pe.bytes();
            std::memcpy(&bytes[pe.Offset(dir.VirtualAddress)], &config, sizeof config);
            LONG nt = 0;
            std::memcpy(&nt, bytes.data() + offsetof(IMAGE_DOS_HEADER, e_lfanew), sizeof nt);
            std::memcpy(&bytes[nt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader.DataDirectory) +
                               IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG * sizeof dir], &dir, sizeof dir);
            test::PeImage planted;
            ASSERT_TRUE(planted.Parse(bytes) && planted.ReadSafeHandlerCount(&count))
                << planted.error();
            EXPECT_EQ(count, size == whole ? 2u : 0u) << "a configuration of " << size << " bytes";
        }
    });
}

TEST_F(PeHardening, NoSectionIsWritableAndExecutableOrWritableAndShared)
{
    ForEachProgram([](const char*, const test::PeImage& pe) {
        ASSERT_FALSE(pe.sections.empty());
        for (const test::PeSection& s : pe.sections) {
            const DWORD wx = IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE;
            EXPECT_NE(s.characteristics & wx, wx) << s.name << " is writable and runs";
            // Shared between every process that maps the image: one could change another's data.
            const DWORD ws = IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_SHARED;
            EXPECT_NE(s.characteristics & ws, ws) << s.name << " is writable and shared";
        }
    });
}

TEST_F(PeHardening, NoLinkTimestamp)
{
    ForEachProgram([](const char*, const test::PeImage& pe) {
        EXPECT_EQ(pe.timeDateStamp, 0u);
    });
}

// The smallest PE32 image the reader takes that delay-loads `dll`: headers, then one section
// holding the delay-load table and the name.
std::string ImageThatDelayLoads(const char* dll)
{
    std::string bytes(0x400, '\0');
    IMAGE_DOS_HEADER dos = {};
    dos.e_magic = IMAGE_DOS_SIGNATURE;
    dos.e_lfanew = sizeof dos;
    IMAGE_NT_HEADERS32 nt = {};
    nt.Signature = IMAGE_NT_SIGNATURE;
    nt.FileHeader.NumberOfSections = 1;
    nt.FileHeader.SizeOfOptionalHeader = sizeof nt.OptionalHeader;
    nt.OptionalHeader.Magic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    nt.OptionalHeader.NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT] = {
        0x1000, 2 * sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)};
    IMAGE_SECTION_HEADER section = {};
    section.VirtualAddress = 0x1000;
    section.SizeOfRawData = section.PointerToRawData = 0x200;
    IMAGE_DELAYLOAD_DESCRIPTOR delayed = {};
    delayed.DllNameRVA = 0x1100;
    std::memcpy(&bytes[0], &dos, sizeof dos);
    std::memcpy(&bytes[sizeof dos], &nt, sizeof nt);
    std::memcpy(&bytes[sizeof dos + sizeof nt], &section, sizeof section);
    std::memcpy(&bytes[0x200], &delayed, sizeof delayed);
    std::memcpy(&bytes[0x300], dll, std::strlen(dll));
    return bytes;
}

TEST_F(PeHardening, ImportsOnlyWindowsSystemDlls)
{
    // What a program loads only once it first calls in is imported all the same.
    test::PeImage delaying;
    ASSERT_TRUE(delaying.Parse(ImageThatDelayLoads("libstdc++-6.dll"))) << delaying.error();
    EXPECT_EQ(delaying.ImportedDlls(), std::vector<std::string>{"libstdc++-6.dll"})
        << delaying.error();

    // The runtimes that -static keeps out, a redistributable that Wine, as many a Windows, has in
    // its system folder, and the common controls, which are not a known DLL: all refused.
    for (const char* dll : {"libstdc++-6.dll", "libwinpthread-1.dll", "libgcc_s_dw2-1.dll",
                            "vcruntime140.dll", "comctl32.dll", "kernel32.dll.dll"})
        EXPECT_FALSE(test::IsSystemDll(dll)) << dll << " passes for a system DLL";
    ForEachProgram([](const char* program, test::PeImage& pe) {
        const std::vector<std::string> dlls = pe.ImportedDlls();
        EXPECT_EQ(pe.error(), "");
        std::string list;
        for (const std::string& dll : dlls)
            list += " " + dll;
        std::printf("%s imports:%s\n", program, list.c_str());
        // Every program calls into kernel32; an empty list means the table was not found.
        EXPECT_FALSE(dlls.empty()) << "no import table read";
        for (const std::string& dll : dlls)
            EXPECT_TRUE(test::IsSystemDll(dll)) << dll << " is not a known DLL of Windows";
    });
}

// The checksum Windows checks for drivers and system DLLs and a signer updates, computed by
// Windows itself (CheckSumMappedFile) over the file's bytes.
TEST_F(PeHardening, HeaderChecksumMatchesTheFile)
{
    ForEachProgram([](const char*, const test::PeImage& pe) {
        std::string bytes = pe.bytes();
        DWORD stored = 0, computed = 0;
        ASSERT_NE(CheckSumMappedFile(bytes.data(), static_cast<DWORD>(bytes.size()), &stored,
                                     &computed),
                  nullptr)
            << "not an image CheckSumMappedFile can read";
        EXPECT_EQ(stored, computed) << std::hex << "stored 0x" << stored << ", computed 0x"
                                    << computed;
    });
}

// The certificate table is addressed by file offset, not loaded, and lies outside every section:
// a signer appends it. It must be exactly the file's tail, in 8-byte aligned entries.
TEST_F(PeHardening, CertificateTableWhenSignedIsTheWholeTailOfTheFile)
{
    ForEachProgram([](const char* program, const test::PeImage& pe) {
        const IMAGE_DATA_DIRECTORY table = pe.Directory(IMAGE_DIRECTORY_ENTRY_SECURITY);
        std::printf("%s: certificate table at 0x%lx, %lu bytes\n", program,
                    static_cast<unsigned long>(table.VirtualAddress),
                    static_cast<unsigned long>(table.Size));
        if (table.VirtualAddress == 0 && table.Size == 0)
            return;
        const std::string& bytes = pe.bytes();
        EXPECT_EQ(table.VirtualAddress % 8, 0u);
        ASSERT_LE(table.VirtualAddress, bytes.size());
        EXPECT_EQ(bytes.size() - table.VirtualAddress, table.Size) << "table and file end apart";
        std::size_t at = table.VirtualAddress;
        for (const test::PeSection& s : pe.sections)
            EXPECT_LE(std::size_t{s.rawOffset} + s.rawSize, at) << s.name << " overlaps the table";
        int entries = 0;
        while (at < bytes.size()) {
            WIN_CERTIFICATE entry;
            ASSERT_LE(offsetof(WIN_CERTIFICATE, bCertificate), bytes.size() - at);
            std::memcpy(&entry, bytes.data() + at, offsetof(WIN_CERTIFICATE, bCertificate));
            EXPECT_EQ(entry.wRevision, WIN_CERT_REVISION_2_0);
            EXPECT_EQ(entry.wCertificateType, WIN_CERT_TYPE_PKCS_SIGNED_DATA);
            ASSERT_GT(entry.dwLength, offsetof(WIN_CERTIFICATE, bCertificate));
            ASSERT_LE(entry.dwLength, bytes.size() - at) << "entry runs past the file";
            at += (entry.dwLength + 7u) & ~std::size_t{7};
            ++entries;
        }
        EXPECT_EQ(at, bytes.size());
        EXPECT_GE(entries, 1);
    });
}

}  // namespace
