// platform/platform.h: the one header every file of the framework layer includes first.
//
// The launcher is a multi-byte program: UNICODE stays undefined, so every Win32 macro
// (MessageBox, SendMessage, LoadString, AppendMenu, ...) names the "A" function and every text is
// a GBK byte string. Member functions that carry those names (CWnd::MessageBox) expand the same
// way in their declaration and at every call, which keeps the two in step. Behind them this layer
// calls the "W" functions with texts it converts from GBK itself (platform/text.h): the "A" ones
// would convert through the system's ANSI code page, which is GBK only on Chinese systems.
#ifndef VELTO_PLATFORM_PLATFORM_H
#define VELTO_PLATFORM_PLATFORM_H

#ifdef UNICODE
#error "the launcher is built for the multi-byte character set; UNICODE must not be defined"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cassert>

#define AFXAPI __stdcall

// Framework command ids the application's maps use.
#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

#endif  // VELTO_PLATFORM_PLATFORM_H
