// tests/fuzz/fuzz_check.h: the fuzz targets' check, alive in every build type.
#ifndef VELTO_TESTS_FUZZ_FUZZ_CHECK_H
#define VELTO_TESTS_FUZZ_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

// assert() vanishes under NDEBUG; a fuzz finding must abort so libFuzzer saves the input. The
// condition is held in a bool first: negated in place, "a && b" reads to clang-tidy as a
// De Morgan rewrite to make at every call.
#define FUZZ_CHECK(cond)                                                                   \
    do {                                                                                   \
        const bool fuzzCheckHolds = (cond);                                                \
        if (!fuzzCheckHolds) {                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

#endif  // VELTO_TESTS_FUZZ_FUZZ_CHECK_H
