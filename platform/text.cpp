// platform/text.cpp: CString.
#include "platform/text.h"

#include "platform/app.h"

#include <cstdlib>

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
    // The same conversion LoadStringA makes: to the ANSI code page (GBK here).
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return FALSE;
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
    if (buffer == nullptr)
        return FALSE;
    ::WideCharToMultiByte(CP_ACP, 0, text, units, buffer, size, nullptr, nullptr);
    buffer[size] = '\0';
    m_pchData = buffer;
    return TRUE;
}
