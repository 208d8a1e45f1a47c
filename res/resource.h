// res/resource.h: every resource and command id of the launcher, shared by code and resources.
#ifndef VELTO_RES_RESOURCE_H
#define VELTO_RES_RESOURCE_H

// Dialog templates
#define IDD_ABOUTBOX            100
#define IDD_LAUNCHER_DIALOG     102

// Strings
#define IDS_ABOUTBOX            101

// Shared resources: the application icon group
#define IDR_MAINFRAME           128

// Bitmaps
#define IDB_BACKGROUND          130

// Controls
#define IDC_REGION_LIST         1001
#define IDC_STATIC              (-1)

// System-menu commands
#define IDM_ABOUTBOX            0x0010

#if defined(__cplusplus) && !defined(RC_INVOKED)
// Windows keeps the low four bits of a system command for itself, and ids from 0xF000 up are its
// own commands (SC_*): an item of ours must avoid both to arrive intact in WM_SYSCOMMAND.
static_assert((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX, "system-menu ids need their low 4 bits clear");
static_assert(IDM_ABOUTBOX < 0xF000, "system-menu ids from 0xF000 up belong to Windows");
#endif

#endif  // VELTO_RES_RESOURCE_H
