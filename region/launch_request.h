// region/launch_request.h: starting the game client for the region chosen in the list.
#ifndef VELTO_REGION_LAUNCH_REQUEST_H
#define VELTO_REGION_LAUNCH_REQUEST_H

#include "platform/listbox.h"

// Reads the selected label back from `list`, finds its row in the region table and starts the
// game client with the row's command line, found by the platform's search order for
// "vexa.exe" (the program's own folder first). Returns true once the client process exists; it
// does not wait for the client. Otherwise shows a message box owned by `owner` and returns
// false, leaving the list as it was: "请选择大区" when nothing is selected or the text matches no
// row (a text too long for any row included), "程序启动失败" when the client could not be started.
bool LaunchSelectedRegion(const CListBox& list, const CWnd& owner);

#endif  // VELTO_REGION_LAUNCH_REQUEST_H
