#!/usr/bin/env bash
# tests/release_signing.sh: the signed release, checked from outside as a player's machine or a
# rebuilder would see it. Each command is one CTest test (tests/release_signing.cmake):
#
#   release_signing.sh prepare STATE BINDIR E2E_EXE   throwaway CA and code-signing key, a signed
#                                                     and an unsigned package, and the folders the
#                                                     Windows test programs read
#   release_signing.sh verify|tampered|unsigned|reproducible|layout STATE
#   release_signing.sh checksum|time-sources|removal-check|archive|timestamp STATE
#   release_signing.sh clean STATE                    removes STATE, keys and all
#
# The keys exist only in STATE, made here with openssl; none is ever committed. The only
# time-stamp server asked is timestamp's own, on 127.0.0.1.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
unsigned=$source_dir/build/win32/bin/dudazuvi.exe
name=Velto-$(sed -n 's/^project(Velto VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")-win32.zip

fail() { echo "FAIL: $*" >&2; exit 1; }
[ $# -ge 2 ] || { echo "usage: release_signing.sh COMMAND STATE [...]" >&2; exit 2; }
command=$1
state=$2
keys=$state/keys

# package OUT [ARGS...]: the release script as a deployer runs it, with the throwaway key.
package() {
    local out=$1
    shift
    "$source_dir/scripts/package" --sign "$keys/sign.p12" --password-file "$keys/password" \
        --ca-file "$keys/ca.pem" --out "$out" "$@"
}

# signing_path COMMAND...: runs COMMAND with an osslsigncode first in PATH that writes down its
# arguments, one a line, in STATE/argv.log, and then runs the real one: what every user of the
# machine can read in the process list while it signs.
signing_path() {
    mkdir -p "$state/argv-bin"
    cat >"$state/argv-bin/osslsigncode" <<FAKE
#!/usr/bin/env bash
printf '%s\n' "\$@" >>"$state/argv.log"
exec /usr/bin/osslsigncode "\$@"
FAKE
    chmod +x "$state/argv-bin/osslsigncode"
    PATH=$state/argv-bin:$PATH "$@"
}

# make_ca DIR CN: a self-signed certificate authority, DIR/ca.pem and DIR/ca.key.
make_ca() {
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1/ca.key" -out "$1/ca.pem" -days 2 \
        -subj "/CN=$2" -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}

# issue_cert OUT CN USAGE CA: a key OUT.key and a certificate OUT.pem for CN, for the extended
# key usage USAGE, issued by the authority whose files are CA.pem and CA.key.
issue_cert() {
    openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$2" 2>/dev/null
    printf 'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' \
        "$3" >"$1.ext"
    openssl x509 -req -in "$1.csr" -CA "$4.pem" -CAkey "$4.key" -CAcreateserial -days 2 \
        -extfile "$1.ext" -out "$1.pem" 2>/dev/null
}

# The launcher from a package's archive.
launcher_of() { # launcher_of OUT DEST
    python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read("dudazuvi.exe"))' \
        "$1/$name" >"$2"
}

# Fails unless `osslsigncode verify` (extra arguments after the file) refuses FILE.
# expect_no_release BIN OUT MESSAGE WHY: packaging into OUT with the osslsigncode found in BIN
# fails (else WHY), says MESSAGE, and leaves OUT empty.
expect_no_release() {
    local bin=$1 out=$2 message=$3 why=$4
    if PATH=$bin:$PATH package "$out" >"$out.log" 2>&1; then
        cat "$out.log" >&2
        fail "$why"
    fi
    grep -q "$message" "$out.log" || { cat "$out.log" >&2; fail "no clear message"; }
    [ -z "$(ls -A "$out")" ] || fail "left in the output folder: $(ls -A "$out")"
}

expect_refused() { # expect_refused WHY FILE [ARGS...]
    local why=$1 file=$2
    shift 2
    if osslsigncode verify -in "$file" "$@" >"$state/refused.log" 2>&1; then
        cat "$state/refused.log" >&2
        fail "$why: verification passed"
    fi
}

case "$command" in
prepare)
    [ $# -eq 4 ] || { echo "usage: release_signing.sh prepare STATE BINDIR E2E_EXE" >&2; exit 2; }
    bindir=$3
    e2e=$4
    rm -rf "$state"
    mkdir -p "$keys/other" "$state/shipped" "$state/run/bin" "$state/run/tests"
    make_ca "$keys" "Velto Throwaway Test CA"
    make_ca "$keys/other" "Unrelated Throwaway CA"
    issue_cert "$keys/leaf" "Velto Throwaway Code Signing" codeSigning "$keys/ca"
    # A password with a space and a quote: it must reach osslsigncode whole.
    printf "throw away 'now'\n" >"$keys/password"
    openssl pkcs12 -export -inkey "$keys/leaf.key" -in "$keys/leaf.pem" -certfile "$keys/ca.pem" \
        -passout "file:$keys/password" -out "$keys/sign.p12"

    signing_path package "$state/signed"
    "$source_dir/scripts/package" --out "$state/plain" >/dev/null
    launcher_of "$state/signed" "$state/shipped/dudazuvi.exe"
    cp "$source_dir/build/win32/bin/vexa.exe" "$state/shipped/"

    # The programs that start the launcher under Wine find it in ..\bin. The 64-bit test build
    # cannot run the shipped 32-bit file, so it starts its own launcher, signed the same way.
    if cmp -s "$bindir/dudazuvi.exe" "$unsigned"; then
        cp "$state/shipped/dudazuvi.exe" "$state/run/bin/"
    else
        osslsigncode sign -pkcs12 "$keys/sign.p12" -readpass "$keys/password" -h sha256 \
            -in "$bindir/dudazuvi.exe" -out "$state/run/bin/dudazuvi.exe" >/dev/null
    fi
    cp "$bindir/vexa.exe" "$state/run/bin/"
    cp "$e2e" "$state/run/tests/"
    ;;

verify)
    launcher=$state/shipped/dudazuvi.exe
    osslsigncode verify -in "$launcher" -CAfile "$keys/ca.pem" >"$state/verify.log" 2>&1 ||
        { cat "$state/verify.log" >&2; fail "the archive's launcher does not verify against the test CA"; }
    grep -q '^Message digest algorithm *: SHA256' "$state/verify.log" ||
        fail "the file digest is not SHA-256: $(grep 'Message digest algorithm' "$state/verify.log" | head -n 1)"
    grep -q 'Subject: /CN=Velto Throwaway Code Signing' "$state/verify.log" ||
        fail "not signed by the test certificate"
    # The chain matters: the same file from a signer nobody trusts is refused.
    expect_refused "checked against an unrelated CA" "$launcher" -CAfile "$keys/other/ca.pem"
    echo "the archive's launcher verifies against the test CA, SHA-256, and only against it"
    ;;

tampered)
    # One byte, in the code and in the signature itself: either is noticed.
    python3 - "$state/shipped/dudazuvi.exe" "$state" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
