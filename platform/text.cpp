// platform/text.cpp: CString.
#include "platform/text.h"

#include "platform/app.h"

#include <cstdlib>
#include <cstring>

CString::~CString()
{
    std::free(m_pchData);
}

BOOL CString::LoadString(UINT nID)
{
    std::free(m_pchData);
    m_pchData = nullptr;
    m_nLength = 0;

    // A string resource holds at most 65535 UTF-16 units, at most two GBK bytes each. Grow
    // until LoadStringA leaves room to spare, as it truncates silently.
    for (int size = 256; size <= 2 * 65536; size *= 2) {
        char* buffer = static_cast<char*>(std::malloc(size));
        if (buffer == nullptr)
            return FALSE;
        const int length = ::LoadStringA(AfxGetResourceHandle(), nID, buffer, size);
        if (length < size - 2) {
            if (length <= 0) {
                std::free(buffer);
                return FALSE;
            }
            m_pchData = buffer;
            m_nLength = length;
            return TRUE;
        }
        std::free(buffer);
    }
    return FALSE;
}
