// platform/text.cpp: CString and the conversions between GBK and UTF-16.
#include "platform/text.h"

#include "platform/app.h"

#include <cstdlib>

int AFXAPI AfxGbkLength(LPCWSTR lpszText, int nUnits)
{
    if (nUnits == 0)
        return 0;
    // Without WC_NO_BEST_FIT_CHARS a superscript digit would come out as the digit and a
    // full-width bracket as an ASCII one; with it, anything GBK cannot hold sets usedDefault.
    BOOL usedDefault = FALSE;
    const int bytes = ::WideCharToMultiByte(AFX_TEXT_CODEPAGE, WC_NO_BEST_FIT_CHARS, lpszText,
                                            nUnits, nullptr, 0, nullptr, &usedDefault);
    return bytes > 0 && !usedDefault ? bytes : -1;
}

void AFXAPI AfxToGbk(LPCWSTR lpszText, int nUnits, LPSTR lpszOut, int nBytes)
{
    if (nUnits > 0)
        ::WideCharToMultiByte(AFX_TEXT_CODEPAGE, WC_NO_BEST_FIT_CHARS, lpszText, nUnits, lpszOut,
                              nBytes, nullptr, nullptr);
}

CGbkToWide::CGbkToWide(LPCSTR lpszGbk)
{
    if (lpszGbk == nullptr)
        return;
    // The terminator is converted with the text, so the result is terminated too.
    const int units = ::MultiByteToWideChar(AFX_TEXT_CODEPAGE, MB_ERR_INVALID_CHARS, lpszGbk, -1,
                                            nullptr, 0);
    m_bValid = false;
    if (units <= 0)
        return;
    m_pszWide = static_cast<WCHAR*>(std::malloc(static_cast<size_t>(units) * sizeof(WCHAR)));
    if (m_pszWide == nullptr)
        return;
    if (::MultiByteToWideChar(AFX_TEXT_CODEPAGE, MB_ERR_INVALID_CHARS, lpszGbk, -1, m_pszWide,
                              units) != units) {
        std::free(m_pszWide);
        m_pszWide = nullptr;
        return;
    }
    m_bValid = true;
}

CGbkToWide::~CGbkToWide()
{
    std::free(m_pszWide);
}

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
    const int size = AfxGbkLength(text, units);
    if (size <= 0)
        return FALSE;
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
    if (buffer == nullptr)
        return FALSE;
    AfxToGbk(text, units, buffer, size);
    buffer[size] = '\0';
    m_pchData = buffer;
    return TRUE;
}
