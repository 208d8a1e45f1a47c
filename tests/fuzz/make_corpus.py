#!/usr/bin/env python3
# tests/fuzz/make_corpus.py: writes the fuzzers' seed corpora from region/region_table.cpp.
# Run from anywhere after a table change; the seeds it writes are committed.
#   tests/fuzz/make_corpus.py
import pathlib
import re
import shutil
import subprocess

ROOT = pathlib.Path(__file__).resolve().parents[2]
CORPUS = ROOT / "tests" / "fuzz" / "corpus"


def table_rows():
    """(label, command line) per row, as text, with the table's macros expanded."""
    out = subprocess.run(["g++", "-E", "-P", "-I", str(ROOT), str(ROOT / "region/region_table.cpp")],
                         check=True, capture_output=True, text=True).stdout
    body = out[out.index("g_regionTable[kRegionCount] = {"):]
    body = body[body.index("{") + 1:body.index("static_assert")]
    rows = []
    for row in re.findall(r"\{(.*?)\}", body, re.S):
        label, command = row.split(",", 1)  # labels hold no comma
        joined = ["".join(re.findall(r'"([^"\\]*)"', part)) for part in (label, command)]
        rows.append(tuple(joined))
    if len(rows) != 19:
        raise SystemExit(f"make_corpus: expected 19 rows, found {len(rows)}")
    return rows


def write(target, seeds):
    folder = CORPUS / target
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in seeds:
        (folder / name).write_bytes(data)


def label_seeds(rows):
    seeds = []
    for i, (label, _) in enumerate(rows, 1):
        gbk = label.encode("gbk")
        seeds.append((f"row{i:02}", gbk))
        seeds.append((f"row{i:02}-nul-tail", gbk + b"\0junk"))  # the lookup stops at the zero
    first = rows[0][0]
    seeds += [
        ("miss-empty", b""),
        ("miss-utf8", first.encode("utf-8")),
        ("miss-trailing-space", first.encode("gbk") + b" "),
        ("miss-leading-space", b" " + first.encode("gbk")),
        ("miss-half-character", first.encode("gbk")[:-1]),
        ("miss-cut-tag", first.split("[")[0].encode("gbk")),
        ("miss-wide-brackets", first.replace("(", "（").replace(")", "）").encode("gbk")),
        ("miss-other-zone", "华东3区".encode("gbk")),
        ("miss-prefix-of-row", rows[15][0][:3].encode("gbk")),
        ("miss-40-bytes", b"x" * 40),
    ]
    return seeds


def command_seeds(rows):
    seeds = [(f"row{i:02}", command.encode("ascii")) for i, (_, command) in enumerate(rows, 1)]
    line = rows[0][1]
    tokens = line.split(" ")

    def swap(index, value):  # 1-based token
        t = list(tokens)
        t[index - 1] = value
        return " ".join(t).encode("latin-1")  # bytes as written

    rest = line[len("vexa.exe"):]
    seeds += [
        ("ok-quoted-path", ('"C:\\Program Files\\Velto\\vexa.exe"' + rest).encode("ascii")),
        ("ok-bare-path", ("C:/Velto/VEXA.EXE" + rest).encode("ascii")),
        ("ok-no-extension", ("vexa" + rest).encode("ascii")),
        ("miss-empty", b""),
        ("miss-unclosed-quote", b'"vexa.exe 1'),
        ("miss-trailing-space", line.encode("ascii") + b" "),
        ("miss-double-space", line.replace(" ", "  ", 1).encode("ascii")),
        ("miss-tab", line.replace(" ", "\t", 1).encode("ascii")),
        ("miss-extra-token", line.encode("ascii") + b" 192.0.2.9"),
        ("miss-short", line.rsplit(" ", 1)[0].encode("ascii")),
        ("miss-head-only", " ".join(tokens[:13]).encode("ascii")),
        ("miss-count-3", swap(6, "3")),
        ("miss-port-0", swap(15, "0")),
        ("miss-port-65536", swap(15, "65536")),
        ("miss-port-leading-zero", swap(15, "015010")),
        ("miss-octet-256", swap(14, "192.0.2.256")),
        ("miss-octet-leading-zero", swap(14, "192.0.2.01")),
        ("miss-three-octets", swap(14, "192.0.2")),
        ("miss-trade-no-port", swap(5, "trade-01.velto.example")),
        ("miss-trade-port-0", swap(5, "trade-01.velto.example:0")),
        ("miss-host-trailing-dot", swap(3, "patch-a.velto.example.")),
        ("miss-host-numeric-tail", swap(3, "patch.1")),
        ("miss-host-long-label", swap(3, "a" * 64 + ".example")),
        ("miss-host-254", swap(3, ("a" * 62 + ".") * 4 + "ab")),
        ("miss-constant", swap(2, "2")),
        ("miss-patch-path", swap(4, "quenz/Patch")),
        ("miss-program", swap(1, "vexa.exe.bak")),
        ("miss-high-bytes", swap(3, "\xba\xd3.example")),
    ]
    return seeds


def main():
    rows = table_rows()
    write("fuzz_find_region", label_seeds(rows))
    write("fuzz_client_command_line", command_seeds(rows))


if __name__ == "__main__":
    main()
