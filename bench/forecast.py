#!/usr/bin/env python3
"""The run-cost forecast of trivanex-prepare beside what trivanex measures.

For each data set (a folder holding data.in, or synth:SCALE for a
BioGRID-shaped family of trivanex_synth at that scale) it reads the forecast
that `trivanex-prepare --check` prints, then runs trivanex in each mode
(default; factored, --factored; pruned, --maxveclen 1000000) under
/usr/bin/time -v in a scratch folder, and prints forecast and measured wall
time, CPU time, peak memory and match-score file size side by side with their
ratio. Figures only; nothing is asserted.

    bench/forecast.py [--build DIR] [--modes default,factored,pruned]
                      [--scratch DIR] [--save FILE] DATA...
    bench/forecast.py ../shared/data/napabench-5way-CG1 ../shared/data/napabench-2way-DMR1 \\
                      synth:1/8 synth:1/4

--save appends every measurement as one JSON line (for refitting the
calibration constants in src/forecast/forecast.cpp). Each run's outputs are
deleted once measured. Timings share the machine with whatever else runs:
the load average is printed with each run.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from growth import time_figures  # the figures of /usr/bin/time -v, read one way

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MODES = {
    "default": [],
    "factored": ["--factored"],
    "pruned": ["--maxveclen", "1000000"],
}


def count_lines(path):
    n = 0
    with open(path, "rb") as f:
        while True:
            block = f.read(1 << 24)
            if not block:
                return n
            n += block.count(b"\n")


UNITS = {"s": 1, "min": 60, "h": 3600, "kB": 1e3, "MB": 1e6, "GB": 1e9}


def forecast(prepare, data_in):
    """Mode -> (wall s, CPU s, peak bytes, file bytes) from the total rows of the
    forecast block of trivanex-prepare --check, and the whole output."""
    done = subprocess.run([prepare, "--check", data_in], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    out = {}
    names = {"default": "default", "--factored": "factored", "--maxveclen": "pruned"}
    for line in done.stdout.splitlines():
        m = re.match(r"\s*total\s+\S+\s+\S+\s+(default|--factored|--maxveclen) ?\d*\s+"
                     r"([\d.]+) (s|min|h)\s+([\d.]+) (s|min|h)\s+([\d.]+) (kB|MB|GB)\s+"
                     r"([\d.]+) (kB|MB|GB)\s*$", line)
        if m:
            out[names[m.group(1)]] = tuple(float(m.group(k)) * UNITS[m.group(k + 1)]
                                           for k in (2, 4, 6, 8))
    return out, done.stdout


def run_once(data_dir, work, trivanex, flags):
    os.mkdir(work)
    for name in os.listdir(data_dir):
        os.symlink(os.path.join(data_dir, name), os.path.join(work, name))
    cmd = ["/usr/bin/time", "-v", "-o", "time.txt", trivanex] + flags + ["data.in"]
    with open(os.path.join(work, "stdout.txt"), "wb") as out, \
            open(os.path.join(work, "stderr.txt"), "wb") as err:
        status = subprocess.run(cmd, cwd=work, stdout=out, stderr=err).returncode
    if status != 0:
        tail = open(os.path.join(work, "stderr.txt"), errors="replace").read()[-600:]
        shutil.rmtree(work)
        raise RuntimeError("trivanex failed (status %d):\n%s" % (status, tail))
    r = {}
    r["wall"], r["cpu"], r["rss"] = time_figures(os.path.join(work, "time.txt"))
    scores = os.path.join(work, "tmp_match-score.txt")
    r["lines"] = count_lines(scores)
    r["bytes"] = os.path.getsize(scores)
    with open(os.path.join(work, "stderr.txt"), errors="replace") as f:
        r["sweeps"] = sum(1 for line in f if line.startswith("K: "))
    shutil.rmtree(work)
    return r


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("data", nargs="+")
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    p.add_argument("--modes", default="default,factored,pruned")
    p.add_argument("--scratch")
    p.add_argument("--save")
    p.add_argument("--seed", default="1")
    a = p.parse_args()
    trivanex = os.path.join(a.build, "trivanex")
    prepare = os.path.join(a.build, "trivanex-prepare")
    synth = os.path.join(a.build, "trivanex_synth")
    scratch = a.scratch or tempfile.mkdtemp(prefix="trivanex-forecast-")
    os.makedirs(scratch, exist_ok=True)
    rows = []
    try:
        for data in a.data:
            if data.startswith("synth:"):
                scale = data[len("synth:"):]
                folder = os.path.join(scratch, "family")
                shutil.rmtree(folder, ignore_errors=True)
                subprocess.run([synth, "--shape", "biogrid", "--scale", scale, "--seed", a.seed,
                                folder], stdout=subprocess.DEVNULL, check=True)
                name = "biogrid " + scale
            else:
                folder = os.path.abspath(data)
                name = os.path.basename(folder.rstrip("/"))
            # --check reads data.in's data directory from the working directory.
            cwd = os.getcwd()
            os.chdir(folder)
            fc, text = forecast(prepare, "data.in")
            os.chdir(cwd)
            print("== %s" % name)
            block = text[text.find("run-cost forecast"):] if "run-cost forecast" in text else text
            print(block.rstrip())
            for m in a.modes.split(","):
                r = run_once(folder, os.path.join(scratch, "run"), trivanex, MODES[m])
                r.update(data=name, mode=m, load=os.getloadavg()[0])
                print("  %s: %.1f s wall, %.1f s CPU, %.2f GB peak, %d scores, %.3g GB file, "
                      "%d sweeps, load average %.1f" % (m, r["wall"], r["cpu"], r["rss"] / 1e9,
                                                        r["lines"], r["bytes"] / 1e9, r["sweeps"],
                                                        r["load"]), flush=True)
                if a.save:
                    with open(a.save, "a") as f:
                        f.write(json.dumps(r) + "\n")
                rows.append((name, m, r, fc.get(m)))
            if data.startswith("synth:"):
                shutil.rmtree(folder, ignore_errors=True)
    finally:
        if not a.scratch:
            shutil.rmtree(scratch, ignore_errors=True)
    print()
    print("| data | mode | wall: forecast / measured | CPU | peak memory | match-score file | "
          "load average |")
    print("|---|---|---|---|---|---|---|")

    def cell(f, m, scale, unit):
        if f is None:
            return "- / %.3g %s" % (m / scale, unit)
        return "%.3g / %.3g %s (x%.2f)" % (f / scale, m / scale, unit, f / m if m else 0)

    for name, m, r, f in rows:
        f = f or (None, None, None, None)
        print("| %s | %s | %s | %s | %s | %s | %.1f |" % (
            name, m, cell(f[0], r["wall"], 1, "s"), cell(f[1], r["cpu"], 1, "s"),
            cell(f[2], r["rss"], 1e9, "GB"), cell(f[3], r["bytes"], 1e9, "GB"), r["load"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
