#!/usr/bin/env bash
# tests/setup_test.sh SCENARIO: scripts/setup's decisions, without the network and without
# touching this machine. Stand-ins for apt-get, dpkg, dpkg-query, arch-test, locale, locale-gen
# and sleep go first on PATH and fail the way the real ones do on a bad day; the system's files
# (os-release, locale.gen) are a scratch folder's (VELTO_SETUP_ROOT). The machine has other
# encodings of the five locales generated already (zh_CN.gb18030, ko_KR.euckr, ...), which are
# not the ones Wine needs. Every scenario checks at the end what its purpose needs whatever
# happened: everything installed and the five UTF-8 locales generated, or else one last line that
# names the cause and what to do, and no dpkg left with unconfigured packages.
#
# Scenarios: mirror-sync (Debian 12 on a machine that runs 32-bit code: an index fails, then the
# install's dependencies cannot be met), trixie (a fresh minimal Debian 13 on one that cannot, as
# CI's), lists-lock (another apt holds the package lists at first), offline (downloads keep
# failing), broken (dependencies cannot be met even from the release alone), dpkg-error (dpkg
# fails halfway through the install), present (nothing to do, for either purpose), run and run32
# (`setup run`, then `setup test`, on a machine that cannot run 32-bit code and on one that can).
set -euo pipefail

scenario=${1:?usage: setup_test.sh SCENARIO}
setup=$(cd "$(dirname "$0")/.." && pwd)/scripts/setup
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin state=$work/state root=$work/root
mkdir -p "$bin" "$state" "$root/etc"

fail() { echo "FAIL ($scenario): $*" >&2; exit 1; }

# --- The stand-ins. Each records its call in $state/calls. ---------------------------------
# apt-get's behaviour is $state/install: one outcome a line, one line used an install (the last
# line is kept for the rest): ok, deps (with an i386 package, unless pinned with -t),
# deps-always, download (failed after apt's own tries), half (dpkg fails with packages unpacked). $state/update-fails makes every
# update fail as a mirror mid-sync does; $state/lists-locked holds how many updates find the
# package lists locked first. $state/catalog lists the packages the release has.
cat >"$bin/apt-get" <<'SH'
#!/usr/bin/env bash
state=$STANDIN_STATE
echo "apt-get $*" >>"$state/calls"
n=$(grep -c '^apt-get' "$state/calls")
if [ "$n" -gt 12 ]; then echo "E: stand-in: apt-get called $n times" >&2; exit 100; fi
args=() pinned=
while [ $# -gt 0 ]; do
    case "$1" in
        -o) shift 2 ;;
        -t) pinned=$2; shift 2 ;;
        -*) shift ;;
        *) args+=("$1"); shift ;;
    esac
done
case "${args[0]}" in
    update)
        u=$(grep -c '^apt-get.* update' "$state/calls")
        if [ "$u" -le "$(cat "$state/lists-locked" 2>/dev/null || echo 0)" ]; then
            echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (apt-get)"
            echo "E: Unable to lock directory /var/lib/apt/lists/"
            exit 100
        fi
        if [ -f "$state/update-fails" ]; then
            echo "Err:7 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
            echo "  File has unexpected size (433560 != 433512). Mirror sync in progress? [IP: 151.101.2.132 80]"
            echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (433560 != 433512). Mirror sync in progress? [IP: 151.101.2.132 80]"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
            exit 100
        fi
        echo "Reading package lists... Done"; exit 0 ;;
    install)
        unknown=$(printf '%s\n' "${args[@]:1}" | grep -m1 -vxF -f "$state/catalog" || true)
        if [ -n "$unknown" ]; then echo "E: Unable to locate package $unknown"; exit 100; fi
        k=$(grep -c '^apt-get.* install' "$state/calls")
        outcome=$(sed -n "${k}p" "$state/install"); [ -n "$outcome" ] || outcome=$(tail -n1 "$state/install")
        case "$outcome" in
            deps)  # amd64 and i386 twins from different suites: only with an i386 package
                if [ -z "$pinned" ] && printf '%s\n' "${args[@]}" | grep -q ':i386$'; then
                    outcome=deps-always
                else
                    outcome=ok
                fi ;;
        esac
        case "$outcome" in
            ok) printf '%s\n' "${args[@]:1}" >>"$state/installed"; exit 0 ;;
            deps-always)
                echo "The following packages have unmet dependencies:"
                echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4)"
                echo "E: Unable to correct problems, you have held broken packages."
                exit 100 ;;
            download)
                echo "Err:1 http://deb.debian.org/debian bookworm/main amd64 cmake amd64 3.25.1-1"
                echo "  Temporary failure resolving 'deb.debian.org'"
                echo "E: Failed to fetch http://deb.debian.org/debian/pool/main/c/cmake/cmake_3.25.1-1_amd64.deb  Temporary failure resolving 'deb.debian.org'"
                echo "E: Unable to fetch some archives, maybe run apt-get update or try with --fix-missing?"
                exit 100 ;;
            half)
                touch "$state/half"
                echo "dpkg: error processing package wine32:i386 (--configure):"
                echo " installed wine32:i386 package post-installation script subprocess returned error exit status 1"
                echo "E: Sub-process /usr/bin/dpkg returned an error code (1)"
                exit 100 ;;
        esac ;;
