#!/usr/bin/env bash
# tests/no_seh_test.sh BIN: scripts/check-no-seh finds each planted way for code to reach the
# exception chain, passes the C runtime's read of the TEB and a bare fs prefix, then passes the
# shipped programs in BIN.
set -uo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
bin=${1:?usage: no_seh_test.sh BIN}
check=$(cd "$(dirname "$0")/.." && pwd)/scripts/check-no-seh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Never called: each routine is one way to reach the chain's head, fs:0, one use of fs each.
cat >"$work/planted.c" <<'C'
__asm__(".text\n"
        "write_head: movl %esp, %fs:0\n ret\n"
        "write_through_register: xorl %eax, %eax\n movl %ecx, %fs:(%eax)\n ret\n"
        "push_head: pushl %fs:0\n popl %eax\n ret\n"
        "write_through_teb: movl %fs:0x18, %eax\n movl %ecx, (%eax)\n ret\n"
        "read_head_through_teb: movl %fs:0x18, %eax\n movl (%eax), %ecx\n ret\n"
        "write_after_stack_base: movl %fs:0x18, %eax\n movl 4(%eax), %edx\n movl %ecx, (%eax)\n"
        "    xorl %eax, %eax\n ret\n"
        "copy_teb: movl %fs:0x18, %eax\n movl %eax, %edx\n xorl %eax, %eax\n ret\n"
        "teb_held_at_branch: movl %fs:0x18, %eax\n ret\n"
        "copy_selector: movw %fs, %ax\n ret\n"
        "bare_prefix: .byte 0x64\n addb %bh, %bh\n ret\n");
int main(void) { return 0; }
C
i686-w64-mingw32-gcc-posix -static -o "$work/planted.exe" "$work/planted.c" ||
    fail "cannot build the planted program"
"$check" "$work/planted.exe" 2>"$work/err"
status=$?
cat "$work/err"
[ $status -eq 1 ] || fail "check-no-seh exited $status on the planted program, not 1"
found=$(grep -c "^check-no-seh: $work/planted.exe: 0x" "$work/err")
[ "$found" -eq 9 ] || fail "check-no-seh found $found of the 9 planted uses of fs"

"$check" "$bin/dudazuvi.exe" "$bin/vexa.exe" || fail "the shipped programs"