opt = pe + 24
first_section = opt + struct.unpack_from("<H", data, pe + 20)[0]
raw_offset = struct.unpack_from("<I", data, first_section + 20)[0]
directories = opt + (96 if struct.unpack_from("<H", data, opt)[0] == 0x10B else 112)
cert_offset, cert_size = struct.unpack_from("<II", data, directories + 4 * 8)
for name, at in (("code", raw_offset + 64), ("signature", cert_offset + cert_size - 64)):
    changed = bytearray(data)
    changed[at] ^= 0x01
    open(f"{sys.argv[2]}/tampered-{name}.exe", "wb").write(changed)
PY
    for part in code signature; do
        cmp -s "$state/tampered-$part.exe" "$state/shipped/dudazuvi.exe" &&
            fail "the $part copy was not changed"
        expect_refused "one byte of the $part changed" "$state/tampered-$part.exe" -CAfile "$keys/ca.pem"
    done

    # A signing that goes wrong stops the release: no archive, not even the one from before.
    mkdir -p "$state/fake-bin"
    cat >"$state/fake-bin/osslsigncode" <<EOF
#!/usr/bin/env bash
# Signs, then changes one byte in the middle of the output, as a faulty disk or tool might.
set -e
/usr/bin/osslsigncode "\$@"
if [ "\$1" = sign ]; then
    out=\${@: -1}
    python3 -c 'import sys; p = sys.argv[1]; d = bytearray(open(p, "rb").read()); d[len(d) // 2] ^= 1; open(p, "wb").write(d)' "\$out"
