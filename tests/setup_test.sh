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
# Setup runs in a Chinese deployer's shell (LANG, LC_ALL and LANGUAGE zh_CN), and apt-get answers
# in Chinese, as the real one does, unless the C locale is asked for.
#
# Scenarios: mirror-sync (Debian 12 on a machine that runs 32-bit code: an index fails, then the
# install's dependencies cannot be met), trixie (a fresh minimal Debian 13 on one that cannot, as
# CI's), lists-lock and lists-held (another apt holds the package lists at first; past apt's own
# wait), offline (downloads keep failing), broken (as a user, through sudo: dependencies cannot be
# met even from the release alone), dpkg-error and dpkg-stuck (dpkg fails halfway through the
# install; and cannot configure what it unpacked), unknown and unknown-mid-sync (the release has
# no such package; after a source without a Release file, and after an index failed), present
# (nothing to do, for either purpose), run and run32 (`setup run`, then `setup test`, on a
# machine that cannot run 32-bit code and on one that can, with Wine's Marlett), apt-killed (apt
# ends without a word), no-locale-data (locale-gen makes nothing), cut-short (a run cut short left dpkg
# with packages unpacked, not configured), forky (a release after 13, whose clang setup learns
# once it is installed).
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
# deps-always, download (failed after apt's own tries), half (dpkg fails with packages
# unpacked). $state/update-fails makes every update fail as a mirror mid-sync does;
# $state/lists-locked holds how many updates find the package lists locked first. $state/catalog
# lists the packages the release has. Its words are the real apt's, and in Chinese unless the C
# locale is asked for (LC_ALL, else LC_MESSAGES, else LANG, as gettext reads them; LANGUAGE
# counts only outside C, where this speaks Chinese anyway).
cat >"$bin/apt-get" <<'SH'
#!/usr/bin/env bash
state=$STANDIN_STATE
echo "apt-get $*" >>"$state/calls"
n=$(grep -c '^apt-get' "$state/calls")
if [ "$n" -gt 20 ]; then echo "E: stand-in: apt-get called $n times" >&2; exit 100; fi
[ "${DEBIAN_FRONTEND:-}" = noninteractive ] ||
    { echo "stand-in apt-get: DEBIAN_FRONTEND='${DEBIAN_FRONTEND:-}': a package's question would wait" >&2; exit 100; }
case "${LC_ALL:-${LC_MESSAGES:-${LANG:-C}}}" in C|POSIX) zh= ;; *) zh=1 ;; esac
t() { if [ -n "$zh" ]; then echo "$2"; else echo "$1"; fi; }  # t ENGLISH CHINESE
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
            t "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (apt-get)" "E: 无法获得锁 /var/lib/apt/lists/lock。锁正由进程 4242（apt-get）持有"
            t "E: Unable to lock directory /var/lib/apt/lists/" "E: 无法对目录 /var/lib/apt/lists/ 加锁"
            exit 100
        fi
        if [ "$(cat "$state/update-fails" 2>/dev/null)" = release ]; then  # a source that is wrong
            t "E: The repository 'http://deb.debian.org/debian trixie Release' does not have a Release file." "E: 仓库 “http://deb.debian.org/debian trixie Release” 没有 Release 文件。"
            exit 100
        elif [ -f "$state/update-fails" ]; then
            url=http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
            size=$(t "File has unexpected size (433560 != 433512). Mirror sync in progress?" "文件尺寸不符(433560 != 433512)。您使用的镜像正在同步中？")
            t "Err:7 http://deb.debian.org/debian-security bookworm-security/main i386 Packages" "错误:7 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
            echo "  $size [IP: 151.101.2.132 80]"
            t "E: Failed to fetch $url  $size [IP: 151.101.2.132 80]" "E: 无法下载 $url  $size [IP: 151.101.2.132 80]"
            t "E: Some index files failed to download. They have been ignored, or old ones used instead." "E: 部分索引文件下载失败。如果忽略它们，那将转而使用旧的索引文件。"
            exit 100
        fi
        t "Reading package lists... Done" "正在读取软件包列表... 完成"; exit 0 ;;
    install)
        unknown=$(printf '%s\n' "${args[@]:1}" | grep -m1 -vxF -f "$state/catalog" || true)
        if [ -n "$unknown" ]; then t "E: Unable to locate package $unknown" "E: 无法定位软件包 $unknown"; exit 100; fi
        k=$(grep -c '^apt-get.* install' "$state/calls")
        outcome=$(sed -n "${k}p" "$state/install"); [ -n "$outcome" ] || outcome=$(tail -n1 "$state/install")
        case "$outcome" in
            deps)  # amd64 and i386 twins from different suites: only with an i386 package
                if [ -z "$pinned" ] && printf '%s\n' "${args[@]}" | grep -q ':i386$'; then
                    outcome=sync
                else
                    outcome=ok
                fi ;;
        esac
        case "$outcome" in
            ok) printf '%s\n' "${args[@]:1}" >>"$state/installed"; exit 0 ;;
            sync|deps-always)  # as apt 2.6 words each (sync: seen on a root mid-sync)
                t "The following packages have unmet dependencies:" "下列软件包有未满足的依赖关系："
                t " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4)" " wine32:i386 : 依赖: libwine:i386 (= 8.0~repack-4)"
                if [ "$outcome" = sync ]; then
                    t "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." "E: 错误，pkgProblemResolver::Resolve 发生故障，这可能是有软件包被要求保持现状的缘故。"
                else
                    t "E: Unable to correct problems, you have held broken packages." "E: 无法修正错误，因为您要求某些软件包保持现状，就是它们破坏了软件包间的依赖关系。"
                fi
                exit 100 ;;
            download)
                url=http://deb.debian.org/debian/pool/main/c/cmake/cmake_3.25.1-1_amd64.deb
                why=$(t "Temporary failure resolving 'deb.debian.org'" "暂时不能解析域名“deb.debian.org”")
                t "Err:1 http://deb.debian.org/debian bookworm/main amd64 cmake amd64 3.25.1-1" "错误:1 http://deb.debian.org/debian bookworm/main amd64 cmake amd64 3.25.1-1"
                echo "  $why"
                t "E: Failed to fetch $url  $why" "E: 无法下载 $url  $why"
                t "E: Unable to fetch some archives, maybe run apt-get update or try with --fix-missing?" "E: 有几个软件包无法下载，要不运行 apt-get update 或者加上 --fix-missing 的选项再试试？"
                exit 100 ;;
            killed) kill -KILL $$ ;;  # and says nothing
            half)
                touch "$state/half"
                t "dpkg: error processing package wine32:i386 (--configure):" "dpkg: 处理软件包 wine32:i386 (--configure)时出错："
                t " installed wine32:i386 package post-installation script subprocess returned error exit status 1" " installed wine32:i386 package post-installation script 子进程返回错误状态 1"
                t "E: Sub-process /usr/bin/dpkg returned an error code (1)" "E: 子进程 /usr/bin/dpkg 返回了一个错误号 (1)"
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
        if [ -f "$state/stuck" ]; then echo "dpkg: error processing package wine32:i386 (--configure):"; exit 1; fi
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
[ ! -f "$STANDIN_STATE/no-locale-data" ] || exit 0  # says nothing, makes nothing
sed -nE 's/^([a-z]{2}_[A-Z]{2})(\.UTF-8)? UTF-8$/\1.utf8/p' "$VELTO_SETUP_ROOT/etc/locale.gen" |
    while read -r l; do grep -qxF "$l" "$STANDIN_STATE/locales" || echo "$l" >>"$STANDIN_STATE/locales"; done
