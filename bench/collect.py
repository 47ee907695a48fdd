#!/usr/bin/env python3
"""Collects the benchmark programs' JSON output into one table.

Usage: collect.py RESULTS_DIR OUTPUT_DIR

Every run is named "workload/subject" (see bench/common/registration.h).
Timed runs are compared by the median CPU time of their repetitions (the
machine is shared: other work stretches wall-clock time unevenly, and every
subject, the stand-in's server side included, works on the benchmark's own
thread); memory runs
("mem_" prefix) carry the counter peak_kib. Prints the table, writes it as
OUTPUT_DIR/results.md and draws the ratios into OUTPUT_DIR/results.png and
results.svg with gnuplot, when gnuplot is there.
"""

import glob
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys

# Peers and how their columns are headed; a peer with two forms lists both.
PEERS = {
    "SQLiteCpp": [("sqlitecpp", "")],
    "SOCI": [("soci_rows", "rows"), ("soci_bulk", "bulk"), ("soci", "")],
}

# One line of the time table: label, short label for the chart, workload,
# Velar's subject, and the aim as (largest ratio, must beat the peers).
TIMED = [
    ("1. Forward read, 1,000,000 rows, 25 rows per fetch", "read 25/fetch", "read",
     "velar_fetch25", (1.5, True)),
    ("1. Forward read, 1 row per fetch", "read 1/fetch", "read", "velar_fetch1", None),
    ("1. Forward read, 250 rows per fetch", "read 250/fetch", "read", "velar_fetch250", None),
    ("2. Scrolling cursor, forward then backward", "scroll", "scroll", "velar", None),
    ("3. 100,000 inserts, five host variables, one transaction", "insert", "insert", "velar",
     (1.5, True)),
]
for mib in (1, 16, 64):
    TIMED.append((f"4. Long value write, {mib} MiB", f"write {mib}M", f"long_write_{mib}m",
                  "velar", (3.0, False)))
for mib in (1, 16, 64):
    TIMED.append((f"4. Long value read, {mib} MiB", f"read {mib}M", f"long_read_{mib}m", "velar",
                  (2.0, False)))
TIMED.append(("5. Find the last of 100,000 rows by a string key, case-insensitive", "find",
              "find", "velar", None))

# Memory runs: label, workload, the value's size in MiB for the 3x aim.
MEMORY = [
    ("1. Forward read, 100,000 rows", "read_100k", None),
    ("1. Forward read, 1,000,000 rows", "read_1m", None),
]
for kind in ("write", "read"):
    MEMORY.append((f"4. Long value {kind}, 64 MiB", f"long_{kind}_64m", 64))


def run_key(entry):
    """ "read/sqlite/iterations:1/real_time" -> "read/sqlite"."""
    return "/".join(entry["run_name"].split("/")[:2])


def to_ms(value, unit):
    return value * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[unit]


def load(results_dir):
    """Medians of the timed runs, peaks of the memory runs, errors, context."""
    times, peaks, errors, context = {}, {}, {}, None
    for path in sorted(glob.glob(os.path.join(results_dir, "*.json"))):
        with open(path) as f:
            try:
                data = json.load(f)
            except json.JSONDecodeError:
                continue
        context = context or data.get("context")
        for entry in data.get("benchmarks", []):
            if entry.get("run_type") != "iteration":
                continue
            key = run_key(entry)
            if entry.get("error_occurred"):
                errors[key] = entry.get("error_message", "failed")
                continue
            if key.startswith("mem_"):
                peaks[key[4:]] = entry.get("peak_kib", 0.0)
            else:
                times.setdefault(key, []).append(to_ms(entry["cpu_time"], entry["time_unit"]))
    medians = {key: statistics.median(values) for key, values in times.items()}
    counts = {key: len(values) for key, values in times.items()}
    return medians, counts, peaks, errors, context


class Table:
    def __init__(self, medians, peaks, errors, built):
        self.medians, self.peaks, self.errors, self.built = medians, peaks, errors, built

    def ratio(self, key, base):
        if key in self.medians and base in self.medians and self.medians[base] > 0:
            return self.medians[key] / self.medians[base]
        return None

    def missing(self, key, what):
        if key in self.errors:
            return "failed: " + self.errors[key]
        return "not built" if what not in self.built else "n/a"

    def peer_cells(self, workload, base):
        cells, ratios = [], []
        for peer, forms in PEERS.items():
            parts = []
            for subject, form in forms:
                r = self.ratio(f"{workload}/{subject}", base)
                if r is not None:
                    parts.append(f"{r:.2f}" + (f" ({form})" if form else ""))
                    ratios.append(r)
            if parts:
                cells.append(" / ".join(parts))
            elif any(f"{workload}/{s}" in self.errors for s, _ in forms):
                cells.append("failed")
            elif peer not in self.built:
                cells.append("not installed")
            else:
                cells.append("")
        return cells, ratios