fi
EOF
    chmod +x "$state/fake-bin/osslsigncode"
    rm -rf "$state/broken"
    mkdir -p "$state/broken"
    cp "$state/signed/$name" "$state/signed/$name.sha256" "$state/broken/"
    expect_no_release "$state/fake-bin" "$state/broken" 'does not verify; no archive written' \
        "packaging went on with a launcher whose signature does not verify"

    # A wrong password fails before anything is written, too.
    printf 'not the password\n' >"$state/wrong-password"
    cp "$state/signed/$name" "$state/broken/"
    if "$source_dir/scripts/package" --sign "$keys/sign.p12" --password-file "$state/wrong-password" \
        --out "$state/broken" >"$state/broken.log" 2>&1; then
        fail "packaging signed with a wrong password"
    fi
    grep -q 'failed; no archive written' "$state/broken.log" ||
        { cat "$state/broken.log" >&2; fail "no clear message for a wrong password"; }
    [ -z "$(ls -A "$state/broken")" ] || fail "left in the output folder: $(ls -A "$state/broken")"
    echo "a changed byte fails verification; a failed signing leaves no archive"
    ;;

unsigned)
    # The unsigned package is the build's launcher untouched, and the signature comes off cleanly.
    launcher_of "$state/plain" "$state/plain.exe"
    cmp "$state/plain.exe" "$unsigned" || fail "the unsigned package's launcher is not the build's"
    osslsigncode remove-signature -in "$state/shipped/dudazuvi.exe" -out "$state/removed.exe" >/dev/null
    cmp "$state/removed.exe" "$unsigned" || fail "without its signature the launcher is not the unsigned build"
    echo "without its signature the launcher is the unsigned build, byte for byte"
    ;;

reproducible)
    # No time given: the signing time is the commit's, so packing again gives the same archive,
    # whichever way the password comes.
    VELTO_SIGN_PASSWORD=$(head -n 1 "$keys/password") signing_path "$source_dir/scripts/package" \
        --sign "$keys/sign.p12" --ca-file "$keys/ca.pem" --out "$state/again" >/dev/null
    cmp "$state/signed/$name" "$state/again/$name" || fail "two signed packages of one build differ"
    commit_time=$(git -C "$source_dir" log -1 --format=%ct)
    expected=$(LC_ALL=C date -u -d "@$commit_time" '+%b %e %H:%M:%S %Y GMT')
    launcher_of "$state/again" "$state/again.exe"
    signing_time=$(osslsigncode verify -in "$state/again.exe" -CAfile "$keys/ca.pem" 2>&1 |
                   sed -n 's/^[[:space:]]*Signing time: //p')
    [ "$signing_time" = "$expected" ] ||
        fail "signing time '$signing_time', the commit's is '$expected'"
    # The password came whole, from the file (prepare's package) and from the variable, and never as an
    # argument, which every user of the machine can read in the process list.
    grep -qx 'sign' "$state/argv.log" || fail "osslsigncode was not run through PATH"
    if grep -qF "$(head -n 1 "$keys/password")" "$state/argv.log"; then
        fail "the password is on osslsigncode's command line"
    fi
    # A given time is used, before SOURCE_DATE_EPOCH, and is all that changes.
    VELTO_SIGN_TIME=1700000000 SOURCE_DATE_EPOCH=1600000000 package "$state/given" >/dev/null
    launcher_of "$state/given" "$state/given.exe"
    osslsigncode verify -in "$state/given.exe" -CAfile "$keys/ca.pem" 2>&1 |
        grep -q 'Signing time: Nov 14 22:13:20 2023 GMT' ||
        fail "VELTO_SIGN_TIME was not used (with SOURCE_DATE_EPOCH set too)"
    cmp -s "$state/given.exe" "$state/shipped/dudazuvi.exe" && fail "another signing time gave the same bytes"
    echo "signing again gives the same archive; the signing time is the commit's ($signing_time)"
    ;;

layout)
    # The signature is the only addition: the certificate table after the unsigned bytes and the
    # two header fields that describe it (its directory entry, and the checksum over the grown
    # file). That the table is well formed and runs to the end is PeHardening's to check.
    python3 - "$unsigned" "$state/shipped/dudazuvi.exe" <<'PY'
