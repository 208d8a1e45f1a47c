// tests/compile_fail/command_line_4000.cpp: a command line of 4,000 bytes leaves no room for the
// terminator.
#include "tests/compile_fail/filled_text.h"

constexpr FilledText<kRegionCommandLineBufferSize> kCommand4000('c');

constexpr RegionEntry kRows[] = {
    {"row a", "vexa.exe 1"},
    {"row b", kCommand4000.text},
};
VELTO_CHECK_TABLE(kRows);
