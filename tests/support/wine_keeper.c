/* tests/support/wine_keeper.c: holds a Wine prefix's desktop up for as long as it runs.
 * scripts/wine-run starts it with the prefix (its --keeper names the build's wine-keeper.exe, of
 * the prefix's architecture); `wineserver -k` ends it.
 *
 *   wine-keeper.exe READY-FILE     creates READY-FILE (a Windows path) once the desktop is up
 *
 * Wine ends the desktop's process (explorer.exe /desktop) about a second after the last other
 * program on the desktop ends, and starts a new one with the next program. Under Wine 10 a program
 * that starts while the old one goes can die at once of an X error: BadWindow in X_UnmapWindow on
 * a window of the old desktop's process that has gone with it (its cursor-clipping window, the
 * first window it makes). With one program on the desktop that never ends, the desktop never
 * goes.
 *
 * It has no window and no message queue, so nothing sent or posted can wake it: the
 * `rundll32 user32.dll,WaitMessage` that did this before has a window of its own, and Wine 10
 * wakes it within a second of its start. */
#include <windows.h>

/* main under the GUI subsystem (a WIN32 target): no console, and the arguments as C has them. */
int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    /* Starts the desktop's process when there is none, and returns once its window exists. */
    if (GetDesktopWindow() == NULL)
        return 1;
    HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (ready == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(ready);
    for (;;)
        Sleep(INFINITE);
}
