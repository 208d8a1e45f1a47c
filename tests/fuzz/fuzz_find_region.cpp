// tests/fuzz/fuzz_find_region.cpp: any bytes, up to the first zero, as a label for the lookup.
// A row may come back only for an exact byte-for-byte match with its label.
#include "region/region_table.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The fuzz build compiles an iconv'd copy of the table; if that conversion went wrong the
    // labels are not the program's bytes and every result below would be meaningless.
    static const unsigned char kHenan[] = {0xba, 0xd3, 0xc4, 0xcf};  // 河南 in GBK
    if (std::memcmp(g_regionTable[0].label, kHenan, sizeof kHenan) != 0) {
        std::fprintf(stderr, "fuzz_find_region: the table's first label is not GBK 河南\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the bytes plus a terminator, on the heap, so that a read past it is reported.
    std::unique_ptr<char[]> label(new char[size + 1]);
    std::memcpy(label.get(), data, size);
    label[size] = '\0';
    const std::size_t length = std::strlen(label.get());

    const RegionEntry* match = nullptr;
    for (const RegionEntry& row : g_regionTable) {
        if (std::strlen(row.label) == length && std::memcmp(row.label, label.get(), length) == 0) {
            FUZZ_CHECK(match == nullptr);  // labels are distinct
            match = &row;
        }
    }

    const char* found = FindRegionCommandLine(label.get());
    FUZZ_CHECK(found == (match != nullptr ? match->commandLine : nullptr));
    return 0;
}