import struct, sys
unsigned = open(sys.argv[1], "rb").read()
signed = open(sys.argv[2], "rb").read()
pe = struct.unpack_from("<I", unsigned, 0x3C)[0]
opt = pe + 24
magic = struct.unpack_from("<H", unsigned, opt)[0]
checksum_at = opt + 64
security_at = opt + (96 if magic == 0x10B else 112) + 4 * 8
allowed = set(range(checksum_at, checksum_at + 4)) | set(range(security_at, security_at + 8))
problems = [f"byte 0x{i:x} differs" for i in range(len(unsigned))
            if i not in allowed and unsigned[i] != signed[i]]
table_at, table_size = struct.unpack_from("<II", signed, security_at)
if struct.unpack_from("<II", unsigned, security_at) != (0, 0):
    problems.append("the unsigned file already has a certificate table")
start = (len(unsigned) + 7) & ~7
if table_at != start:
    problems.append(f"table at 0x{table_at:x}, not at the unsigned end 0x{start:x}")
if any(signed[len(unsigned):start]):
    problems.append("padding before the table is not zero")
for p in problems[:20]:
    print("FAIL:", p, file=sys.stderr)
if problems:
    sys.exit(1)
print(f"signed = unsigned + {table_size} bytes of certificate table; only the checksum and its directory entry changed")
PY
    ;;

checksum)
    # The archive's checksum file is SHA-256, in the form sha256sum -c reads, for both packages.
    for package in signed plain; do
        line=$(cat "$state/$package/$name.sha256")
        [[ "$line" =~ ^[0-9a-f]{64}\ \ "$name"$ ]] ||
            fail "the $package package's $name.sha256 is not one SHA-256 line: '$line'"
        (cd "$state/$package" && sha256sum --quiet -c "$name.sha256") ||
            fail "the $package package's $name.sha256 does not match its archive"
    done
    echo "each package's checksum file is the SHA-256 of its archive"
    ;;

time-sources)
    # SOURCE_DATE_EPOCH is used when VELTO_SIGN_TIME is not set, before the commit's time
    # (reproducible checks the commit's time, and VELTO_SIGN_TIME before SOURCE_DATE_EPOCH).
    SOURCE_DATE_EPOCH=1600000000 package "$state/epoch" >/dev/null
    launcher_of "$state/epoch" "$state/epoch.exe"
    got=$(osslsigncode verify -in "$state/epoch.exe" -CAfile "$keys/ca.pem" 2>&1 |
          sed -n 's/^[[:space:]]*Signing time: //p')
    [ "$got" = "Sep 13 12:26:40 2020 GMT" ] ||
        fail "with SOURCE_DATE_EPOCH alone, signed at '$got', not at SOURCE_DATE_EPOCH"
    echo "without VELTO_SIGN_TIME the signing time is SOURCE_DATE_EPOCH"
    ;;

removal-check)
    # A signer that changes more than the signature (here: removing it gives back one byte
    # changed) stops the release, though the signed file verifies.
    mkdir -p "$state/removal-bin"
    cat >"$state/removal-bin/osslsigncode" <<'FAKE'
#!/usr/bin/env bash
set -e
/usr/bin/osslsigncode "$@"
if [ "$1" = remove-signature ]; then
    python3 -c 'import sys; p = sys.argv[1]; d = bytearray(open(p, "rb").read()); d[len(d) // 2] ^= 1; open(p, "wb").write(d)' "${@: -1}"
fi
FAKE
    chmod +x "$state/removal-bin/osslsigncode"
    rm -rf "$state/removal"
    mkdir -p "$state/removal"
    expect_no_release "$state/removal-bin" "$state/removal" \
        'changed more of the launcher than its signature; no archive written' \
        "packaging went on though removing the signature did not give back the unsigned launcher"
    echo "a signing that changes more than the signature leaves no archive"
    ;;

