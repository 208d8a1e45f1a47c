// tests/stack_guard_probe.cpp: a frame that overruns its buffer, built with the product's flags,
// for the check that its stack guard ends the program (tests/wine_run_test.sh guard).
#include <cstdio>

// Through a volatile pointer, by a count known only at run time: nothing can bound the overrun.
__attribute__((noinline)) static int Victim(int count)
{
    char buffer[16] = {};
    volatile char* to = buffer;
    for (int i = 0; i < count; ++i)
        to[i] = 'x';
    return buffer[0];
}

int main(int argc, char**)
{
    // Past the guard, the saved registers and the return address.
    std::printf("returned from the smashed frame with %d\n", Victim(argc + 79));
    return 0;
}
