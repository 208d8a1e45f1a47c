// platform/winmain.cpp: the program's WinMain, kept apart so test programs can link the layer
// and have their own main.
#include "platform/app.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
