// platform/text.h: the program's texts, GBK byte strings, and their crossing into Windows.
//
// Every text the program holds is GBK, whatever the system's ANSI code page: a player's system
// may run any code page, and the region table's labels are compared byte for byte. Texts cross
// into Windows through the "W" functions, converted with code page 936 in both directions, and a
// conversion that is not exact fails rather than guessing: a look-alike character (best fit) or
// a dropped one could make one text read as another.
//
// In this file:
//   CString       just enough of a string to load a resource text and pass it on
//   gbk::ToWide   a GBK text as UTF-16, for the W functions
//   gbk::Length, gbk::Narrow   UTF-16 back to GBK
#ifndef VELTO_PLATFORM_TEXT_H
#define VELTO_PLATFORM_TEXT_H

#include "platform/platform.h"

class CString {
public:
    CString() = default;
    ~CString();
    CString(const CString&) = delete;
    CString& operator=(const CString&) = delete;

    // Loads string nID of the resource module, as GBK. False, leaving the string empty, when
    // there is no such string, it is empty, or it has a character GBK cannot hold.
    BOOL LoadString(UINT nID);

    bool IsEmpty() const { return m_pchData == nullptr; }
    operator LPCSTR() const { return m_pchData != nullptr ? m_pchData : ""; }

private:
    char* m_pchData = nullptr;  // null while empty
};

namespace gbk {

// The code page of every byte string of the program.
constexpr UINT kCodePage = 936;

class ToWide {
public:
    // A null text gives a null one, as the W functions expect where a text is optional. A text
    // that is not valid GBK is converted all the same, each byte that is not replaced, but
    // IsExact() is false; null only when memory ran out.
    explicit ToWide(LPCSTR lpszGbk);
    ~ToWide();
    ToWide(const ToWide&) = delete;
    ToWide& operator=(const ToWide&) = delete;

    // True when the result is the text itself, every character converted.
    bool IsExact() const { return m_bExact; }
    operator LPCWSTR() const { return m_pszWide; }

private:
    WCHAR* m_pszWide = nullptr;
    bool m_bExact = true;
};

// Bytes that the first nUnits UTF-16 units of lpszText take in GBK, or -1 when one of them has
// no exact GBK form.
int Length(LPCWSTR lpszText, int nUnits);
// Writes those nBytes bytes (a Length result) to lpszOut, with no terminator; false when
// Windows wrote anything else.
bool Narrow(LPCWSTR lpszText, int nUnits, LPSTR lpszOut, int nBytes);

}  // namespace gbk

#endif  // VELTO_PLATFORM_TEXT_H
