#!/usr/bin/env python3
"""tests/report_test.py: bench/report.py on made-up runs whose figures are known by construction.

Every launcher run k times a floor run gives a ratio of exactly k and an interval around k, never
around 1/k; runs 100..120 have a 10th percentile of 102 and a 90th of 118; a launcher as fast as
the floor in its quickest 30 % of runs and twice as slow in the rest meets the 10th-percentile
target and misses the median's. Standard library only, as report.py.
"""
import importlib.util
import os
import sys
import unittest

sys.dont_write_bytecode = True  # nothing of ours in the source tree
_spec = importlib.util.spec_from_file_location(
    "report", os.path.join(os.path.dirname(__file__), "..", "bench", "report.py"))
report = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(report)

COLUMNS = ("ready_ms", "confirm_ms", "peak_working_set_kib", "private_kib",
           "committed_private_kib", "user_objects", "gdi_objects", "poll_period_us", "poll_gap_us")
TIMED = ("Start to ready", "Confirm to client")


def facts(**changed):
    f = {"warmup": "2", "regions": "19", "idle_ms": "500", "qpc_hz": "10000000",
         "clock_shared": "1", "client_entry_ms": "12.5", "private_source": "PagefileUsage"}
    for name, code_and_data in (("launcher", 1100), ("floor", 1000)):
        f.update({name + ".total_bytes": "5000", name + ".rsrc_bytes": "4000",
                  name + ".code_and_data_bytes": str(code_and_data), name + ".header_bytes": "1024",
                  name + ".imports": "KERNEL32.dll USER32.dll", name + ".imports_all_system": "1"})
    f.update(changed)
    return f


def rows(launcher, floor, **changed):
    """The report's table for runs whose every measure is these values, as {label: cells}."""
    samples = [dict({c: str(v) for c in COLUMNS}, program=program, run=str(i + 1))
               for program, values in (("launcher", launcher), ("floor", floor))
               for i, v in enumerate(values)]
    table = {}
    text = report.report(samples, facts(**changed))
    for line in text.splitlines():
        cells = [c.strip() for c in line.strip("|").split("|")]
        if len(cells) == 11:
            table[cells[0]] = cells[1:]
        elif line.startswith("- Code and data") or line.startswith("- Imports"):
            table[line.split(":")[0][2:]] = line
    return table


def interval(cells):
    low, high = cells[7].split(" to ")
    return float(low), float(high)


class RatiosAndIntervals(unittest.TestCase):
    def test_every_launcher_run_k_times_a_floor_run(self):
        floor = [100.0 + i for i in range(21)]
        for k, verdict in ((1.5, "MISSED"), (0.5, "met"),
                           (1.04, "within the target here, but not decided: the interval spans it"),
                           (1.06, "over the target here, but not decided: the interval spans it")):
            table = rows([k * v for v in floor], floor)
            for label, cells in table.items():
                if not label.startswith(TIMED):
                    continue
                with self.subTest(k=k, row=label):
                    self.assertEqual(cells[6], "%.3f" % k)
                    low, high = interval(cells)
                    # Drawn again, each program's figure stays within its runs' range.
                    self.assertTrue(k * 100 / 120 - 1e-3 <= low <= k <= high <= k * 1.2 + 1e-3,
                                    cells[7])
                    self.assertEqual(cells[8:], ["at most 1.05", verdict])

    def test_the_targets_own_ratio_meets_it(self):
        table = rows([105.0] * 20, [100.0] * 20, **{"launcher.code_and_data_bytes": "1100"})
        self.assertEqual(table["Start to ready (ms)"][6:],
                         ["1.050", "1.050 to 1.050", "at most 1.05", "met"])
        self.assertTrue(table["Code and data"].endswith("1.100, target at most 1.10: met."))
        table = rows([105.0] * 20, [100.0] * 20, **{"launcher.code_and_data_bytes": "1101",
                                                     "launcher.imports_all_system": "0"})
        self.assertTrue(table["Code and data"].endswith("1.101, target at most 1.10: MISSED."))
        self.assertTrue(table["Imports"].endswith("MISSED."), table["Imports"])


class Percentiles(unittest.TestCase):
    def test_the_rows_take_the_10th_percentile_and_the_median(self):
        floor = [100.0 + i for i in range(21)]
        table = rows([2 * v for v in floor], floor)
        for measure in TIMED:
            self.assertEqual(table[measure + " (ms)"][:6],
                             ["220.00", "200.00", "240.00", "110.00", "100.00", "120.00"])
            self.assertEqual(table[measure + ", 10th percentile (ms)"][:6],
                             ["204.00", "", "", "102.00", "", ""])

    def test_a_launcher_slow_only_in_its_slower_runs_meets_only_the_10th_percentile(self):
        table = rows([100.0] * 12 + [200.0] * 28, [100.0] * 40)
        for measure in TIMED:
            self.assertEqual(table[measure + " (ms)"][6:],
                             ["2.000", "2.000 to 2.000", "at most 1.05", "MISSED"])
            self.assertEqual(table[measure + ", 10th percentile (ms)"][6:],
                             ["1.000", "1.000 to 1.000", "at most 1.05", "met"])

    def test_a_floor_reading_zero_has_no_ratio(self):
        table = rows([3.0] * 5, [0.0] * 5)
        self.assertEqual(table["GDI objects"][6:], ["n/a", "", "none", "n/a: the floor reads 0"])
        self.assertEqual(table["Start to ready (ms)"][6:],
                         ["n/a", "", "yes", "n/a: the floor reads 0"])


class Clock(unittest.TestCase):
    def test_runs_whose_client_had_another_clock_get_no_report(self):
        with self.assertRaises(SystemExit) as refused:
            rows([1.0] * 3, [1.0] * 3, clock_shared="0")
        self.assertIn("clock is not ours", str(refused.exception))


if __name__ == "__main__":
    unittest.main()
