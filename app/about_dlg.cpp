// app/about_dlg.cpp: the About box's (empty) message map.
#include "app/about_dlg.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()
