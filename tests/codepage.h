// tests/codepage.h: the ANSI code page a Windows test runs under, and reading texts as GBK without
// guessing.
//
// VELTO_CODEPAGE names the code page a test is meant for (scripts/wine-run sets Wine's locale
// from it; CTest sets it per test); unset means 936. A test that depends on the code page checks
// GetACP() against it first, so that a test meant for 1252 cannot pass by running under 936.
#ifndef VELTO_TESTS_CODEPAGE_H
#define VELTO_TESTS_CODEPAGE_H

#include <windows.h>

#include <cstdlib>
#include <string>

namespace test {

inline UINT IntendedCodePage()
{
    const char* value = std::getenv("VELTO_CODEPAGE");
    return value != nullptr && *value != '\0' ? static_cast<UINT>(std::strtoul(value, nullptr, 10))
                                              : 936u;
}

// For the message of a failed GetACP() check.
inline std::string CodePageHint()
{
    return "this test is meant for code page " + std::to_string(IntendedCodePage()) +
           " (VELTO_CODEPAGE), which scripts/wine-run turns into Wine's LC_ALL";
}

// `text` as GBK; a marker that no GBK text equals when a character has no exact GBK form, so a
// look-alike can never pass for the text it resembles.
inline std::string StrictGbk(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      &usedDefault);
    if (n <= 0 || usedDefault)
        return "<not exactly GBK>";
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace test

#endif  // VELTO_TESTS_CODEPAGE_H
