// tests/wine_run_probe.cpp: a program that misbehaves on purpose, for the checks of how a test
// program ends under scripts/wine-run (tests/wine_run_test.sh).
//   wine_run_probe crash    an access violation nobody handles (raised, as a stray write would)
//   wine_run_probe linger   starts a copy of itself that inherits this program's output and
//                           outlives it (for 12 s at most), then ends
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "crash") == 0) {
        std::puts("crashing");
        std::fflush(stdout);
        RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "linger") == 0) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        char line[MAX_PATH + 32];
        std::snprintf(line, sizeof line, "\"%s\" stay", self);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child = {};
        if (!CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                            &child))
            return 3;
        std::puts("left a process behind");
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "stay") == 0) {
        Sleep(12000);
        return 0;
    }
    return 2;
}
