// tests/stack_guard_probe.cpp: a program built with the product's flags, whose stack guard a
// smashed frame must trip. Run without arguments, it starts itself with "smash" and checks how
// that ends: with the guard's failure (GCC's libssp ends with a trap, STATUS_ILLEGAL_INSTRUCTION),
// not by returning (exit 0) nor with the crash that the smashed return address gives without the
// guard (an access violation). Exits 0 when it did.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// Out of line and through a volatile pointer: the compiler can neither see nor bound the overflow.
__attribute__((noinline)) void Fill(volatile char* to, int count)
{
    for (int i = 0; i < count; ++i)
        to[i] = 'x';
}

__attribute__((noinline)) int Victim(int count)
{
    char buffer[16];
    Fill(buffer, count);
    return buffer[0];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "smash") == 0) {
        // Past the guard, the saved registers and the return address.
        Victim(sizeof(char[16]) + 64);
        std::printf("stack-guard: returned from a smashed frame\n");
        return 0;
    }
    if (Victim(16) != 'x') {
        std::printf("FAIL: an intact frame came back wrong\n");
        return 1;
    }
    char self[MAX_PATH];
    char line[MAX_PATH + 16];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::snprintf(line, sizeof line, "\"%s\" smash", self);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(self, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("FAIL: cannot start %s (error %lu)\n", line, GetLastError());
        return 1;
    }
    const bool ended = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ended) {
        std::printf("FAIL: the smashed program still ran after 10 s\n");
        return 1;
    }
    std::printf("stack-guard: the smashed program ended with 0x%08lx\n", code);
    if (code != static_cast<DWORD>(STATUS_ILLEGAL_INSTRUCTION)) {
        std::printf("FAIL: expected the guard's failure, 0x%08lx\n",
                    static_cast<unsigned long>(STATUS_ILLEGAL_INSTRUCTION));
        return 1;
    }
    return 0;
}
