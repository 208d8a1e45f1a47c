// tests/compile_fail/label_40.cpp: a label of 40 bytes leaves no room for the terminator.
#include "tests/compile_fail/filled_text.h"

constexpr FilledText<kRegionLabelBufferSize> kLabel40('L');

constexpr RegionEntry kRows[] = {
    {"row a", "vexa.exe 1"},
    {kLabel40.text, "vexa.exe 1"},
};
VELTO_CHECK_TABLE(kRows);
