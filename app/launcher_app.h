// app/launcher_app.h: the application object.
#ifndef VELTO_APP_LAUNCHER_APP_H
#define VELTO_APP_LAUNCHER_APP_H

#include "platform/app.h"

// Shows the region-selection dialog as the program's only window and ends with it.
class CLauncherApp : public CWinApp {
public:
    CLauncherApp() = default;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CLauncherApp theApp;

#endif  // VELTO_APP_LAUNCHER_APP_H