archive)
    # What a player unpacks, from either package: these entries in this order, with the fixed date
    # and mode that keep the archive the same bytes for the same build (and none executable: unzip
    # applies the mode), and the players' page in the form Notepad reads right on every Windows the
    # launcher supports: UTF-8 with a byte-order mark, and CRLF line ends only.
    for package in signed plain; do
        python3 - "$state/$package/$name" "$source_dir" <<'PY' || fail "the $package package's archive"
import re, sys, zipfile
archive, source = sys.argv[1], sys.argv[2]
problems = []
with zipfile.ZipFile(archive) as zf:
    infos = zf.infolist()
    names = [i.filename for i in infos]
    if names != ["dudazuvi.exe", "wine-fonts.reg", "README.txt", "LICENSE"]:
        problems.append(f"entries {names}")
    for i in infos:
        mode = i.external_attr >> 16
        if i.create_system != 3 or mode != 0o644:
            problems.append(f"{i.filename}: mode {oct(mode)} from system {i.create_system}, not "
                            f"0o644 from Unix{' (executable)' if mode & 0o111 else ''}")
        if i.date_time != (1980, 1, 1, 0, 0, 0):
            problems.append(f"{i.filename}: dated {i.date_time}")
    for entry, path in (("wine-fonts.reg", "scripts/wine-fonts.reg"), ("LICENSE", "LICENSE")):
        if entry in names and zf.read(entry) != open(f"{source}/{path}", "rb").read():
            problems.append(f"{entry} is not {path}")
    page = zf.read("README.txt") if "README.txt" in names else b""
if page:
    if not page.startswith(b"\xef\xbb\xbf"):
        problems.append("README.txt has no UTF-8 byte-order mark")
    if re.search(rb"(?<!\r)\n", page):
        problems.append("README.txt has a line end without CR")
    if re.search(rb"\r(?!\n)", page) or not page.endswith(b"\r\n"):
        problems.append("README.txt has a CR that ends no line, or a last line with no line end")
    try:
        text = page.decode("utf-8").removeprefix("\ufeff").replace("\r\n", "\n")
    except UnicodeDecodeError as e:
        problems.append(f"README.txt is not UTF-8: {e}")
        text = ""
    if text and text != open(f"{source}/docs/player/README.txt", encoding="utf-8").read():
        problems.append("README.txt is not docs/player/README.txt")
    # Chinese first, the players' language, then English after a line of its own.
    chinese, marker, english = text.partition("\nEnglish\n")
    def ideographs(part): return len(re.findall(r"[\u4e00-\u9fff]", part))
    def letters(part): return len(re.findall(r"[A-Za-z]", part))
    if not marker:
        problems.append("README.txt has no line 'English' before its English part")
    elif not (ideographs(chinese) > 300 and ideographs(english) < 50 and letters(english) > 2000):
        problems.append(f"README.txt is not Chinese, then English: {ideographs(chinese)} "
                        f"ideographs before 'English'; {ideographs(english)} ideographs and "
                        f"{letters(english)} Latin letters after")
for p in problems:
    print("FAIL:", p, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
    done
    echo "both archives hold the launcher, wine-fonts.reg, the players' page (UTF-8 with BOM, CRLF," \
         "Chinese then English) and LICENSE, at a fixed date and mode"
    ;;

timestamp)
    # --timestamp must ask for an RFC 3161 time-stamp (a DER request posted as
    # application/timestamp-query), not the legacy Authenticode kind (base64 posted as
    # application/octet-stream), which osslsigncode also speaks. A throwaway time-stamp authority
    # under the test CA answers on 127.0.0.1 with openssl ts, to RFC 3161 requests only.
    tsa=$keys/tsa
    rm -rf "$tsa"
    mkdir -p "$tsa"
    issue_cert "$tsa/tsa" "Velto Throwaway Time-Stamp Authority" critical,timeStamping "$keys/ca"
    echo 01 >"$tsa/serial"
    tsa_config() { # tsa_config AUTHORITY CHAIN: the responder signs with AUTHORITY.pem and .key
        printf '%s\n' '[tsa]' 'default_tsa = throwaway' '[throwaway]' "serial = $tsa/serial" \
            "signer_cert = $1.pem" "signer_key = $1.key" "certs = $2" \
            'signer_digest = sha256' 'default_policy = 1.2.3.4.1' \
            'digests = sha256, sha384, sha512, sha1' 'ess_cert_id_alg = sha256' >"$tsa/tsa.cnf"
    }
    tsa_config "$tsa/tsa" "$keys/ca.pem"
    # It ends itself after three minutes, whatever becomes of this script.
    python3 - "$tsa" <<'PY' &
