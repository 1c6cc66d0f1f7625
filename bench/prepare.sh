#!/usr/bin/env bash
# Benchmarks trivanex-prepare on a BioGRID-sized family of five species
# (about 56,000 proteins, 570,000 interactions, 5 million hit lines, all
# gzipped), generated once by bench/prepare_data.py into DATA_DIR. Prints the
# wall time, peak memory (/usr/bin/time -v) and hit lines per second. Figures
# only; nothing is asserted (the target is at most 15 s and 1 GB).
# The CPU time is printed too: on a shared machine the wall time also
# measures the other jobs.
#
#   bench/prepare.sh [DATA_DIR]        (default /tmp/trivanex-prepare-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${1:-/tmp/trivanex-prepare-bench}
build="${TRIVANEX_BUILD:-$root/build}"  # another build folder: TRIVANEX_BUILD=DIR
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" -j2 --target trivanex-prepare > /dev/null
if [ ! -f "$data/hits.m8.gz" ]; then
  echo "== generating the family in $data (once; about a minute)"
  python3 "$root/bench/prepare_data.py" "$data"
fi
out=$(mktemp -d /tmp/trivanex-prepare-out-XXXXXX)
trap 'rm -rf "$out"' EXIT
echo "== trivanex-prepare on $data"
/usr/bin/time -v "$build/trivanex-prepare" --out "$out" \
  --species hsapi="$data/hsapi.tab3.txt.gz" --taxon hsapi=9606 \
  --species mmusc="$data/mmusc.edges.gz" --species dmela="$data/dmela.edges.gz" \
  --species celeg="$data/celeg.edges.gz" --species scere="$data/scere.links.txt.gz" \
  --hits "$data/hits.m8.gz" 2> "$out.err" > /dev/null || { cat "$out.err"; rm -f "$out.err"; exit 1; }
grep -vE '^\s+[A-Z(]|^\s+(Page|Exit|Socket|Signals|Swaps|File|Average|Voluntary|Invol|Percent|Minor|Major|System|User|Command|Elapsed|Maximum)' "$out.err" || true
wall=$(grep 'Elapsed (wall clock)' "$out.err" | awk '{print $NF}')
cpu=$(awk -F': ' '/User time|System time/ {s += $2} END {print s}' "$out.err")
rss=$(grep 'Maximum resident set size' "$out.err" | awk '{print $NF}')
lines=$(awk -F'\t' '$1 == "hits" && $3 == "lines" {print $4}' "$out/prepare.tsv")
rm -f "$out.err"
python3 - "$wall" "$rss" "$lines" "$cpu" <<'PY'
import sys
wall, rss, lines, cpu = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
parts = [float(p) for p in wall.split(":")]
secs = sum(p * 60 ** i for i, p in enumerate(reversed(parts)))
print(f"wall time        {secs:.2f} s")
print(f"CPU time         {cpu:.2f} s (user + system, both threads)")
print(f"peak RSS         {rss / 1024:.0f} MB")
print(f"hit lines        {lines}  ({lines / secs / 1e6:.2f} million per second)")
PY
