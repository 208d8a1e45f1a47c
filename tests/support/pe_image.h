// tests/support/pe_image.h: PE images, the one reader of PE headers in the tests and the
// benchmark: a program file (32- or 64-bit) from its bytes, and the import slots of a module
// loaded in this process, with a hook that redirects one of them for a scope. Needs no GoogleTest.
#ifndef VELTO_TESTS_SUPPORT_PE_IMAGE_H
#define VELTO_TESTS_SUPPORT_PE_IMAGE_H

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace test {

struct PeSection {
    std::string name;  // up to 8 characters, padding removed
    DWORD virtualAddress;
    DWORD virtualSize;
    DWORD rawOffset;
    DWORD rawSize;
    DWORD characteristics;
};

// The headers and sections of a PE32 or PE32+ image. Anything out of place in the file fails
// Load with the reason in error(); nothing is read beyond the bytes.
class PeImage {
public:
    bool Load(const std::string& path);
    bool Parse(std::string bytes);
    const std::string& error() const { return m_error; }
    const std::string& bytes() const { return m_bytes; }

    WORD machine = 0;
    WORD characteristics = 0;
    DWORD timeDateStamp = 0;
    bool is64 = false;  // PE32+
    WORD subsystem = 0;
    WORD majorSubsystemVersion = 0, minorSubsystemVersion = 0;
    WORD majorOsVersion = 0, minorOsVersion = 0;
    WORD dllCharacteristics = 0;
    DWORD sizeOfHeaders = 0;
    std::vector<PeSection> sections;

    // A data directory; all zero when the image has fewer.
    IMAGE_DATA_DIRECTORY Directory(int index) const;
    // File offset of an address in the loaded image; 0 when no section's bytes hold it.
    std::size_t Offset(DWORD rva) const;
    // The names of the DLLs the import directory names, in its order; empty when it cannot be
    // read (error() says why).
    std::vector<std::string> ImportedDlls();
    // How many exception handlers a 32-bit image's load configuration lists as the only ones the
    // loader may call: 0 without a load configuration or one that ends before the list. False
    // when the directory names bytes outside the file (error() says why).
    bool ReadSafeHandlerCount(DWORD* count);

private:
    bool Fail(const std::string& why);
    template <typename Header>
    bool ReadOptionalHeader(std::size_t at, DWORD* directoryCount, std::size_t* directories);

    std::string m_bytes;
    std::string m_error;
    std::vector<IMAGE_DATA_DIRECTORY> m_directories;
};

// Whether an imported DLL is one of Windows' own that a program may rely on: a known DLL (the
// KnownDLLs list) of every Windows from Vista to 11. Windows ships these and loads them only
// from its system folder, so nothing has to be installed beside the program and no copy of one
// in its folder can stand in. A DLL that merely sits in the system folder is not enough: any
// installer may have put a runtime there (a compiler's libstdc++-6.dll, a redistributable's
// vcruntime140.dll), and comctl32.dll is left out on purpose, as Windows keeps it out of the
// known DLLs for its side-by-side versions. Names compare without regard to case.
bool IsSystemDll(const std::string& name);

// The import address table slot through which `module` (loaded in this process) calls
// `dll`!`function`; null when it does not import it by name. Writing the slot redirects the
// module's calls.
void** FindImportSlot(HMODULE module, const char* dll, const char* function);

// Points this program's import of `dll`!`function` at `replacement` for the object's lifetime.
// Installed() is false when the program does not import it; Original() is what the slot held.
class ScopedImportHook {
public:
    ScopedImportHook(const char* dll, const char* function, void* replacement);
    ~ScopedImportHook();
    ScopedImportHook(const ScopedImportHook&) = delete;
    ScopedImportHook& operator=(const ScopedImportHook&) = delete;

    bool Installed() const { return m_slot != nullptr; }
    template <typename Function>
    Function Original() const
    {
        return reinterpret_cast<Function>(m_original);
    }

private:
    void** m_slot;
    void* m_original = nullptr;
};

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_PE_IMAGE_H
