#!/usr/bin/env bash
# The workflow against a single run on one data folder: wall time, peak
# memory, disk at its peak and whether the bytes are the same. Prints figures,
# asserts nothing.
#
#   bench/scaleout.sh DATA_DIR [--slurm] [-- trivanex options]
#
# The single run: trivanex in a scratch folder linking DATA_DIR's files
# (/usr/bin/time -v). The workflow: --cores 2 on this machine and, with
# --slurm, through workflow/profiles/slurm on a one-machine Slurm cluster
# started for the purpose (tests/workflow/slurm_cluster.sh, as root) and
# stopped at the end. Peak memory of the largest job comes from the jobs'
# benchmark files (results/logs/bench), disk from sampling the results folder
# every second. Programs from SOURCE/build or TRIVANEX_BUILD.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${TRIVANEX_BUILD:-$root/build}" && pwd)
data=$(cd "$1" && pwd)
shift
slurm=false
if [ "${1:-}" = --slurm ]; then slurm=true; shift; fi
[ "${1:-}" = -- ] && shift
options="$*"
work=$(mktemp -d /tmp/trivanex-scaleout-XXXXXX)
chmod 755 "$work"  # the Slurm cluster's munge socket lies below it
cleanup() {
  [ $slurm = true ] && slurm_cluster_stop "$work/cluster" || true
  rm -rf "$work"
}
trap cleanup EXIT

# peak_disk DIR PID: the largest size of DIR while PID runs, in MB.
peak_disk() {
  local most=0 now
  while kill -0 "$2" 2>/dev/null; do
    now=$(du -sbL "$1" 2>/dev/null | cut -f1 || echo 0)
    now=${now:-0}
    [ "$now" -gt "$most" ] && most=$now
    sleep 1
  done
  echo $((most / 1000000))
}

mkdir "$work/single"
ln -s "$data"/* "$work/single/"
(cd "$work/single" && /usr/bin/time -v -o time.txt "$build/trivanex" $options data.in > /dev/null 2> stderr.txt)
wall=$(awk -F': ' '/Elapsed/ { print $2 }' "$work/single/time.txt")
rss=$(awk -F': ' '/Maximum resident/ { printf "%.0f", $2 / 1024 }' "$work/single/time.txt")
disk=$(find "$work/single" -maxdepth 1 -type f -name '*.txt' ! -name time.txt ! -name stderr.txt -printf '%s\n' |
  awk '{ s += $1 } END { printf "%.0f", s / 1e6 }')
echo "single run:        wall $wall, peak memory $rss MB, outputs $disk MB"

same_bytes() {  # same_bytes RESULTS
  local f bad=""
  cmp -s "$work/single/tmp_match-score.txt" "$1/match-score.txt" || bad="$bad match-score"
  cmp -s "$work/single/tmp_output_cluster.txt" "$1/clusters.txt" || bad="$bad clusters"
  for f in "$work"/single/stars_*.txt; do cmp -s "$f" "$1/work/${f##*/}" || bad="$bad ${f##*/}"; done
  [ -z "$bad" ] && echo "same bytes" || echo "DIFFERENT:$bad"
}

workflow() {  # workflow NAME [snakemake options]
  local name=$1 start end pid peak
  shift
  mkdir "$work/$name"
  start=$(date +%s.%N)
  (cd "$work/$name" && snakemake -s "$root/workflow/Snakefile" "$@" --config data="$data" \
    bin="$build" options="$options" report=false out="$work/$name/results" > snakemake.log 2>&1) &
  pid=$!
  peak=$(peak_disk "$work/$name/results" $pid)
  wait $pid || { tail -20 "$work/$name/snakemake.log"; return 1; }
  end=$(date +%s.%N)
  local biggest
  biggest=$(for f in "$work/$name"/results/logs/bench/*.tsv; do
    tail -1 "$f" | awk -v job="$(basename "$f" .tsv)" '{ printf "%.0f %s\n", $3, job }'
  done | sort -n | tail -1)
  printf '%-18s wall %.1f s, largest job %s MB (%s), disk at peak %s MB, %s\n' "$name:" \
    "$(echo "$end - $start" | bc)" "${biggest%% *}" "${biggest#* }" "$peak" "$(same_bytes "$work/$name/results")"
}

workflow local --cores 2
if [ $slurm = true ]; then
  . "$root/tests/workflow/slurm_cluster.sh"
  mkdir "$work/cluster"
  slurm_cluster_start "$work/cluster" > /dev/null
  workflow slurm --profile "$root/workflow/profiles/slurm"
fi
