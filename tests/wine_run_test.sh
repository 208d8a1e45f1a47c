#!/usr/bin/env bash
# tests/wine_run_test.sh: how a test program ends under scripts/wine-run, checked from outside as
# CTest sees it. Each command is one CTest test (tests/CMakeLists.txt); EMULATOR... is the
# emulator's command line, wine-run with its --state, --arch and --keeper.
#
#   wine_run_test.sh crash PROBE EMULATOR...    a crash ends the program at once, with the
#                                               exception's code (0xC0000005, low byte 5)
#   wine_run_test.sh linger PROBE EMULATOR...   a process left behind does not keep the output
#                                               open after the program has ended
#   wine_run_test.sh refuses PROGRAM EMULATOR...   a test program under another code page than
#                                               VELTO_CODEPAGE names runs no test and fails
#   wine_run_test.sh desktop PROGRAM EMULATOR...   the prefix's desktop process outlives a
#                                               program: it runs on, the same one, 3 s after it
#   wine_run_test.sh guard PROBE EMULATOR...    a smashed stack guard ends the program at once
#   wine_run_test.sh nokeeper PROGRAM EMULATOR...  without its desktop keeper wine-run fails at
#                                               once, naming it, and runs nothing
#   wine_run_test.sh running PROGRAM EMULATOR...   --running sees this state's Wine, and none
#                                               for a state of its own beside it
set -uo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
[ $# -ge 3 ] || { echo "usage: wine_run_test.sh crash|linger|refuses|desktop|guard|nokeeper|running PROGRAM EMULATOR..." >&2; exit 2; }
command=$1 program=$2
shift 2
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# The output is read through a pipe, as CTest reads it: the run ends when the pipe closes.
run() { # run ARGS...: sets status and seconds
    local start end
    start=$(date +%s%N)
    # Ten seconds at most: a program held by a debugger, say, fails here, not by CTest's time-out.
    timeout -k 2 10 "$@" 2>&1 | cat >"$log"
    status=${PIPESTATUS[0]}
    end=$(date +%s%N)
    seconds=$(( (end - start) / 1000000000 ))
    cat "$log"
}

case "$command" in
crash)
    run "$@" "$program" crash
    [ "$status" -eq 5 ] || fail "exit status $status, not 5 (the low byte of 0xC0000005)"
    grep -q 'ended with exit status 5' "$log" || fail "wine-run did not say how it ended"
    [ "$seconds" -lt 10 ] || fail "the crashed program took $seconds s to end"
    echo "the crash ended the program in $seconds s with status $status"
    ;;
guard)
    # With the product's flags, libssp's check ends in a trap (0xC000001D): not a return, nor the
    # access violation of a smashed return address.
    run "$@" "$program"
    [ "$status" -eq 29 ] || fail "exit status $status, not 29 (the low byte of 0xC000001D)"
    if grep -q returned "$log"; then fail "the smashed frame returned"; fi
    echo "the smashed stack guard ended the program in $seconds s with status $status"
    ;;
linger)
    run "$@" "$program" linger
    [ "$status" -eq 0 ] || fail "exit status $status"
    grep -q 'left a process behind' "$log" || fail "the program's own output was lost"
    [ "$seconds" -lt 10 ] || fail "the output stayed open $seconds s after the program ended"
    echo "the output closed $seconds s after the program, with a process of it still running"
    ;;
refuses)
    # wine-run's --codepage runs it under 936 whatever VELTO_CODEPAGE says.
    VELTO_CODEPAGE=1252 run "$@" --codepage 936 "$program"
    grep -q 'expected code page 1252 (VELTO_CODEPAGE), got 936' "$log" ||
        fail "no word of the code page it expected and the one it got"
    [ "$status" -ne 0 ] || fail "it warned but passed (exit status 0)"
    if grep -q '^\[ *RUN *\]' "$log"; then fail "it ran tests under the wrong code page"; fi
    echo "refused with status $status, running no test"
    ;;
desktop)
    # Wine ends the desktop's process about a second after the last other program on it, and one
    # starting as it ends can die at once of an X error (tests/support/wine_keeper.c): wine-run
    # keeps it.
    run "$@" "$program" --gtest_list_tests
    [ "$status" -eq 0 ] || fail "exit status $status"
    state='' previous=''
    for arg in "$@"; do
        if [ "$previous" = --state ]; then state=$arg; fi
        previous=$arg
    done
    prefix=$(cd "$state" && pwd)/prefix
    desktops() { # the pids of the prefix's desktop processes
        local pid
        for pid in $(pgrep -f 'explorer\.exe /desktop'); do
            if grep -qzxF "WINEPREFIX=$prefix" "/proc/$pid/environ" 2>/dev/null; then echo "$pid"; fi
        done
    }
    first=$(desktops)
    [ -n "$first" ] || fail "no desktop process of $prefix runs after the program"
    sleep 3
    [ "$(desktops)" = "$first" ] ||
        fail "the desktop process $first did not outlive the program by 3 s (now: $(desktops))"
    echo "the desktop process $first still runs 3 s after the program ended"
    ;;
nokeeper)
    # The last --keeper counts. With the prefix up already, nothing else would stop the program.
    missing=$(mktemp -u)/wine-keeper.exe
    run "$@" --keeper "$missing" "$program" --gtest_list_tests
    [ "$status" -eq 1 ] || fail "exit status $status, not 1"
    grep -qF "no desktop keeper at $missing" "$log" || fail "no word of the missing keeper"
    if grep -q '^RegionTable\.' "$log"; then fail "it ran the program all the same"; fi
    echo "without its keeper it failed with status $status, running nothing"
    ;;
running)
    # scripts/run stops only what it started, by this answer.
    "$@" --running || fail "the prefix the tests run in is not seen running"
    other=$(mktemp -d)
    if "$@" --state "$other" --running; then
        rm -rf "$other"
        fail "an empty state folder is seen running (another prefix's wineserver runs)"
    fi
    rm -rf "$other"
    echo "this state's Wine seen running, an empty state's not"
    ;;
*)
    fail "unknown command $command"
    ;;
esac