SH
cat >"$bin/sleep" <<'SH'
#!/usr/bin/env bash
echo "sleep $*" >>"$STANDIN_STATE/calls"
SH
# Root, unless $state/user says setup runs as a user. Then through sudo, whose policy here keeps
# none of the caller's locale variables and gives root the system's own LANG (pam_env's
# /etc/default/locale), Chinese; nor DEBIAN_FRONTEND.
cat >"$bin/id" <<'SH'
#!/usr/bin/env bash
[ "$*" = -u ] || { echo "stand-in id: unexpected call: $*" >&2; exit 2; }
if [ -f "$STANDIN_STATE/user" ]; then echo 1000; else echo 0; fi
SH
cat >"$bin/sudo" <<'SH'
#!/usr/bin/env bash
echo "sudo $*" >>"$STANDIN_STATE/calls"
exec env -u LC_ALL -u LC_MESSAGES -u LANGUAGE -u DEBIAN_FRONTEND LANG=zh_CN.UTF-8 "$@"
SH
# The installed clang's version, for a release whose clang this does not know.
cat >"$bin/clang" <<'SH'
#!/usr/bin/env bash
grep -qxF clang "$STANDIN_STATE/installed" || { echo "clang: command not found" >&2; exit 127; }
echo "Debian clang version 19.1.7 (3+b1)"
SH
# Fontconfig lists Wine's Marlett once it is linked where it looks; a root without Wine's fonts
# has no business with fonts.
for tool in fc-list fc-cache; do
    printf '#!/usr/bin/env bash\necho "%s $*" >>"$STANDIN_STATE/calls"\n[ -f "$VELTO_SETUP_ROOT/usr/share/wine/fonts/marlett.ttf" ] ||\n    { echo "stand-in %s: setup touched the fonts of a root without Wine" >&2; exit 2; }\n' \
        "$tool" "$tool" >"$bin/$tool"
