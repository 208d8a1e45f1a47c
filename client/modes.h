// client/modes.h: the stand-in client's modes (main.cpp picks one) and the output file they share.
#ifndef VELTO_CLIENT_MODES_H
#define VELTO_CLIENT_MODES_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// False when the variable is unset, empty or longer than the buffer.
bool GetEnvironmentPath(const char* name, char* path, DWORD size);

// Writes `data` to `path` as the contract says: whole, under a partial name, then renamed.
bool WriteOutputFile(const char* path, const void* data, DWORD size);

// Reporting mode: writes the report to `reportPath`, then waits to be told to stop. Returns the
// exit code.
int ReportAndLinger(const char* reportPath, const char* received);

#endif  // VELTO_CLIENT_MODES_H
