#!/usr/bin/env python3
"""tests/report_test.py: bench/report.py, run as scripts/bench runs it, on made-up runs whose
figures are known by construction.

Every launcher run k times a floor run gives a ratio of exactly k and an interval around k, never
around 1/k; runs 100..120 have a 10th percentile of 102 and a median of 110; a launcher as fast as
the floor in its quickest 30 % of runs and twice as slow in the rest meets the 10th-percentile
target and misses the median's. Standard library only, as report.py.
"""
import csv
import os
import subprocess
import sys
import tempfile
import unittest

REPORT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bench", "report.py")
COLUMNS = ("ready_ms", "confirm_ms", "peak_working_set_kib", "private_kib",
           "committed_private_kib", "user_objects", "gdi_objects", "poll_period_us", "poll_gap_us")


def facts(**changed):
    f = {"warmup": "2", "regions": "19", "idle_ms": "500", "qpc_hz": "10000000",
         "clock_shared": "1", "client_entry_ms": "12.5", "private_source": "PagefileUsage"}
    for name, code_and_data in (("launcher", 1100), ("floor", 1000)):
        f.update({name + ".total_bytes": "5000", name + ".rsrc_bytes": "4000",
                  name + ".code_and_data_bytes": str(code_and_data), name + ".header_bytes": "1024",
                  name + ".imports": "KERNEL32.dll USER32.dll", name + ".imports_all_system": "1"})
    f.update(changed)
    return f


def run(launcher, floor, gui=None, **changed):
    """report.py's exit status, output and errors for runs whose every measure is these values
    (USER and GDI objects: gui, when given)."""
    with tempfile.TemporaryDirectory() as work:
        samples, facts_file = os.path.join(work, "samples.csv"), os.path.join(work, "facts.txt")
        with open(samples, "w", newline="") as file:
            writer = csv.writer(file)
            writer.writerow(("program", "run") + COLUMNS)
            for program, values in (("launcher", launcher), ("floor", floor)):
                for i, v in enumerate(values):
                    row = [v] * len(COLUMNS)
                    if gui is not None:
                        row[5] = row[6] = gui
                    writer.writerow([program, i + 1] + row)
        with open(facts_file, "w") as file:
            file.writelines("%s=%s\n" % item for item in facts(**changed).items())
        done = subprocess.run([sys.executable, REPORT, samples, facts_file],
                              capture_output=True, text=True, timeout=60)
    return done.returncode, done.stdout, done.stderr


def rows(launcher, floor, **changed):
    """The report's table as {label: cells}, and its lines about sizes and imports by name."""
    status, text, errors = run(launcher, floor, **changed)
    assert status == 0, errors
    table = {}
    for line in text.splitlines():
        cells = [c.strip() for c in line.strip("|").split("|")]
        if len(cells) == 11 and cells[0] not in ("Measure", "---"):
            table[cells[0]] = cells[1:]
        elif line.startswith(("- Code and data", "- Imports")):
            table[line.split(":")[0][2:]] = line
    return table


class RatiosAndIntervals(unittest.TestCase):
    def test_every_launcher_run_k_times_a_floor_run(self):
        floor = [100.0 + i for i in range(21)]
        for k, verdict in ((1.5, "MISSED"), (0.5, "met"),
                           (1.04, "within the target here, but not decided: the interval spans it"),
                           (1.06, "over the target here, but not decided: the interval spans it")):
            table = rows([k * v for v in floor], floor)
            self.assertEqual(len(table), 11)
            for label, cells in table.items():
                if label in ("Code and data", "Imports"):
                    continue
                with self.subTest(k=k, row=label):
                    self.assertEqual(cells[6], "%.3f" % k)
                    low, high = map(float, cells[7].split(" to "))
                    # Drawn again, each program's figure stays within its runs' range.
                    self.assertTrue(k * 100 / 120 - 1e-3 <= low <= k <= high <= k * 1.2 + 1e-3,
                                    cells[7])
                    none = label.endswith("objects")
                    self.assertEqual(cells[8:], ["none", ""] if none else ["at most 1.05", verdict])

    def test_at_the_target_itself(self):
        table = rows([105.0] * 20, [100.0] * 20, **{"launcher.code_and_data_bytes": "1100"})
        self.assertEqual(table["Start to ready (ms)"][6:],
                         ["1.050", "1.050 to 1.050", "at most 1.05", "met"])
        self.assertTrue(table["Code and data"].endswith("1.100, target at most 1.10: met."))
        # At the target in most draws and over it in the rest: within it here, not decided.
        self.assertEqual(rows([105.0] * 21, [90.0] * 9 + [100.0] * 12)["Start to ready (ms)"][6:],
                         ["1.050", "1.050 to 1.167", "at most 1.05",
                          "within the target here, but not decided: the interval spans it"])
        table = rows([105.0] * 20, [100.0] * 20, **{"launcher.code_and_data_bytes": "1101",
                                                     "launcher.imports_all_system": "0"})
        self.assertTrue(table["Code and data"].endswith("1.101, target at most 1.10: MISSED."))
        self.assertTrue(table["Imports"].endswith("MISSED."), table["Imports"])