def fmt_ms(value):
    if value is None:
        return "—"
    return f"{value:.1f}" if value >= 10 else f"{value:.2f}"


def time_rows(table):
    rows, chart = [], []
    for label, short, workload, subject, aim in TIMED:
        base = f"{workload}/sqlite"
        velar = f"{workload}/{subject}"
        r = table.ratio(velar, base)
        standin = table.ratio(f"{workload}/dblib", base) if subject == "velar" or \
            subject == "velar_fetch25" else None
        peer_cells, peer_ratios = table.peer_cells(workload, base) if subject in (
            "velar", "velar_fetch25") else (["", ""], [])
        verdict = ""
        if aim is not None:
            limit, beat_peers = aim
            text = f"≤ {limit:g}×" + (", faster than peers" if beat_peers else "")
            if r is None:
                verdict = text + ": not measured"
            else:
                met = r <= limit and (not beat_peers or all(r < p for p in peer_ratios))
                verdict = text + (": met" if met else ": missed")
        rows.append([
            label,
            fmt_ms(table.medians.get(velar)) if velar in table.medians else
            table.missing(velar, "Velar"),
            fmt_ms(table.medians.get(base)) if base in table.medians else
            table.missing(base, "SQLite"),
            f"{r:.2f}" if r is not None else "—",
            f"{standin:.2f}" if standin is not None else "",
            *peer_cells,
            verdict,
        ])
        soci = [table.ratio(f"{workload}/{s}", base) for s in ("soci_rows", "soci_bulk", "soci")]
        soci = [x for x in soci if x is not None]
        chart.append((short, r, standin if standin is not None else None,
                      table.ratio(f"{workload}/sqlitecpp", base) if peer_cells[0] else None,
                      min(soci) if soci and peer_cells[1] else None))
    return rows, chart


def linearity(table, kind):
    """Velar's (else the stand-in's) ms per MiB at each size."""
    for subject in ("velar", "dblib"):
        per = [(mib, table.medians.get(f"long_{kind}_{mib}m/{subject}")) for mib in (1, 16, 64)]
        if all(ms is not None for _, ms in per):
            figures = ", ".join(f"{ms / mib:.2f} at {mib} MiB" for mib, ms in per)
            grows = per[2][1] / 64 <= 1.5 * per[1][1] / 16
            who = "Velar" if subject == "velar" else "the stand-in alone"
            return (f"{kind}, {who}: ms per MiB {figures} "
                    f"({'linear' if grows else 'grows faster than linear'} from 16 to 64 MiB)")
    return None


def memory_rows(table):
    rows = []
    read_peaks = {}
    for label, workload, mib in MEMORY:
        cells = [label]
        for subject in ("velar", "sqlite", "dblib"):
            kib = table.peaks.get(f"{workload}/{subject}")
            cells.append(f"{kib / 1024:.1f}" if kib is not None else "—")
        velar = table.peaks.get(f"{workload}/velar")
        verdict = ""
        # The aim is set for the 64 MiB value: at 1 MiB SQLite's own page
        # cache is of the value's size.
        if mib == 64:
            verdict = "< 3× the value: " + (
                "not measured" if velar is None else "met" if velar < 3 * mib * 1024 else "missed")
        elif mib is None:
            read_peaks[workload] = velar
        rows.append(cells + [verdict])
    small, large = read_peaks.get("read_100k"), read_peaks.get("read_1m")
    if rows:
        flat = "not measured" if small is None or large is None else (
            "met" if large <= small * 1.1 + 1024 else "missed")
        rows[1][-1] = "does not grow with the rows: " + flat
    return rows


