// platform/text.h: CString, just enough of a string to load a resource text and pass it on.
#ifndef VELTO_PLATFORM_TEXT_H
#define VELTO_PLATFORM_TEXT_H

#include "platform/platform.h"

class CString {
public:
    CString() = default;
    ~CString();
    CString(const CString&) = delete;
    CString& operator=(const CString&) = delete;

    // Loads string nID of the resource module. False, leaving the string empty, when there is
    // no such string (or it is empty).
    BOOL LoadString(UINT nID);

    bool IsEmpty() const { return m_pchData == nullptr; }
    operator LPCSTR() const { return m_pchData != nullptr ? m_pchData : ""; }

private:
    char* m_pchData = nullptr;  // null while empty
};

#endif  // VELTO_PLATFORM_TEXT_H
