#!/usr/bin/env python3
"""bench/report.py: the benchmark's report, in Markdown, from what bench/driver.cpp measured.

    report.py SAMPLES.csv FACTS

SAMPLES.csv holds every run's figures, FACTS what holds for the whole set ("key=value" lines,
the driver's standard output). Each row of the report compares one statistic of the runs as
launcher / floor, with a 95% percentile-bootstrap interval over the runs: a target inside it is
not decided. The draws come from a fixed seed, so the same runs always give the same report.
Standard library only: it runs wherever the benchmark does.
"""
import csv
import random
import statistics
import sys

DRAWS = 2000
SEED = 0x9E3779B97F4A7C15

# label, column, format of one value, largest launcher/floor ratio allowed (None: no target),
# and the quantile the row compares
ROWS = [
    ("Start to ready (ms)", "ready_ms", ".2f", 1.05, 0.5),
    ("Start to ready, 10th percentile (ms)", "ready_ms", ".2f", 1.05, 0.1),
    ("Confirm to client (ms)", "confirm_ms", ".2f", 1.05, 0.5),
    ("Confirm to client, 10th percentile (ms)", "confirm_ms", ".2f", 1.05, 0.1),
    ("Peak working set (KiB)", "peak_working_set_kib", ".0f", 1.05, 0.5),
    ("Private bytes: {private_source} (KiB)", "private_kib", ".0f", 1.05, 0.5),
    ("Private committed, VirtualQueryEx (KiB)", "committed_private_kib", ".0f", 1.05, 0.5),
    ("USER objects", "user_objects", ".0f", None, 0.5),
    ("GDI objects", "gdi_objects", ".0f", None, 0.5),
]


def quantile(values, q):
    """The q-quantile for q = 1/k, interpolated between the two nearest runs."""
    if len(values) < 2:
        return values[0]
    return statistics.quantiles(values, n=round(1 / q), method="inclusive")[0]