def markdown(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    return "\n".join(lines)


def draw(chart, out_dir):
    """The ratios as grouped bars, one group per workload; 1 is SQLite."""
    gnuplot = shutil.which("gnuplot")
    if gnuplot is None:
        return "gnuplot is not installed: no chart drawn"
    data = os.path.join(out_dir, "results.dat")
    with open(data, "w") as f:
        f.write("workload Velar Stand-in SQLiteCpp SOCI\n")
        for short, *ratios in chart:
            values = ["NaN" if r is None else f"{r:.3f}" for r in ratios]
            f.write(f'"{short}" ' + " ".join(values) + "\n")
    # A series without a single value would stop gnuplot: it is left out.
    series = [("Velar", "#2b6cb0"), ("Stand-in", "#90cdf4"), ("SQLiteCpp", "#dd6b20"),
              ("SOCI", "#38a169")]
    present = [i for i in range(len(series)) if any(row[i + 1] is not None for row in chart)]
    columns = []
    for n, i in enumerate(present):
        name, colour = series[i]
        xtic = ":xtic(1)" if n == 0 else ""
        columns.append(f'using {i + 2}{xtic} title "{name}" lc rgb "{colour}"')
    if not columns:
        return "no ratios to draw: no chart drawn"
    plot = f'plot "{data}" ' + ", \\\n     \"\" ".join(columns)
    script = f"""
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set key top left
set ylabel "time relative to SQLite's C API (lower is better)"
set yrange [0:*]
set grid ytics
set xtics rotate by -35 scale 0
set arrow from graph 0, first 1 to graph 1, first 1 nohead dt 2 lw 2 lc rgb "black"
set title "Velar against SQLite's C API and peers (median CPU time)"
{plot}
"""
    made = []
    for terminal, name in (("pngcairo size 1100,560 font 'sans,10'", "results.png"),
                           ("svg size 1100,560 dynamic font 'sans,11'", "results.svg")):
        target = os.path.join(out_dir, name)
        full = f"set terminal {terminal}\nset output '{target}'\n" + script
        if subprocess.run([gnuplot], input=full, text=True, capture_output=True).returncode == 0:
            made.append(target)
    return "chart: " + ", ".join(made) if made else "gnuplot failed: no chart drawn"


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    results_dir, out_dir = sys.argv[1], sys.argv[2]
    medians, counts, peaks, errors, context = load(results_dir)
    built = {"SQLite"}
    if any(k.endswith("/velar") or "/velar_" in k for k in list(medians) + list(errors)):
        built.add("Velar")
    for peer, forms in PEERS.items():
        if any(k.split("/")[1] in [s for s, _ in forms] for k in list(medians) + list(errors)):
            built.add(peer)
    table = Table(medians, peaks, errors, built)
    timed, chart = time_rows(table)
    header = ["Workload", "Velar CPU ms", "SQLite CPU ms", "Velar / SQLite", "stand-in alone / SQLite",
              "SQLiteCpp / SQLite", "SOCI / SQLite", "Aim"]
    repetitions = max(counts.values()) if counts else 0
    ctx = context or {}
    lines = [
        "# Velar benchmarks",
        "",
        f"Run {ctx.get('date', '')} on {ctx.get('num_cpus', '?')} CPUs at "
        f"{ctx.get('mhz_per_cpu', '?')} MHz ({platform.platform()}), load average "
        f"{', '.join(f'{x:.2f}' for x in ctx.get('load_avg', []))} at the start. "
        f"Times are medians of {repetitions} repetitions of the CPU time of the benchmark's "
        "thread, where every subject does all its work (the DBLib stand-in's server side "
        "included); they leave out waiting for the disk, which is the same for all. The "
        "repetitions run interleaved in random order, on fresh databases in temporary "
        "directories. The machine may be shared with other work, so read ratios rather than "
        "absolute times. A ratio is the subject's median over SQLite's C API doing the same "
        "work; below 1 is faster.",
        "",
        markdown(header, timed),
        "",
        "\"stand-in alone\" is the DBLib stand-in called directly, without Velar's components: "
        "its share of Velar's time. SOCI reads as row objects (rows) and in bulk into vectors "
        "(bulk). The scrolling baseline reads forward and then runs the query last to first.",
    ]
    for kind in ("write", "read"):
        note = linearity(table, kind)
        if note:
            lines += ["", "Linear cost of long values, " + note + "."]
    lines += [
        "",
        "## Peak memory",
        "",
        "MiB the process's resident set rose at its highest during one run, each run in a "
        "process of its own; the DBLib stand-in (the server side) runs in the same process and "
        "counts too, and for long values the application's own copy of the value counts.",
        "",
        markdown(["Workload", "Velar MiB", "SQLite MiB", "stand-in alone MiB", "Aim"],
                 memory_rows(table)),
    ]
    if errors:
        lines += ["", "Failed runs: " + "; ".join(f"{k}: {v}" for k, v in sorted(errors.items()))]
    lines += ["", draw(chart, out_dir).replace(out_dir + "/", "")]
    text = "\n".join(lines) + "\n"
    with open(os.path.join(out_dir, "results.md"), "w") as f:
        f.write(text)
    print(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
