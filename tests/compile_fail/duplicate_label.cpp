// tests/compile_fail/duplicate_label.cpp: a label repeated further down the table.
#include "tests/compile_fail/filled_text.h"

constexpr RegionEntry kRows[] = {
    {"row a", "vexa.exe 1"},
    {"row b", "vexa.exe 2"},
    {"row a", "vexa.exe 3"},
};
VELTO_CHECK_TABLE(kRows);
