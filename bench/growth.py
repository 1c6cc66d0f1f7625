#!/usr/bin/env python3
"""Growth table: how trivanex's time and memory grow with the size of the
networks. Generates synthetic families (trivanex_synth) at several scales in a
scratch folder, runs trivanex on each in every mode under /usr/bin/time -v
(through stages.py, for the stage times), and prints one table row per scale
and mode. Figures only; nothing is asserted.

    bench/growth.py [--shape biogrid|string] [--scales 1/8,1/4,1/2,1]
                    [--modes default,factored,pruned] [--scratch DIR] [--seed N]
                    [--build DIR] [--force]
    BENCH_RUNS=3 bench/growth.py ...     three runs of each; min and median shown

Every run's outputs are deleted as soon as they are measured (the match-score
file of the full BioGRID-shaped family is some 15 GB), the family after its
scale. A run whose estimated memory exceeds what the machine has available is
skipped unless --force is given.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

# The modes, in one place: name -> trivanex options. A mode whose options
# trivanex --help does not list is skipped with a line saying so.
MODES = {
    "default": [],
    "factored": ["--factored"],
    "pruned": ["--maxveclen", "200000"],
}
SHAPE_MODES = {"biogrid": ["default", "factored", "pruned"], "string": ["factored"]}
SHAPE_SCALES = {"biogrid": "1/8,1/4,1/2,1", "string": "1"}

# Per-sweep cost of the default sweep, fitted on one core (seconds per term):
# neighbour-pair terms 2E_a x 2E_b, weighing 2E_a x n_b, per protein pair n_a x n_b.
COST_NEIGHBOUR_PAIR = 0.24e-9
COST_WEIGHING = 1.37e-9
COST_PROTEIN_PAIR = 4.8e-9
ESTIMATE_SWEEPS = 4
# Memory of a dense run: bytes per protein pair, plus a margin.
BYTES_PER_PROTEIN_PAIR = 9
MEMORY_MARGIN = 1 << 30

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--shape", choices=sorted(SHAPE_MODES), default="biogrid")
    p.add_argument("--scales", help="comma-separated, as 1/8 or 0.125")
    p.add_argument("--modes", help="comma-separated among " + ",".join(MODES))
    p.add_argument("--scratch", help="folder for families and runs (default: a new one in /tmp)")
    p.add_argument("--seed", default="1")
    p.add_argument("--build", default=os.path.join(ROOT, "build"),
                   help="folder holding trivanex and trivanex_synth")
    p.add_argument("--force", action="store_true", help="run even where memory looks short")
    a = p.parse_args()
    a.scales = (a.scales or SHAPE_SCALES[a.shape]).split(",")
    a.modes = (a.modes or ",".join(SHAPE_MODES[a.shape])).split(",")
    for m in a.modes:
        if m not in MODES:
            p.error("unknown mode %s" % m)
    return a


def available_memory():
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemAvailable:"):
                return int(line.split()[1]) * 1024
    return 0


def time_figures(path):
    """Wall, CPU (user + system) seconds and peak RSS bytes from time -v."""
    fields = {}
    for line in open(path):
        label, _, value = line.strip().rpartition(": ")
        fields[label] = value

    def field(label):
        return next(v for k, v in fields.items() if k.startswith(label))

    wall = 0.0
    for part in field("Elapsed (wall clock) time").split(":"):
        wall = wall * 60 + float(part)
    cpu = float(field("User time (seconds)")) + float(field("System time (seconds)"))
    return wall, cpu, int(field("Maximum resident set size (kbytes)")) * 1024


def stage_times(text):
    """Seconds per stage from stages.py's lines."""
    wanted = {"load and number the proteins": "load", "all pairs": "pairs",
              "all pairs (side by side)": "pairs", "write the match-score file": "file",
              "clustering": "clustering"}
    out = {}
    for line in text.splitlines():
        m = re.match(r"\s+(.*?)\s+(-?[\d.]+) s$", line)
        if m and m.group(1) in wanted:
            out[wanted[m.group(1)]] = float(m.group(2))
    return out


