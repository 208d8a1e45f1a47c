// tests/compile_fail/duplicate_neighbour_label.cpp: a label repeated in the very next row.
#include "tests/compile_fail/filled_text.h"

constexpr RegionEntry kRows[] = {
    {"row a", "vexa.exe 1"},
    {"row b", "vexa.exe 2"},
    {"row b", "vexa.exe 3"},
};
VELTO_CHECK_TABLE(kRows);
