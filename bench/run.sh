#!/usr/bin/env bash
# Benchmarks one data set: a default compute run (wall time, peak memory, the
# time of each stage), a read-mode run on the match-score file it wrote, the
# sweep throughput on one thread and on all, and the clustering step alone.
# Figures only; nothing is asserted.
#
#   bench/run.sh ../shared/data/napabench-2way-DMR1 [extra trivanex options]
#   BENCH_RUNS=3 bench/run.sh ...      repeats the two runs
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=$(cd "$1" && pwd); shift
build="${TRIVANEX_BUILD:-$root/build}"  # another build folder: TRIVANEX_BUILD=DIR
runs=${BENCH_RUNS:-1}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target trivanex trivanex_bench >/dev/null

# Run in scratch folders that link the inputs, so nothing lands in the data set.
work=$(mktemp -d /tmp/trivanex-bench-run-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/compute" "$work/read"
for f in "$data"/*; do ln -s "$f" "$work/compute/"; ln -s "$f" "$work/read/"; done

figures() {  # wall time and peak memory from /usr/bin/time -v
  grep -E "Elapsed \(wall clock\)|Maximum resident set size" "$1" | sed 's/^\s*/  /'
}

for ((k = 1; k <= runs; k++)); do
  cd "$work/compute"
  echo "== compute run $k: trivanex $* data.in  ($data)"
  python3 "$root/bench/stages.py" stderr.txt stdout.txt -- \
    /usr/bin/time -v -o time.txt "$build/trivanex" "$@" data.in || { tail -5 stderr.txt; exit 1; }
  figures time.txt
  echo "  match scores: $(wc -l < tmp_match-score.txt), clusters: $(wc -l < tmp_output_cluster.txt)"

  cd "$work/read"
  echo "== read-mode run $k: trivanex --scorefile <that file> data.in"
  python3 "$root/bench/stages.py" stderr.txt stdout.txt -- \
    /usr/bin/time -v -o time.txt "$build/trivanex" --scorefile "$work/compute/tmp_match-score.txt" \
    "$@" data.in || { tail -5 stderr.txt; exit 1; }
  figures time.txt
done

cd "$work/compute"
echo "== sweep throughput (4 sweeps per species pair)"
"$build/trivanex_bench" sweep data.in 4

echo "== clustering step on the match scores of that run"
"$build/trivanex_bench" cluster data.in tmp_match-score.txt | head -1