def ratio_interval(a, b, q):
    """95% interval of quantile(a) / quantile(b) when the runs are drawn again."""
    rng = random.Random(SEED)  # each row's own draws: a row's interval depends on its runs alone
    ratios = []
    for _ in range(DRAWS):
        value_a = quantile(rng.choices(a, k=len(a)), q)
        value_b = quantile(rng.choices(b, k=len(b)), q)
        if value_b > 0:
            ratios.append(value_a / value_b)
    if not ratios:
        return 0.0, 0.0
    ratios.sort()
    return ratios[len(ratios) * 25 // 1000], ratios[len(ratios) * 975 // 1000 - 1]


def verdict(ratio, low, high, target):
    if high <= target:
        return "met"
    if low > target:
        return "MISSED"
    if ratio <= target:
        return "within the target here, but not decided: the interval spans it"
    return "over the target here, but not decided: the interval spans it"


def measure_row(label, a, b, form, target, q):
    value_a, value_b = quantile(a, q), quantile(b, q)
    cells = [value_a, min(a), max(a), value_b, min(b), max(b)]
    cells = [format(c, form) for c in cells]
    if q != 0.5:
        # The extremes are the same runs' as on the median's row.
        cells[1] = cells[2] = cells[4] = cells[5] = ""
    line = "| %s | %s |" % (label, " | ".join(cells))
    if value_b == 0:
        return line + " n/a | | %s | n/a: the floor reads 0 |" % ("none" if target is None else "yes")
    ratio = value_a / value_b
    low, high = ratio_interval(a, b, q)
    line += " %.3f | %.3f to %.3f |" % (ratio, low, high)
    if target is None:
        return line + " none | |"
    return line + " at most %.2f | %s |" % (target, verdict(ratio, low, high, target))


def report(samples, facts):
    runs = {"launcher": {}, "floor": {}}
    for row in samples:
        for column, text in row.items():
            if column not in ("program", "run"):
                runs[row["program"]].setdefault(column, []).append(float(text))
    launcher, floor = runs["launcher"], runs["floor"]
    if not launcher or not floor:
        sys.exit("report: the samples need runs of both the launcher and the floor")
    # Confirm to client subtracts our reading from the client's: with two clocks it means nothing.
    # The driver stops before measuring then; runs that say otherwise get no report either.
    if facts["clock_shared"] != "1":
        sys.exit("report: the driver found the client's clock is not ours (clock_shared=%s): "
                 "no figures from these runs" % facts["clock_shared"])
    out = []
    out.append(
        "Runs: %d of each program, alternating in ABBA order, after %s uncounted warm-up runs "
        "of each. Each row compares one statistic of the runs (the median unless named) as "
        "launcher / floor; the 95%% interval is a bootstrap over the runs, and a target inside "
        "it is not decided by this run. Other work on the machine only ever adds time, so the "
        "10th percentile, from the least disturbed runs, shows the programs' own difference "
        "when the medians are noisy.\n" % (len(launcher["ready_ms"]), facts["warmup"]))
    out.append("| Measure | Launcher | min | max | Floor | min | max | Launcher/floor "
               "| 95% interval | Target | Verdict |")
    out.append("|---|---:|---:|---:|---:|---:|---:|---:|---|---|---|")
    for label, column, form, target, q in ROWS:
        out.append(measure_row(label.format(**facts), launcher[column], floor[column], form,
                               target, q))

    out.append("\n| File | Total bytes | .rsrc bytes | Code and data bytes | Headers "
               "| Imported DLLs |")
    out.append("|---|---:|---:|---:|---:|---|")
    size = {}
    for name in ("launcher", "floor"):
        size[name] = [int(facts[name + "." + key]) for key in
                      ("total_bytes", "rsrc_bytes", "code_and_data_bytes", "header_bytes")]
        out.append("| %s | %d | %d | %d | %d | %s |" % (name, *size[name], facts[name + ".imports"]))
    ratios = [a / b for a, b in zip(size["launcher"][:3], size["floor"][:3])]
    out.append("| launcher/floor | %.3f | %.3f | %.3f | | |\n" % tuple(ratios))
    out.append("- Code and data: launcher/floor %.3f, target at most 1.10: %s."
               % (ratios[2], "met" if ratios[2] <= 1.10 else "MISSED"))
    if facts["launcher.imports_all_system"] == "1":
        out.append("- Imports: the launcher imports only known DLLs of Windows: met.")
    else:
        out.append("- Imports: the launcher imports a DLL that is not a known DLL of Windows: "
                   "MISSED.")

    hz = int(facts["qpc_hz"])
    gui_all_zero = all(max(p[c]) == 0 for p in (launcher, floor)
                       for c in ("user_objects", "gdi_objects"))
    out.append("\nHow:\n")
    out.append("- Clock: QueryPerformanceCounter, %d Hz (%.3f us a tick)." % (hz, 1e6 / hz))
    out.append(
        "- Start to ready: from just before CreateProcessA to the moment the dialog (class "
        "#32770, caption Velto, owned by the new process) is visible and LB_GETCOUNT on its "
        "list, sent from here, returns %s. Found by polling in a tight loop (EnumWindows "
        "matching process, class, caption and no owner, then IsWindowVisible, then LB_GETCOUNT; "
        "SwitchToThread between polls). Poll period: median %.1f us (launcher) / %.1f us "
        "(floor); longest gap between two polls: at most %.1f us / %.1f us."
        % (facts["regions"], quantile(launcher["poll_period_us"], 0.5),
           quantile(floor["poll_period_us"], 0.5), max(launcher["poll_gap_us"]),
           max(floor["poll_gap_us"])))
    out.append(
        "- Confirm to client: row 1 selected with LB_SETCURSEL, then from just before "
        "PostMessageA(WM_COMMAND, IDOK) to the stand-in client's first statement, which writes "
        "its own QueryPerformanceCounter value to the file its stamp variable names. Each run "
        "also checks the client's record holds row 1's command line.")
    out.append(
        "- Shared clock check: the client started directly stamped between our readings before "
        "its start and after its end (entry %.2f ms after CreateProcessA): QueryPerformanceCounter "
        "is one clock for all processes here." % float(facts["client_entry_ms"]))
    pagefile = facts["private_source"] == "PagefileUsage"
    out.append(
        "- Memory: GetProcessMemoryInfo (PROCESS_MEMORY_COUNTERS_EX) on the process, %s ms "
        "after WaitForInputIdle with the dialog idle. Private bytes: %s. Private committed: the "
        "sum of MEM_COMMIT, MEM_PRIVATE regions from VirtualQueryEx. GetGuiResources for "
        "USER/GDI objects%s."
        % (facts["idle_ms"],
           "PrivateUsage is 0 under Wine, so PagefileUsage, which Wine fills with the process's "
           "anonymous resident memory (Linux RssAnon + VmSwap)" if pagefile else "PrivateUsage",
           " (always 0 here, for both programs: Wine does not count them)" if gui_all_zero
           else ""))
    out.append("- Size: read from the PE headers; .rsrc is the resource section's raw size, code "
               "and data the raw sizes of all other sections, headers SizeOfHeaders.")
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], newline="") as file:
        samples = list(csv.DictReader(file))
    with open(sys.argv[2]) as file:
        facts = dict(line.rstrip("\n").split("=", 1) for line in file if "=" in line)
    sys.stdout.write(report(samples, facts))


if __name__ == "__main__":
    main()
