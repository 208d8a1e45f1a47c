#!/usr/bin/env python3
# tests/fuzz/make_corpus.py: writes the lookup fuzzer's seed corpus from region/region_table.cpp.
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
        ("miss-other-zone", "华东3区".encode("gbk")),
        ("miss-prefix-of-row", rows[15][0][:3].encode("gbk")),
        ("miss-40-bytes", b"x" * 40),
    ]
    return seeds


def main():
    rows = table_rows()
    write("fuzz_find_region", label_seeds(rows))


if __name__ == "__main__":
    main()
