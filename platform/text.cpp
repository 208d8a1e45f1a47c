// platform/text.cpp: CString and the conversions between GBK and UTF-16.
#include "platform/text.h"

#include "platform/app.h"

#include <cstdlib>

namespace gbk {

int Length(LPCWSTR lpszText, int nUnits)
{
    if (nUnits == 0)
        return 0;
    // Without WC_NO_BEST_FIT_CHARS a superscript digit would come out as the digit and a
    // full-width bracket as an ASCII one; with it, anything GBK cannot hold sets usedDefault.
    BOOL usedDefault = FALSE;
    const int bytes = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, lpszText, nUnits,
                                            nullptr, 0, nullptr, &usedDefault);
    return bytes > 0 && !usedDefault ? bytes : -1;
}

bool Narrow(LPCWSTR lpszText, int nUnits, LPSTR lpszOut, int nBytes)
{
    if (nUnits == 0)
        return nBytes == 0;
    BOOL usedDefault = FALSE;
    const int written = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, lpszText, nUnits,
                                              lpszOut, nBytes, nullptr, &usedDefault);
    return written == nBytes && !usedDefault;
}

namespace {

// The terminator is converted with the text, so the result is terminated too. Null when the
// text does not convert under dwFlags or memory ran out.
WCHAR* Widen(LPCSTR lpszGbk, DWORD dwFlags)
{
    const int units = ::MultiByteToWideChar(kCodePage, dwFlags, lpszGbk, -1, nullptr, 0);
    if (units <= 0)
        return nullptr;
    auto* wide = static_cast<WCHAR*>(std::malloc(static_cast<size_t>(units) * sizeof(WCHAR)));
    if (wide != nullptr &&
        ::MultiByteToWideChar(kCodePage, dwFlags, lpszGbk, -1, wide, units) != units) {
        std::free(wide);
        wide = nullptr;
    }
    return wide;
}

}  // namespace

ToWide::ToWide(LPCSTR lpszGbk)
{
    if (lpszGbk == nullptr)
        return;
    m_pszWide = Widen(lpszGbk, MB_ERR_INVALID_CHARS);
    if (m_pszWide == nullptr) {
        m_bExact = false;
        m_pszWide = Widen(lpszGbk, 0);
    }
}

ToWide::~ToWide()
{
    std::free(m_pszWide);
}

}  // namespace gbk

CString::~CString()
{
    std::free(m_pchData);
}

BOOL CString::LoadString(UINT nID)
{
    std::free(m_pchData);
    m_pchData = nullptr;

    // Given no buffer, LoadStringW returns the length of the resource's own UTF-16 text and a
    // read-only pointer to it (not terminated): the converted size follows from that, so nothing
    // is cut short and no buffer is guessed.
    const WCHAR* text = nullptr;
    const int units =
        ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&text), 0);
    if (units <= 0 || text == nullptr)
        return FALSE;
    // To GBK, not to the ANSI code page, which need not hold the text at all.
    const int size = gbk::Length(text, units);
    if (size <= 0)
        return FALSE;
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
    if (buffer == nullptr)
        return FALSE;
    if (!gbk::Narrow(text, units, buffer, size)) {
        std::free(buffer);
        return FALSE;
    }
    buffer[size] = '\0';
    m_pchData = buffer;
    return TRUE;
}
