#!/usr/bin/env bash
# Accuracy and cost of the clustering modes, side by side: for each data set
# (a folder with data.in, its inputs and ortholog groups *.fo), a default run
# and a --joint run (extra trivanex options go to both), each scored by
# trivanex-eval. Prints one table row a run: clusters, specificity, correct
# nodes, the clusters holding every species with their specificity and
# correct nodes, wall time, peak memory and the clustering step's time; and
# after the default run, the sequence-only baseline that trivanex-eval reports
# (reciprocal best hits of the sequence scores).
# Figures only; nothing is asserted.
#
#   bench/modes.sh ../shared/data/napabench-* [-- --factored]
#   TRIVANEX_BUILD=/elsewhere bench/modes.sh ...   programs of another build folder
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${TRIVANEX_BUILD:-$root/build}" && pwd)
sets=()
while (($#)) && [ "$1" != "--" ]; do sets+=("$(cd "$1" && pwd)"); shift; done
[ "${1:-}" = "--" ] && shift
work=$(mktemp -d /tmp/trivanex-bench-modes-XXXXXX)
trap 'rm -rf "$work"' EXIT

printf '%-28s %-8s %8s %7s %6s %9s %7s %6s %8s %8s %8s\n' set mode clusters SPE CN all-sp. SPE CN wall_s peak_MB clust_s
for data in "${sets[@]}"; do
  for mode in default joint; do
    run="$work/$mode"
    rm -rf "$run" && mkdir "$run" && cd "$run"
    for f in "$data"/*; do ln -s "$f" .; done
    opts=("$@")
    [ "$mode" = joint ] && opts+=(--joint)
    python3 "$root/bench/stages.py" stderr.txt stdout.txt -- /usr/bin/time -f '%e %M' -o time.txt \
      "$build/trivanex" "${opts[@]}" data.in > stages.txt || { tail -3 stderr.txt; exit 1; }
    "$build/trivanex-eval" data.in tmp_output_cluster.txt ./*.fo > eval.txt
    read -r wall kb < time.txt
    clust=$(awk '$1 == "clustering" {print $2}' stages.txt)
    awk -v set="$(basename "$data")" -v mode="$mode" -v wall="$wall" -v mb="$((kb / 1024))" -v cl="$clust" '
      /^clusters  / {c = $2} /^specificity/ {s = $2} /^correct nodes/ {n = $3}
      /^all-species clusters/ {ac = $3} /^all-species specificity/ {as = $3}
      /^all-species correct nodes/ {an = $4}
      /^baseline clusters  / {bc = $3} /^baseline specificity/ {bs = $3}
      /^baseline correct nodes/ {bn = $4} /^baseline all-species clusters/ {bac = $4}
      /^baseline all-species specificity/ {bas = $4} /^baseline all-species correct nodes/ {ban = $5}
      END {printf "%-28s %-8s %8s %7s %6s %9s %7s %6s %8s %8s %8s\n", set, mode, c, s, n, ac, as, an, wall, mb, cl
           if (mode == "default" && bc != "")
             printf "%-28s %-8s %8s %7s %6s %9s %7s %6s %8s %8s %8s\n", set, "baseline", bc, bs, bn, bac, bas, ban, "-", "-", "-"}' eval.txt
    cd "$work" && rm -rf "$run"
  done
done
