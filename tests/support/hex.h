// tests/support/hex.h: bytes as hex, for comparing GBK texts in a form any console shows.
#ifndef VELTO_TESTS_SUPPORT_HEX_H
#define VELTO_TESTS_SUPPORT_HEX_H

#include <string>

namespace test {

// "c7 eb " for the two bytes 0xC7 0xEB.
inline std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

}  // namespace test

#endif  // VELTO_TESTS_SUPPORT_HEX_H
