// region/region_table.h: the fixed table of server regions and the lookup of a row by its label.
#ifndef VELTO_REGION_REGION_TABLE_H
#define VELTO_REGION_REGION_TABLE_H

#include <cstddef>

// One server region: what the list shows, and what starts the game client for it.
struct RegionEntry {
    const char* label;        // GBK; shown in the region list and read back from it
    const char* commandLine;  // ASCII; handed to the game client whole, never looked into
};

constexpr std::size_t kRegionCount = 19;

// The launch request reads labels and copies command lines into fixed buffers of these sizes,
// terminator included, so every row must stay below them.
constexpr std::size_t kRegionLabelBufferSize = 40;
constexpr std::size_t kRegionCommandLineBufferSize = 4000;

// Row 1 first. The list shows the rows in this order and lookups search them in this order.
extern const RegionEntry g_regionTable[kRegionCount];

// Returns the command line of the first row, in table order, whose label equals `label` byte for
// byte (no case folding, no trimming, no width conversion); nullptr when no row does, for the
// empty string and for a null pointer.
const char* FindRegionCommandLine(const char* label);

// Compile-time checks over a table. They take the rows as a parameter so that a test can prove
// that a row breaking a limit really fails the build.
constexpr std::size_t RegionTextLength(const char* s)
{
    std::size_t n = 0;
    while (s[n] != '\0')
        ++n;
    return n;
}

constexpr bool RegionTextEqual(const char* a, const char* b)
{
    std::size_t i = 0;
    while (a[i] != '\0' && a[i] == b[i])
        ++i;
    return a[i] == b[i];
}

// Every row present, every text non-empty and within its buffer.
constexpr bool RegionRowsFit(const RegionEntry* rows, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const RegionEntry& row = rows[i];
        if (row.label == nullptr || row.commandLine == nullptr)
            return false;
        const std::size_t labelLength = RegionTextLength(row.label);
        const std::size_t commandLength = RegionTextLength(row.commandLine);
        if (labelLength == 0 || labelLength >= kRegionLabelBufferSize)
            return false;
        if (commandLength == 0 || commandLength >= kRegionCommandLineBufferSize)
            return false;
    }
    return true;
}

// A duplicate label would make every row after the first of its pair unreachable.
constexpr bool RegionLabelsDistinct(const RegionEntry* rows, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t j = i + 1; j < count; ++j)
            if (RegionTextEqual(rows[i].label, rows[j].label))
                return false;
    return true;
}

#endif  // VELTO_REGION_REGION_TABLE_H
