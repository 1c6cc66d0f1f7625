#!/usr/bin/env bash
# Benchmarks trivanex-report on one data set: a default trivanex run first (in
# a scratch folder linking the data's files; not timed here), then the report
# with the run's match-score file, its standard error and every group file
# (*.fo) of the data set, timed with /usr/bin/time -v: wall time, peak memory
# and match-score lines read per second. Figures only; nothing is asserted.
#
#   bench/report.sh [../shared/data/napabench-5way-CG1]
#   BENCH_RUNS=3 bench/report.sh ...      repeats the report
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=$(cd "${1:-$root/../shared/data/napabench-5way-CG1}" && pwd)
build="${TRIVANEX_BUILD:-$root/build}"  # another build folder: TRIVANEX_BUILD=DIR
runs=${BENCH_RUNS:-1}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target trivanex trivanex-report >/dev/null

work=$(mktemp -d /tmp/trivanex-bench-report-XXXXXX)
trap 'rm -rf "$work"' EXIT
for f in "$data"/*; do ln -s "$f" "$work/"; done
cd "$work"
echo "== trivanex data.in  ($data), for the report's inputs"
"$build/trivanex" data.in > /dev/null 2> run.stderr
lines=$(wc -l < tmp_match-score.txt)
echo "  match-score file: $lines lines, $(( $(stat -c %s tmp_match-score.txt) / 1000000 )) MB;" \
  "clusters: $(wc -l < tmp_output_cluster.txt)"

groups=()
for f in *.fo; do [ -e "$f" ] && groups+=(--groups "$f"); done
for ((k = 1; k <= runs; k++)); do
  echo "== report $k: trivanex-report --scores --log ${groups[*]} data.in tmp_output_cluster.txt --out report"
  /usr/bin/time -v -o time.txt "$build/trivanex-report" --scores tmp_match-score.txt --log run.stderr \
    "${groups[@]}" data.in tmp_output_cluster.txt --out report > summary.txt
  grep -E "Elapsed \(wall clock\)|Maximum resident set size" time.txt | sed 's/^\s*/  /'
  python3 - time.txt "$lines" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (\S+)", text).group(1)
seconds = sum(float(x) * 60 ** i for i, x in enumerate(reversed(wall.split(":"))))
rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1))
print(f"  wall {seconds:.2f} s (limit 5 s), peak RSS {rss / 1024:.0f} MB (limit 1024 MB), "
      f"{int(sys.argv[2]) / seconds / 1e6:.1f} M match-score lines/s")
PY
done
echo "  files: $(cd report && ls | tr '\n' ' ')"
