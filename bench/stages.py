#!/usr/bin/env python3
"""Runs a command (trivanex, maybe under /usr/bin/time) and times the stages
of the run from its standard error, read live.

    stages.py STDERR_COPY STDOUT_FILE -- COMMAND ...

The command is started from here, after the interpreter is up, so the first
stages are not lost to the interpreter's own start-up. The progress flags
mark the stages: the start of the run (flag 1), the numbered roster (101),
each species pair's set-up and sweeps (2 to 4, named by the pair's
"# cumulative" line; only their sum when the pairs ran side by side), the
match-score file (5 to 6) or the reading of one (102 to 103), and the
clustering (6 to 7). Prints one line a stage; the command's standard error is
kept in STDERR_COPY, and the command's exit status is this script's.
"""
import os
import subprocess
import sys
import time

if len(sys.argv) < 5 or sys.argv[3] != "--":
    sys.exit("usage: stages.py STDERR_COPY STDOUT_FILE -- COMMAND ...")
keep = open(sys.argv[1], "wb")
with open(sys.argv[2], "wb") as out:
    child = subprocess.Popen(sys.argv[4:], stdout=out, stderr=subprocess.PIPE)
marks = {}
pairs = []
pair_start = None
pending = b""


def take(line, now):
    global pair_start
    text = line.decode("utf-8", "replace")
    if text.startswith("Flag: "):
        flag = text[6:]
        marks.setdefault(flag, now)
        if flag == "2":
            pair_start = now
        elif flag == "4" and pair_start is not None:
            pairs.append([None, now - pair_start])
    elif "# cumulative scores matchscores" in text and pairs and pairs[-1][0] is None:
        pairs[-1][0] = "-".join(text.split()[:2])


# Raw reads: each chunk is stamped when it arrives, not when a buffer fills.
fd = child.stderr.fileno()
while True:
    chunk = os.read(fd, 65536)
    if not chunk:
        break
    now = time.monotonic()
    keep.write(chunk)
    pending += chunk
    *lines, pending = pending.split(b"\n")
    for line in lines:
        take(line, now)
if pending:
    take(pending, time.monotonic())
keep.close()
status = child.wait()


def span(a, b):
    return marks[b] - marks[a] if a in marks and b in marks else None

rows = [("load and number the proteins", span("1", "101"))]
if "102" in marks:
    rows.append(("read the match-score file", span("102", "103")))
all_pairs = span("101", "5")
# Pairs computed side by side print their text in bursts, in pair order, so
# the gaps between their flags say nothing of one pair's time; then only the
# sum is shown ("trivanex_bench sweep" times each pair's sweeps alone).
side_by_side = all_pairs is not None and sum(s for _, s in pairs) < 0.5 * all_pairs
for name, seconds in pairs:
    if not side_by_side:
        rows.append(("pair %s: set-up and sweeps" % name, seconds))
if pairs:
    rows.append(("all pairs" + (" (side by side)" if side_by_side else ""), all_pairs))
rows.append(("write the match-score file", span("5", "6")))
rows.append(("clustering", span("6", "7")))
rows.append(("flag 1 to flag 7", span("1", "7")))
for name, seconds in rows:
    if seconds is not None:
        print("  %-36s %7.3f s" % (name, seconds))
sys.exit(status)