def count_lines(path):
    n = 0
    with open(path, "rb") as f:
        while True:
            block = f.read(1 << 24)
            if not block:
                return n
            n += block.count(b"\n")


def family_counts(summary):
    """Species code -> (proteins, interactions) from trivanex_synth's lines."""
    counts = {}
    for line in summary.splitlines():
        w = line.split()
        if w and w[0] == "species":
            counts[w[1]] = (int(w[3]), int(w[5]))
    return counts


def term_counts(counts):
    """Per sweep, over all species pairs (a sorting first): neighbour-pair
    terms 2E_a x 2E_b, factored terms n_b x 2E_a + n_a x 2E_b, weighing terms
    2E_a x n_b, protein pairs n_a x n_b."""
    codes = sorted(counts)
    t = {"pairs": 0, "factored": 0, "weighing": 0, "proteins": 0}
    for i, a in enumerate(codes):
        for b in codes[i + 1:]:
            (na, ea), (nb, eb) = counts[a], counts[b]
            t["pairs"] += 2 * ea * 2 * eb
            t["factored"] += nb * 2 * ea + na * 2 * eb
            t["weighing"] += 2 * ea * nb
            t["proteins"] += na * nb
    return t


def fmt(values, unit, scale=1.0, digits=1):
    values = [v / scale for v in values]
    if len(values) == 1:
        return "%.*f %s" % (digits, values[0], unit)
    return "%.*f / %.*f %s" % (digits, min(values), digits, statistics.median(values), unit)


def run_once(family, work, trivanex, flags):
    """One run in a fresh folder linking the family; returns its figures."""
    os.mkdir(work)
    for name in os.listdir(family):
        os.symlink(os.path.join(family, name), os.path.join(work, name))
    cmd = [sys.executable, os.path.join(ROOT, "bench", "stages.py"), "stderr.txt", "stdout.txt",
           "--", "/usr/bin/time", "-v", "-o", "time.txt", trivanex] + flags + ["data.in"]
    done = subprocess.run(cmd, cwd=work, stdout=subprocess.PIPE, text=True)
    if done.returncode != 0:
        tail = open(os.path.join(work, "stderr.txt"), errors="replace").read()[-600:]
        shutil.rmtree(work)
        raise RuntimeError("trivanex failed (status %d):\n%s" % (done.returncode, tail))
    r = {}
    r["wall"], r["cpu"], r["rss"] = time_figures(os.path.join(work, "time.txt"))
    r["stages"] = stage_times(done.stdout)
    scores = os.path.join(work, "tmp_match-score.txt")
    r["lines"] = count_lines(scores)
    r["bytes"] = os.path.getsize(scores)
    with open(os.path.join(work, "stderr.txt"), errors="replace") as f:
        r["sweeps"] = sum(1 for line in f if line.startswith("K: "))
    shutil.rmtree(work)
    return r


def main():
    a = parse_args()
    runs = int(os.environ.get("BENCH_RUNS", "1"))
    trivanex = os.path.join(a.build, "trivanex")
    synth = os.path.join(a.build, "trivanex_synth")
    for exe in (trivanex, synth):
        if not os.access(exe, os.X_OK):
            sys.exit("%s not found: build it first (cmake --build build -j2 --target trivanex "
                     "trivanex_synth)" % exe)
    help_text = subprocess.run([trivanex, "--help"], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True).stdout
    modes = []
    for m in a.modes:
        missing = [f for f in MODES[m] if f.startswith("-") and f not in help_text]
        if missing:
            print("skipping mode %s: trivanex --help does not list %s" % (m, " ".join(missing)))
        else:
            modes.append(m)
    scratch = a.scratch or tempfile.mkdtemp(prefix="trivanex-growth-")
    os.makedirs(scratch, exist_ok=True)
    print("shape %s, seed %s, %d run(s) each, scratch folder %s" % (a.shape, a.seed, runs, scratch))

    try:
        rows = measure(a, modes, scratch, runs, trivanex, synth)
    finally:
        if not a.scratch:
            shutil.rmtree(scratch, ignore_errors=True)
        else:
            shutil.rmtree(os.path.join(scratch, "family"), ignore_errors=True)
            shutil.rmtree(os.path.join(scratch, "run"), ignore_errors=True)
    print_table(a.shape, runs, rows)
    return 0


