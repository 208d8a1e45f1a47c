// tests/skewed_clock_client.cpp: a client whose clock is not the benchmark driver's. Like the
// stand-in client, it writes a QueryPerformanceCounter value to the file VEXA_STAMP names, but
// moved by VELTO_CLOCK_SKEW_S seconds (ahead when positive): the driver must refuse to measure.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "client/contract.h"

int main()
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    char path[MAX_PATH];
    char skew[16];
    const DWORD pathSize = GetEnvironmentVariableA(client::kStampVariable, path, sizeof path);
    const DWORD skewSize = GetEnvironmentVariableA("VELTO_CLOCK_SKEW_S", skew, sizeof skew);
    if (pathSize == 0 || pathSize >= sizeof path || skewSize == 0 || skewSize >= sizeof skew)
        return 2;
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return 2;
    std::fprintf(file, "%lld", now.QuadPart + std::atoll(skew) * frequency.QuadPart);
    return std::fclose(file) == 0 ? 0 : 2;
}
