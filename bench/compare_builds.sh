#!/usr/bin/env bash
# Same bytes? Runs two trivanex builds on one data set, each in a scratch
# folder linking the data's files, at each thread count (1 = taskset -c 0),
# and compares the sha256 of standard output, standard error, the match-score
# file, the cluster file and every star file. Exit status 1 when anything
# differs. Outputs are hashed and deleted run by run, so only one run's
# files are on disk at a time.
#
#   bench/compare_builds.sh OLD_TRIVANEX NEW_TRIVANEX DATA_DIR [THREADS [OPTION...]]
#   THREADS: comma-separated thread counts (default 1,2); OPTIONs go to both builds.
set -euo pipefail
if (($# < 3)); then
  sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
data=$(realpath "$3")
threads=${4:-1,2}
opts=("${@:5}")
work=$(mktemp -d /tmp/trivanex-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT

# hashes BUILD THREADS > LIST: one "sha256  name" line per output file.
hashes() {
  local dir="$work/run" cpus="0-$(($2 - 1))"
  rm -rf "$dir" && mkdir "$dir" && cd "$dir"
  for f in "$data"/*; do ln -s "$f" .; done
  local status=0
  taskset -c "$cpus" "$1" "${opts[@]}" data.in > stdout.txt 2> stderr.txt || status=$?
  echo "exit status $status"
  find . -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort | xargs sha256sum
  cd "$work" && rm -rf "$dir"
}

differ=0
for n in ${threads//,/ }; do
  (hashes "$old" "$n") > "$work/old.txt"
  (hashes "$new" "$n") > "$work/new.txt"
  files=$(wc -l < "$work/old.txt")
  if cmp -s "$work/old.txt" "$work/new.txt"; then
    echo "$n thread(s): same bytes ($((files - 1)) files and the exit status)"
  else
    echo "$n thread(s): DIFFERENT"
    diff "$work/old.txt" "$work/new.txt" | sed 's/^/  /' || true
    differ=1
  fi
done
exit $differ
