// tests/compile_fail/filled_text.h: texts of an exact length, for tables at the limits.
#ifndef VELTO_TESTS_COMPILE_FAIL_FILLED_TEXT_H
#define VELTO_TESTS_COMPILE_FAIL_FILLED_TEXT_H

#include "region/region_table.h"

#include <cstddef>

// N copies of `c` and a terminator; a constexpr object of this type can be a table row's text.
template <std::size_t N>
struct FilledText {
    char text[N + 1];
    constexpr explicit FilledText(char c) : text{}
    {
        for (std::size_t i = 0; i < N; ++i)
            text[i] = c;
    }
};

// The same two checks region_table.cpp makes on the real table; each test expects exactly one
// of these messages.
#define VELTO_CHECK_TABLE(rows)                                                          \
    static_assert(RegionRowsFit(rows, sizeof rows / sizeof rows[0]), "rows do not fit"); \
    static_assert(RegionLabelsDistinct(rows, sizeof rows / sizeof rows[0]), "labels repeat")

#endif  // VELTO_TESTS_COMPILE_FAIL_FILLED_TEXT_H
