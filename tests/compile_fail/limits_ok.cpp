// tests/compile_fail/limits_ok.cpp: one byte under each limit, and a label that is a prefix of
// another, must build; this keeps each failing table's failure down to its one change.
#include "tests/compile_fail/filled_text.h"

constexpr FilledText<kRegionLabelBufferSize - 1> kLabel39('L');
constexpr FilledText<kRegionLabelBufferSize - 2> kLabel38('L');
constexpr FilledText<kRegionCommandLineBufferSize - 1> kCommand3999('c');

constexpr RegionEntry kRows[] = {
    {"row a", "vexa.exe 1"},
    {"row b", kCommand3999.text},
    {kLabel39.text, "vexa.exe 1"},
    {kLabel38.text, "vexa.exe 1"},
};
VELTO_CHECK_TABLE(kRows);
