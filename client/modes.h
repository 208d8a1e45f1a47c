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

#include "client/command_line.h"

// False when the variable is unset, empty or longer than the buffer.
bool GetEnvironmentPath(const char* name, char* path, DWORD size);

// Writes `data` to `path` as the contract says: whole, under a partial name, then renamed.
bool WriteOutputFile(const char* path, const void* data, DWORD size);

// Reporting mode: writes the report to `reportPath`, then waits to be told to stop. Returns the
// exit code, `exitCode` when it was stopped.
int ReportAndLinger(const char* reportPath, const char* received, int exitCode);

// The window that shows what was received; returns `exitCode` once it is closed.
int ShowWindowAndWait(HINSTANCE instance, int show, const char* received, bool valid,
                      const ClientCommandLine& line, const ClientCommandLineError& error,
                      int exitCode);

#endif  // VELTO_CLIENT_MODES_H
