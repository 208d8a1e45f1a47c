# scripts/lib/arch.sh: which Windows build runs under Wine on this machine, and which Wine loader
# runs it. Sourced by scripts/test, scripts/run, scripts/bench and scripts/wine-run.
#
# We ship 32-bit programs. Where the kernel cannot execute 32-bit x86 code, Wine's 32-bit loader
# included, the same sources built for x86_64 run under 64-bit Wine instead (preset win64).

# Whether this machine runs 32-bit x86 programs natively. Emulating them (qemu through binfmt)
# works but is far too slow for the tests, so it does not count.
runs_32bit_natively() {
    ! grep -qs '^interpreter .*qemu-i386' /proc/sys/fs/binfmt_misc/* &&
        /usr/lib/wine/wine --version >/dev/null 2>&1 </dev/null
}

# The preset whose programs run here, which is also scripts/wine-run's --arch: win32 or win64.
wine_preset() {
    if runs_32bit_natively; then echo win32; else echo win64; fi
}

# The Wine loader for a preset's programs. Debian's `wine` command always takes the 32-bit loader
# when it is installed, even where that cannot run, so 64-bit programs get the 64-bit one by name.
wine_loader() {
    if [ "$1" = win64 ]; then echo /usr/lib/wine/wine64; else echo wine; fi
}