def measure(a, modes, scratch, runs, trivanex, synth):
    rows = []
    for scale in a.scales:
        family = os.path.join(scratch, "family")
        shutil.rmtree(family, ignore_errors=True)
        t0 = time.monotonic()
        summary = subprocess.run([synth, "--shape", a.shape, "--scale", scale, "--seed", a.seed,
                                  family], stdout=subprocess.PIPE, text=True, check=True).stdout
        counts = family_counts(summary)
        terms = term_counts(counts)
        est = ESTIMATE_SWEEPS * (COST_NEIGHBOUR_PAIR * terms["pairs"] +
                                 COST_WEIGHING * terms["weighing"] +
                                 COST_PROTEIN_PAIR * terms["proteins"])
        print("scale %s: %s; family written in %.1f s" % (
            scale, ", ".join("%s %d/%d" % (c, n, e) for c, (n, e) in sorted(counts.items())),
            time.monotonic() - t0))
        print("  per sweep: %.3g protein pairs, %.3g neighbour-pair terms (sum 2E_a x 2E_b), "
              "%.3g factored terms (sum n_b x 2E_a + n_a x 2E_b), %.1fx fewer" % (
                  terms["proteins"], terms["pairs"], terms["factored"],
                  terms["pairs"] / max(terms["factored"], 1)))
        print("  default sweep estimated from the term counts: %.3g CPU s for %d sweeps a pair "
              "(about %.3g s wall on 2 cores)" % (est, ESTIMATE_SWEEPS, est / 2))
        need = BYTES_PER_PROTEIN_PAIR * terms["proteins"] + MEMORY_MARGIN
        for m in modes:
            if need > available_memory() and not a.force:
                print("  skipping %s: needs about %.1f GiB, %.1f GiB available (--force runs it)" % (
                    m, need / 2**30, available_memory() / 2**30))
                continue
            results = []
            for k in range(runs):
                r = run_once(family, os.path.join(scratch, "run"), trivanex, MODES[m])
                # The load average tells a quiet run from one that shared the CPUs.
                print("  %s run %d: %.1f s wall, %.1f s CPU, %.2f GiB, %d sweeps, %d scores, "
                      "load average %.1f" % (m, k + 1, r["wall"], r["cpu"], r["rss"] / 2**30,
                                             r["sweeps"], r["lines"], os.getloadavg()[0]),
                      flush=True)
                results.append(r)
            rows.append((scale, m, results))
        shutil.rmtree(family)
    return rows


def print_table(shape, runs, rows):
    print()
    print("shape %s: min / median of %d runs where more than one; stages: medians" % (shape, runs))
    print("| scale | mode | wall | CPU | peak RSS | match scores written | "
          "stages: load / pairs / file / clustering |")
    print("|---|---|---|---|---|---|---|")
    for scale, m, results in rows:
        def col(key):
            return [r[key] for r in results]

        stages = []
        for s in ("load", "pairs", "file", "clustering"):
            v = [r["stages"].get(s) for r in results if s in r["stages"]]
            stages.append("%.1f" % statistics.median(v) if v else "-")
        print("| %s | %s | %s | %s | %s | %.3g M lines, %.3g GB | %s s |" % (
            scale, m, fmt(col("wall"), "s"), fmt(col("cpu"), "s"),
            fmt(col("rss"), "GiB", 2**30, 2), results[0]["lines"] / 1e6,
            results[0]["bytes"] / 1e9, " / ".join(stages)))


if __name__ == "__main__":
    sys.exit(main())