esac
echo "stand-in apt-get: unexpected call: $*" >&2; exit 100
SH
# Runs only once installed; says whether this machine runs 32-bit x86 code ($state/runs32).
cat >"$bin/arch-test" <<'SH'
#!/usr/bin/env bash
echo "arch-test $*" >>"$STANDIN_STATE/calls"
grep -qxF arch-test "$STANDIN_STATE/installed" || { echo "arch-test: command not found" >&2; exit 127; }
[ "$*" = "-n i386" ] || { echo "stand-in arch-test: unexpected call: $*" >&2; exit 2; }
if [ -f "$STANDIN_STATE/runs32" ]; then echo "i386: ok"; else echo "i386: not supported"; exit 1; fi
SH
cat >"$bin/dpkg" <<'SH'
#!/usr/bin/env bash
state=$STANDIN_STATE
echo "dpkg $*" >>"$state/calls"
case "$*" in
    --print-foreign-architectures) cat "$state/foreign" 2>/dev/null; exit 0 ;;
    "--add-architecture i386") echo i386 >>"$state/foreign"; exit 0 ;;
    --audit)
        if [ -f "$state/half" ]; then
            echo "The following packages are only half configured, probably due to problems"
            echo "configuring them the first time.  The configuration should be retried using"
            echo "dpkg --configure <package> or the configure menu option in dselect:"
            echo " wine32:i386          Windows API implementation - 32-bit binary loader"
        fi
        exit 0 ;;
    "--configure -a")
        if [ -f "$state/half" ]; then rm "$state/half"; echo wine32:i386 >>"$state/installed"; fi
        exit 0 ;;
esac
echo "stand-in dpkg: unexpected call: $*" >&2; exit 2
SH
# Answers the one question setup asks of dpkg: which of these are installed, as the real one
# words it. Packages without an architecture are amd64's.
cat >"$bin/dpkg-query" <<'SH'
#!/usr/bin/env bash
[ "$1 $2" = '-W -f=${Status} ${Package} ${Package}:${Architecture}\n' ] ||
    { echo "stand-in dpkg-query: unexpected call: $*" >&2; exit 2; }
shift 2
declare -A installed=()
if [ ! -f "$STANDIN_STATE/half" ]; then
    while read -r pkg; do installed[$pkg]=1; done <"$STANDIN_STATE/installed"