done
echo '[ ! -L "$VELTO_SETUP_ROOT/usr/local/share/fonts/wine/marlett.ttf" ] || echo Marlett' >>"$bin/fc-list"
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
release() { # release 12|13|14
    if [ "$1" = 12 ]; then
        printf 'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nNAME="Debian GNU/Linux"\nVERSION_ID="12"\nVERSION="12 (bookworm)"\nVERSION_CODENAME=bookworm\nID=debian\n' >"$root/etc/os-release"
        rt=libclang-rt-14-dev
    elif [ "$1" = 13 ]; then
        printf 'PRETTY_NAME="Debian GNU/Linux 13 (trixie)"\nNAME="Debian GNU/Linux"\nVERSION_ID="13"\nVERSION="13 (trixie)"\nVERSION_CODENAME=trixie\nID=debian\n' >"$root/etc/os-release"
        rt=libclang-rt-19-dev
    else  # the next, whose clang setup knows only once it is installed
        printf 'PRETTY_NAME="Debian GNU/Linux forky/sid"\nNAME="Debian GNU/Linux"\nVERSION_CODENAME=forky\nID=debian\n' >"$root/etc/os-release"
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
# As Debian's locales package writes it, with the other encodings generated: the rest commented
# out, but for ja_JP.UTF-8, whose line an edit removed.
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
    lists-held) release 13; machine 64; echo 99 >"$state/lists-locked"; echo ok >"$state/install" ;;
    offline) release 13; machine 64; echo download >"$state/install" ;;
    broken) release 12; machine 32; touch "$state/user"; echo deps-always >"$state/install" ;;
    dpkg-error|dpkg-stuck)
        release 13; machine 64; echo half >"$state/install"
        [ "$scenario" = dpkg-error ] || touch "$state/stuck" ;;
    unknown|unknown-mid-sync)
        if [ "$scenario" = unknown ]; then release 13; machine 64; echo release >"$state/update-fails"
        else release 12; machine 32; touch "$state/update-fails"; fi
        sed -i '/^cppcheck$/d' "$state/catalog"
        echo ok >"$state/install" ;;
    present)
        release 13
        machine 64
        purposes=(test run)
        printf '%s\n' "${test_all[@]}" >>"$state/installed"
        printf '%s.utf8\n' zh_CN en_US ja_JP ko_KR hi_IN >>"$state/locales"
        echo i386 >"$state/foreign"
        echo ok >"$state/install" ;;
    run) release 13; machine 64; purposes=(run test); echo ok >"$state/install" ;;
    run32)
        release 12; machine 32; purposes=(run test); echo ok >"$state/install"
        mkdir -p "$root/usr/share/wine/fonts"; touch "$root/usr/share/wine/fonts/marlett.ttf" ;;
    apt-killed) release 13; machine 64; echo killed >"$state/install" ;;
    no-locale-data) release 13; machine 64; touch "$state/no-locale-data"; echo ok >"$state/install" ;;
    cut-short) release 12; machine 32; echo i386 >"$state/foreign"; touch "$state/half"; echo ok >"$state/install" ;;
    forky) release 14; machine 64; echo ok >"$state/install" ;;
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
        LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 LANGUAGE=zh_CN:zh \
        timeout 30 "$setup" "$purpose" >"$work/out" 2>"$work/err" || status=$?
    echo "--- setup $purpose: output"; cat "$work/out"; echo "--- errors"; cat "$work/err"
    echo "--- calls so far"; cat "$state/calls"; echo "---"
    last=$(tail -n1 "$work/err")
    cp "$state/installed" "$work/installed-after-$purpose"
    cp "$state/calls" "$work/calls-after-$purpose"
    [ "$status" -ne 124 ] || fail "setup $purpose did not finish within 30 s"
    [ ! -f "$state/half" ] || [ -f "$state/stuck" ] || fail "setup left dpkg with packages unpacked but not configured"
    [ -f "$state/user" ] || ! grep -q '^sudo' "$state/calls" || fail "setup went through sudo as root"
    case "$scenario" in offline|broken|dpkg-*|unknown*|lists-held|apt-killed|no-locale-data) continue ;; esac

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
    dpkg-stuck)
        [[ "$last" == "setup: cannot install: dpkg cannot configure wine32:i386; run 'dpkg --configure -a' as root and read its error" ]] ||
            fail "setup's last line does not name what dpkg cannot configure: $last" ;;
    lists-held) expect_failure "another program still holds apt's package lists after 120s" ;;
    apt-killed) expect_failure 'apt-get install failed \(apt: see above\)' ;;
    no-locale-data)
        [[ "$last" == "setup: locale-gen did not generate zh_CN.UTF-8 en_US.UTF-8 ja_JP.UTF-8 ko_KR.UTF-8 hi_IN.UTF-8; "* ]] ||
            fail "setup's last line does not name the locales it could not generate: $last" ;;
    cut-short)
        [ "$(grep -m1 -E '^(dpkg --configure|apt-get)' "$state/calls")" = "dpkg --configure -a" ] ||
            fail "apt ran before dpkg had configured what it had unpacked" ;;
    forky)
        grep -q 'is not Debian 12 or 13, where this is proven; trying anyway' "$work/err" || fail "no warning that this is not Debian 12 or 13" ;;
    unknown)
        expect_failure 'apt knows no such package \(apt: Unable to locate package cppcheck\)' ;;
    unknown-mid-sync)
        expect_failure 'apt has no index that lists them \(apt: Unable to locate package cppcheck\), as apt-get update could not download http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz' ;;
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
            [ -L "$root/usr/local/share/fonts/wine/marlett.ttf" ] && [ "$(calls '^fc-cache')" -eq 1 ] ||
                fail "Wine's Marlett was not made visible to fontconfig, once"
        fi ;;
esac
echo "PASS ($scenario)"