import http.server, os, subprocess, sys, threading
tsa = sys.argv[1]
log = open(f"{tsa}/requests.log", "a", buffering=1)
class Responder(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        kind = self.headers.get("Content-Type", "")
        log.write(kind + "\n")
        if kind != "application/timestamp-query":
            self.send_error(400, "RFC 3161 requests only")
            return
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", f"{tsa}/tsa.cnf",
                                "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
                               input=body, capture_output=True)
        if reply.returncode != 0:
            sys.stderr.write(reply.stderr.decode(errors="replace"))
            self.send_error(500, "openssl ts -reply failed")
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply.stdout)))
        self.end_headers()
        self.wfile.write(reply.stdout)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Responder)
threading.Timer(180, server.shutdown).start()
with open(f"{tsa}/port.part", "w") as f:
    f.write(str(server.server_port))
os.rename(f"{tsa}/port.part", f"{tsa}/port")
server.serve_forever()
PY
    responder=$!
    trap 'kill "$responder" 2>/dev/null || true' EXIT
    for _ in $(seq 100); do
        { [ -s "$tsa/port" ] || ! kill -0 "$responder" 2>/dev/null; } && break
        sleep 0.1
    done
    [ -s "$tsa/port" ] || fail "the local time-stamp responder did not start"
    url=http://127.0.0.1:$(cat "$tsa/port")/
    # No proxy may carry the request off this machine.
    stamped_package() { # stamped_package OUT: packs into OUT, time-stamped by the responder
        (
            unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY
            export no_proxy='*' NO_PROXY='*'
            package "$1" --timestamp "$url"
        ) >"$1.log" 2>&1
    }
    if ! stamped_package "$state/stamped"; then
        cat "$state/stamped.log" >&2
        fail "packaging with --timestamp failed; the server was sent:" \
             "$(sort -u "$tsa/requests.log" | paste -sd ' ')"
    fi
    kinds=$(sort -u "$tsa/requests.log" | paste -sd ' ')
    [ "$kinds" = application/timestamp-query ] ||
        fail "time-stamp requests sent as '$kinds', not only RFC 3161's application/timestamp-query"
    launcher_of "$state/stamped" "$state/stamped.exe"
    if ! osslsigncode verify -in "$state/stamped.exe" -CAfile "$keys/ca.pem" \
            -TSA-CAfile "$keys/ca.pem" >"$state/stamped-verify.log" 2>&1 ||
       ! grep -q '^Timestamp Server Signature verification: ok' "$state/stamped-verify.log"; then
        cat "$state/stamped-verify.log" >&2
        fail "no valid RFC 3161 counter-signature on the launcher"
    fi

    # A time-stamp from an authority that chains to no trusted root makes no release, though
    # osslsigncode's verify exits 0 for it.
    mkdir -p "$tsa/stranger"
    make_ca "$tsa/stranger" "Velto Throwaway Stranger CA"
    issue_cert "$tsa/stranger/tsa" "Velto Throwaway Stranger Time-Stamp Authority" \
        critical,timeStamping "$tsa/stranger/ca"
    tsa_config "$tsa/stranger/tsa" "$tsa/stranger/ca.pem"
    mkdir -p "$state/stranger"
    if stamped_package "$state/stranger"; then
        cat "$state/stranger.log" >&2
        fail "packed a launcher whose time-stamp chains to no trusted root"
    fi
    grep -q 'time-stamp on the signed launcher does not verify' "$state/stranger.log" ||
        { cat "$state/stranger.log" >&2; fail "no clear message for the untrusted time-stamp"; }
    [ -z "$(ls -A "$state/stranger")" ] || fail "left in the output folder: $(ls -A "$state/stranger")"
    echo "--timestamp asks the server for an RFC 3161 time-stamp, its counter-signature verifies," \
         "and one from an untrusted authority makes no release"
    ;;

clean)
    rm -rf "$state"
    ;;

*)
    echo "release_signing.sh: unknown command $command" >&2
    exit 2
    ;;
esac
