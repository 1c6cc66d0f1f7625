#!/usr/bin/env python3
"""Agreement of two runs on one data set, for two ways of computing the same
match scores (the default sweep and the factored one): the largest relative
difference of any match score and the scores present in one file only
(trivanex_bench compare), the cluster-file lines that differ, and the
evaluator's measures of both cluster files against the data's ortholog groups
(trivanex-eval with DATA_DIR/*.fo).

    bench/agreement.py DATA_DIR RUN_A RUN_B
        compares the outputs already in the run folders RUN_A and RUN_B
        (tmp_match-score.txt, tmp_output_cluster.txt)
    bench/agreement.py DATA_DIR --run [OPTION...]
        runs trivanex twice in scratch folders, first with no options, then
        with OPTIONs (default: --factored), compares, and deletes the runs;
        for --factored also compares the two sweeps' scores as doubles

The programs are taken from SOURCE/build, or from the folder TRIVANEX_BUILD
names.

The match-score file holds 6 significant digits, so two runs agree in it
unless a difference reaches the sixth digit of some score.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("TRIVANEX_BUILD", os.path.join(ROOT, "build"))
SCORES = "tmp_match-score.txt"
CLUSTERS = "tmp_output_cluster.txt"


def run_trivanex(data, work, options):
    os.mkdir(work)
    for name in os.listdir(data):
        os.symlink(os.path.join(data, name), os.path.join(work, name))
    with open(os.path.join(work, "stdout.txt"), "wb") as out, \
            open(os.path.join(work, "stderr.txt"), "wb") as err:
        status = subprocess.call([os.path.join(BUILD, "trivanex")] + options + ["data.in"],
                                 cwd=work, stdout=out, stderr=err)
    if status != 0:
        sys.exit("trivanex %s failed with status %d in %s" % (" ".join(options), status, work))


def evaluation(data, clusters, groups):
    """The evaluator's text report as (label, value) pairs."""
    out = subprocess.run([os.path.join(BUILD, "trivanex-eval"), "data.in", clusters] + groups,
                         cwd=data, stdout=subprocess.PIPE, text=True, check=True).stdout
    rows = []
    for line in out.splitlines():
        parts = re.split(r"\s{2,}", line.strip(), maxsplit=1)
        if len(parts) == 2:
            rows.append((parts[0], parts[1]))
    return rows


def compare(data, run_a, run_b):
    print("match scores (%s against %s):" % (run_a, run_b), flush=True)
    subprocess.run([os.path.join(BUILD, "trivanex_bench"), "compare", "data.in",
                    os.path.join(run_a, SCORES), os.path.join(run_b, SCORES)],
                   cwd=data, check=True)
    lines_a = open(os.path.join(run_a, CLUSTERS)).read().splitlines()
    lines_b = open(os.path.join(run_b, CLUSTERS)).read().splitlines()
    in_place = sum(1 for x, y in zip(lines_a, lines_b) if x != y) + abs(len(lines_a) - len(lines_b))
    rest = {}
    for line in lines_b:
        rest[line] = rest.get(line, 0) + 1
    missing = 0
    for line in lines_a:
        if rest.get(line, 0) > 0:
            rest[line] -= 1
        else:
            missing += 1
    print("cluster files: %d and %d lines; %d differ in place; %d of the first are not in the "
          "second" % (len(lines_a), len(lines_b), in_place, missing))
    groups = sorted(glob.glob(os.path.join(data, "*.fo")))
    if not groups:
        print("no ortholog-group files (*.fo) in %s: no evaluation" % data)
        return
    ev_a = evaluation(data, os.path.join(run_a, CLUSTERS), groups)
    ev_b = dict(evaluation(data, os.path.join(run_b, CLUSTERS), groups))
    print("evaluation (first, second):")
    for label, value in ev_a:
        print("  %-30s %-24s %s" % (label, value, ev_b.get(label, "-")))


def sweep_agreement(data):
    """The two sweeps compared as doubles, before the file's rounding, where
    trivanex_bench has the agree command."""
    bench = os.path.join(BUILD, "trivanex_bench")
    usage = subprocess.run([bench], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           text=True).stdout
    if "agree DATA.in" not in usage:
        print("trivanex_bench has no agree command: no comparison as doubles")
        return
    print("match scores as doubles, factored against default sweep (trivanex_bench agree):",
          flush=True)
    subprocess.run([bench, "agree", "data.in"], cwd=data, check=True)


def main():
    args = sys.argv[1:]
    if len(args) < 2 or (args[1] != "--run" and len(args) != 3):
        sys.exit(__doc__)
    data = os.path.abspath(args[0])
    if args[1] != "--run":
        compare(data, os.path.abspath(args[1]), os.path.abspath(args[2]))
        return 0
    options = args[2:] or ["--factored"]
    scratch = tempfile.mkdtemp(prefix="trivanex-agreement-")
    try:
        run_a, run_b = os.path.join(scratch, "a"), os.path.join(scratch, "b")
        run_trivanex(data, run_a, [])
        run_trivanex(data, run_b, options)
        compare(data, run_a, run_b)
        if "--factored" in options:
            sweep_agreement(data)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
