// platform/text.h: the program's texts, GBK byte strings, and their crossing into Windows.
//
// Every text the program holds is GBK, whatever the system's ANSI code page: a player's system
// may run any code page, and the region table's labels are compared byte for byte. Texts cross
// into Windows through the "W" functions, converted with code page 936 in both directions, and a
// conversion that is not exact fails rather than guessing: a look-alike character (best fit) or
// a dropped one could make one text read as another.
//
// Classes in this file:
//   CString     just enough of a string to load a resource text and pass it on
//   CGbkToWide  a GBK text as UTF-16, for the W functions
#ifndef VELTO_PLATFORM_TEXT_H
#define VELTO_PLATFORM_TEXT_H

#include "platform/platform.h"

// The code page of every byte string of the program.
constexpr UINT AFX_TEXT_CODEPAGE = 936;

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

class CGbkToWide {
public:
    // A null text gives a null one, as the W functions expect where a text is optional.
    explicit CGbkToWide(LPCSTR lpszGbk);
    ~CGbkToWide();
    CGbkToWide(const CGbkToWide&) = delete;
    CGbkToWide& operator=(const CGbkToWide&) = delete;

    // False when the text is not valid GBK (or memory ran out); the result is then null.
    bool IsValid() const { return m_bValid; }
    operator LPCWSTR() const { return m_pszWide; }

private:
    WCHAR* m_pszWide = nullptr;
    bool m_bValid = true;
};

// Bytes that the first nUnits UTF-16 units of lpszText take in GBK, or -1 when one of them has
// no exact GBK form.
int AFXAPI AfxGbkLength(LPCWSTR lpszText, int nUnits);
// Writes those nBytes bytes (an AfxGbkLength result) to lpszOut, with no terminator.
void AFXAPI AfxToGbk(LPCWSTR lpszText, int nUnits, LPSTR lpszOut, int nBytes);

#endif  // VELTO_PLATFORM_TEXT_H