fi
status=0
for pkg; do
    if [ -n "${installed[$pkg]:-}" ]; then
        arch=amd64; [[ "$pkg" != *:* ]] || arch=${pkg#*:}
        printf 'install ok installed %s %s:%s\n' "${pkg%%:*}" "${pkg%%:*}" "$arch"
    else
        echo "dpkg-query: no packages found matching $pkg" >&2; status=1
    fi
done
exit $status
SH
cat >"$bin/locale" <<'SH'
#!/usr/bin/env bash
[ "$*" = -a ] || { echo "stand-in locale: unexpected call: $*" >&2; exit 2; }
cat "$STANDIN_STATE/locales"
SH
# Generates what locale.gen names, as locale -a then lists it (hi_IN UTF-8 gives hi_IN.utf8).
cat >"$bin/locale-gen" <<'SH'
#!/usr/bin/env bash
echo "locale-gen $*" >>"$STANDIN_STATE/calls"
sed -nE 's/^([a-z]{2}_[A-Z]{2})(\.UTF-8)? UTF-8$/\1.utf8/p' "$VELTO_SETUP_ROOT/etc/locale.gen" |
    while read -r l; do grep -qxF "$l" "$STANDIN_STATE/locales" || echo "$l" >>"$STANDIN_STATE/locales"; done
SH
cat >"$bin/sleep" <<'SH'
#!/usr/bin/env bash
echo "sleep $*" >>"$STANDIN_STATE/calls"
SH
# Setup run by a user other than root goes through sudo: here that runs the command as it is.
cat >"$bin/sudo" <<'SH'
#!/usr/bin/env bash
exec "$@"
SH
for tool in fc-list fc-cache; do
    printf '#!/usr/bin/env bash\necho "stand-in %s: setup touched the fonts of a root without Wine" >&2; exit 2\n' \
        "$tool" >"$bin/$tool"
done
chmod +x "$bin"/*

# --- The system: a release, its packages, a fresh locale.gen. ---------------------------------
# What each purpose must end with. Building and running the launcher: the same on any machine...
run_common=(make cmake googletest procps util-linux xvfb xauth x11-apps netpbm wine fonts-wine
            fontconfig fonts-wqy-zenhei fonts-arphic-uming locales arch-test)
# ...with the 32-bit Windows compiler and Wine where 32-bit code runs, else the 64-bit ones.
run_32=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine32:i386)
run_64=(g++-mingw-w64-x86-64-posix wine64)
# What only the tests, the fuzzer, lint and the release need: never installed by `setup run`;
# where 32-bit code cannot run, the 32-bit compiler of the build that ships too.
test_only=(g++ git clang clang-tidy cppcheck osslsigncode openssl python3-pil fonts-dejavu-core)
test_64=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
release() { # release 12|13
    if [ "$1" = 12 ]; then
        printf 'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nNAME="Debian GNU/Linux"\nVERSION_ID="12"\nVERSION="12 (bookworm)"\nVERSION_CODENAME=bookworm\nID=debian\n' >"$root/etc/os-release"
        rt=libclang-rt-14-dev
    else
        printf 'PRETTY_NAME="Debian GNU/Linux 13 (trixie)"\nNAME="Debian GNU/Linux"\nVERSION_ID="13"\nVERSION="13 (trixie)"\nVERSION_CODENAME=trixie\nID=debian\n' >"$root/etc/os-release"
        rt=libclang-rt-19-dev
    fi
    printf '%s\n' "${run_common[@]}" "${run_32[@]}" "${run_64[@]}" "${test_only[@]}" "$rt" python3 \
        >"$state/catalog"
}
machine() { # machine 32|64: whether it runs 32-bit x86 code; sets what `setup test` ends with
    if [ "$1" = 32 ]; then
        touch "$state/runs32"
        test_all=("${run_common[@]}" "${run_32[@]}" "${test_only[@]}" "$rt" python3)
        not_test=("${run_64[@]}")
    else
        test_all=("${run_common[@]}" "${run_64[@]}" "${test_64[@]}" "${test_only[@]}" "$rt" python3)
        not_test=(wine32:i386)
    fi
}
echo util-linux >"$state/installed"
printf 'C\nC.utf8\nPOSIX\nen_US\nen_US.iso88591\nja_JP.eucjp\nko_KR.euckr\nzh_CN\nzh_CN.gb18030\n' >"$state/locales"
# As Debian's locales package writes it, with the other encodings generated: the rest commented out.
cat >"$root/etc/locale.gen" <<'EOF'
# This file lists locales that you wish to have built. You can find a list
# of valid supported locales at /usr/share/i18n/SUPPORTED, and you can add
# user defined locales to /usr/local/share/i18n/SUPPORTED. If you change
# this file, you need to rerun locale-gen.

# en_GB.UTF-8 UTF-8
en_US ISO-8859-1
# en_US.UTF-8 UTF-8
# hi_IN UTF-8
ja_JP.EUC-JP EUC-JP
# ja_JP.UTF-8 UTF-8
ko_KR.EUC-KR EUC-KR
# ko_KR.UTF-8 UTF-8
zh_CN GB2312
zh_CN.GB18030 GB18030
# zh_CN.UTF-8 UTF-8
EOF

purposes=(test)
case "$scenario" in
    mirror-sync) release 12; machine 32; touch "$state/update-fails"; echo deps >"$state/install" ;;
    trixie) release 13; machine 64; echo ok >"$state/install" ;;
    lists-lock) release 13; machine 64; echo 2 >"$state/lists-locked"; echo ok >"$state/install" ;;
    offline) release 13; machine 64; echo download >"$state/install" ;;
    broken) release 12; machine 32; echo deps-always >"$state/install" ;;
    dpkg-error) release 13; machine 64; echo half >"$state/install" ;;
    present)
        release 13
        machine 64
        purposes=(test run)
        printf '%s\n' "${test_all[@]}" >>"$state/installed"
        printf '%s.utf8\n' zh_CN en_US ja_JP ko_KR hi_IN >>"$state/locales"
        echo i386 >"$state/foreign"
        echo ok >"$state/install" ;;
    run) release 13; machine 64; purposes=(run test); echo ok >"$state/install" ;;
    run32) release 12; machine 32; purposes=(run test); echo ok >"$state/install" ;;
    *) echo "setup_test.sh: no scenario $scenario" >&2; exit 2 ;;
esac
touch "$state/calls"

# --- Run it. ----------------------------------------------------------------------------------
calls() { grep -c -- "$1" "$state/calls" || true; }
lacking() { # lacking FILE WORD...: those of the words that are not a line of FILE
    printf '%s\n' "${@:2}" | grep -vxF -f "$1" | tr '\n' ' ' || true
}
# One last line from setup: what failed and what to do, after a semicolon.
expect_failure() { # expect_failure REGEX-OF-THE-CAUSE
    [ "$status" -eq 1 ] || fail "setup exited $status, not 1"
    [[ "$last" =~ ^setup:\ cannot\ install:\ .*$1.*\;\ .+ ]] ||
        fail "setup's last line does not name the cause /$1/ and what to do: $last"
}

for purpose in "${purposes[@]}"; do
    status=0
    PATH=$bin:$PATH STANDIN_STATE=$state VELTO_SETUP_ROOT=$root \
        timeout 30 "$setup" "$purpose" >"$work/out" 2>"$work/err" || status=$?
    echo "--- setup $purpose: output"; cat "$work/out"; echo "--- errors"; cat "$work/err"
    echo "--- calls so far"; cat "$state/calls"; echo "---"
    last=$(tail -n1 "$work/err")
    cp "$state/installed" "$work/installed-after-$purpose"
    cp "$state/calls" "$work/calls-after-$purpose"
    [ "$status" -ne 124 ] || fail "setup $purpose did not finish within 30 s"
    [ ! -f "$state/half" ] || fail "setup left dpkg with packages unpacked but not configured"
    case "$scenario" in offline|broken|dpkg-error) continue ;; esac

    [ "$status" -eq 0 ] || fail "setup $purpose exited $status"
    [ -z "$(lacking "$state/locales" {zh_CN,en_US,ja_JP,ko_KR,hi_IN}.utf8)" ] ||
        fail "the locales $(lacking "$state/locales" {zh_CN,en_US,ja_JP,ko_KR,hi_IN}.utf8) were not generated"
    if [ "$purpose" = test ]; then
        [ -z "$(lacking "$state/installed" "${test_all[@]}")" ] ||
            fail "$(lacking "$state/installed" "${test_all[@]}") not installed"
        extra=$(printf '%s\n' "${not_test[@]}" | grep -xF -f "$state/installed" || true)
        [ -z "$extra" ] || fail "setup test installed" $extra "on a machine that has no use for it"
        if [ -f "$state/runs32" ]; then
            grep -qx 'i386' "$state/foreign" || fail "the i386 architecture was not added"
        else
            ! grep -q '^dpkg --add-architecture' "$state/calls" ||
                fail "i386 added where 32-bit code cannot run"
        fi
    fi
done

installs=$(calls '^apt-get.* install ')
updates=$(calls '^apt-get.* update')
sleeps=$(calls '^sleep ')

case "$scenario" in
    mirror-sync)
        # Once, and once more with i386 added; never again for a failed download: apt retries it.
        [ "$updates" -eq 2 ] && [ "$sleeps" -eq 0 ] ||
            fail "apt-get update ran $updates times with $sleeps pauses, not twice with none"
        grep -q 'warning: some package indexes could not be downloaded' "$work/err" ||
            fail "no warning about the index that failed"
        # arch-test first, to tell which Windows build; then the rest, again pinned.
        [ "$installs" -eq 3 ] || fail "apt-get install ran $installs times, not 3"
        grep '^apt-get.* install ' "$state/calls" | sed -n 3p | grep -q -- '-t bookworm ' ||
            fail "the install that failed was not tried again pinned to bookworm"
        grep -q -- "libclang-rt-14-dev" "$state/calls" || fail "Debian 12's clang runtime was not asked for" ;;
    trixie)
        [ "$installs" -eq 2 ] && [ "$updates" -eq 1 ] && [ "$sleeps" -eq 0 ] ||
            fail "a fresh Debian 13 took $updates updates, $installs installs and $sleeps pauses, not 1, 2 (arch-test first), 0"
        ! grep -q -- '-t trixie' "$state/calls" || fail "an install that worked was pinned anyway"
        # apt retries each failed download, with a doubling delay, and waits for dpkg's lock.
        while read -r call; do
            for option in Acquire::Retries=5 Acquire::Retries::Delay=true \
                          Acquire::Retries::Delay::Maximum=30 DPkg::Lock::Timeout=120; do
                [[ " $call " == *" -o $option "* ]] || fail "$option not given to: $call"
            done
        done < <(grep '^apt-get' "$state/calls") ;;
    lists-lock)
        [ "$updates" -eq 3 ] && [ "$(calls '^sleep 10')" -eq 2 ] ||
            fail "apt-get update ran $updates times with $sleeps pauses, not 3 with 2 of 10 s"
        grep -q 'waiting for it' "$work/out" || fail "setup did not say it waits for another apt"
        ! grep -q 'warning' "$work/err" || fail "a lock taken for a failed download" ;;
    offline)
        expect_failure "downloads failed even after apt's own tries.*Temporary failure resolving"
        [ "$installs" -eq 1 ] && [ "$sleeps" -eq 0 ] ||
            fail "apt-get install ran $installs times with $sleeps pauses: apt has tried already" ;;
    broken)
        expect_failure 'dependencies cannot be met even from bookworm alone.*held broken packages'
        [ "$installs" -eq 2 ] || fail "apt-get install ran $installs times, not 2" ;;
    dpkg-error)
        expect_failure 'dpkg returned an error'
        grep -q '^dpkg --configure -a' "$state/calls" || fail "dpkg --configure -a was not run" ;;
    present)
        [ "$(grep -c 'setup: nothing to install' "$work/out")" -eq 1 ] ||
            fail "setup run did not say there is nothing to install"
        ! grep -qE '^(apt-get|dpkg --add|locale-gen|sleep)' "$state/calls" ||
            fail "setup went to apt, dpkg or locale-gen with nothing to do" ;;
    run|run32)
        if [ "$scenario" = run ]; then want=("${run_common[@]}" "${run_64[@]}") not=("${run_32[@]}")
        else want=("${run_common[@]}" "${run_32[@]}") not=("${run_64[@]}"); fi
        [ -z "$(lacking "$work/installed-after-run" "${want[@]}")" ] ||
            fail "setup run did not install $(lacking "$work/installed-after-run" "${want[@]}")"
        extra=$(printf '%s\n' "${not[@]}" "${test_only[@]}" "$rt" | grep -xF -f "$work/installed-after-run" || true)
        [ -z "$extra" ] || fail "setup run installed" $extra
        if [ "$scenario" = run32 ]; then
            grep -q '^dpkg --add-architecture i386' "$work/calls-after-run" ||
                fail "setup run did not add i386 for wine32"
        fi ;;
esac
echo "PASS ($scenario)"
