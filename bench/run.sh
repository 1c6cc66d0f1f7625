#!/usr/bin/env bash
# Benchmarks one data set: a default compute run (wall time, peak memory), the
# sweep throughput, and the clustering step. Figures only; nothing is asserted.
#
#   bench/run.sh ../shared/data/napabench-2way-DMR1 [extra trivanex options]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=$(cd "$1" && pwd); shift
build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target trivanex trivanex_bench >/dev/null

# Run in a scratch folder that links the inputs, so nothing lands in the data set.
work=$(mktemp -d /tmp/trivanex-bench-run-XXXXXX)
for f in "$data"/*; do ln -s "$f" "$work/"; done
cd "$work"

echo "== compute run: trivanex $* data.in  ($data)"
/usr/bin/time -v "$build/trivanex" "$@" data.in >stdout.txt 2>stderr.txt || { tail -5 stderr.txt; exit 1; }
grep -E "Elapsed \(wall clock\)|Maximum resident set size" stderr.txt | sed 's/^\s*/  /'
echo "  match scores: $(wc -l < tmp_match-score.txt), clusters: $(wc -l < tmp_output_cluster.txt)"

echo "== sweep throughput (4 sweeps per species pair)"
"$build/trivanex_bench" sweep data.in 4

echo "== clustering step on the match scores of that run"
"$build/trivanex_bench" cluster data.in tmp_match-score.txt | head -1
rm -rf "$work"