class Percentiles(unittest.TestCase):
    def test_each_row_takes_its_own_statistic(self):
        floor = [100.0 + i for i in range(21)]
        for label, cells in rows([2 * v for v in floor], floor).items():
            with self.subTest(row=label):
                if "10th percentile" in label:
                    self.assertEqual([float(c or 0) for c in cells[:6]], [204, 0, 0, 102, 0, 0])
                elif label not in ("Code and data", "Imports"):
                    self.assertEqual([float(c) for c in cells[:6]], [220, 200, 240, 110, 100, 120])
        # Two runs: the median lies between them.
        self.assertEqual(rows([10.0, 30.0], [10.0, 20.0])["Start to ready (ms)"][:4],
                         ["20.00", "10.00", "30.00", "15.00"])

    def test_a_launcher_slow_only_in_its_slower_runs_meets_only_the_10th_percentile(self):
        table = rows([100.0] * 12 + [200.0] * 28, [100.0] * 40)
        for measure in ("Start to ready", "Confirm to client"):
            self.assertEqual(table[measure + " (ms)"][6:],
                             ["2.000", "2.000 to 2.000", "at most 1.05", "MISSED"])
            self.assertEqual(table[measure + ", 10th percentile (ms)"][6:],
                             ["1.000", "1.000 to 1.000", "at most 1.05", "met"])


class WhatTheRunsCannotTell(unittest.TestCase):
    def test_a_floor_reading_zero_has_no_ratio(self):
        table = rows([3.0] * 5, [0.0] * 5)
        self.assertEqual(table["GDI objects"][6:], ["n/a", "", "none", "n/a: the floor reads 0"])
        self.assertEqual(table["Start to ready (ms)"][6:],
                         ["n/a", "", "yes", "n/a: the floor reads 0"])
        # Some draws of a floor that reads 0 in many runs are left out of the interval.
        table = rows([2.0] * 21, [0.0] * 10 + [1.0] * 11)
        self.assertEqual(table["Start to ready (ms)"][6], "2.000")

    def test_how_it_was_measured_follows_the_facts(self):
        _, text, _ = run([2.0] * 3, [1.0] * 3, gui=0)
        self.assertIn("| Private bytes: PagefileUsage (KiB) |", text)
        self.assertIn("PrivateUsage is 0 under Wine, so PagefileUsage", text)
        self.assertIn("(always 0 here, for both programs: Wine does not count them)", text)
        _, text, _ = run([2.0] * 3, [1.0] * 3, gui=1, private_source="PrivateUsage")
        self.assertNotIn("PagefileUsage", text)
        self.assertNotIn("always 0 here", text)

    def test_runs_it_cannot_judge_get_no_report(self):
        for launcher, floor, changed, message in (
                ([1.0] * 3, [1.0] * 3, {"clock_shared": "0"}, "clock is not ours"),
                ([1.0] * 3, [], {}, "need runs of both the launcher and the floor")):
            status, text, errors = run(launcher, floor, **changed)
            self.assertEqual((status, text), (1, ""))
            self.assertIn(message, errors)
            self.assertNotIn("Traceback", errors)


if __name__ == "__main__":
    unittest.main()
