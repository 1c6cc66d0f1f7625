#!/usr/bin/env bash
# The benchmark scripts on tiny data, for their parsing and bookkeeping (no
# timing is checked): the growth table has a row per mode with the scores
# written; the agreement report sees a changed score, a missing one and a
# changed cluster line; the same-bytes check passes one build against itself
# and fails against a build with other settings.
#
#   bench_scripts_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
src=$(realpath "$2")
work=$(mktemp -d /tmp/trivanex-benchscripts-XXXXXX)
trap 'rm -rf "$work"' EXIT
fails=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then :; else echo "FAILED: $1"; fails=$((fails + 1)); fi
}

python3 "$src/bench/growth.py" --build "$build" --scales 1/64 --modes default,pruned \
  --scratch "$work/growth" > "$work/growth.txt"
check "growth: default row with every scored pair" \
  grep -qE '^\| 1/64 \| default \| .* \| 0\.279 M lines, .* s \|$' "$work/growth.txt"
check "growth: pruned row" grep -qE '^\| 1/64 \| pruned \| ' "$work/growth.txt"
check "growth: stage times" grep -qE '\| [0-9.]+ / [0-9.]+ / [0-9.]+ / [0-9.]+ s \|$' "$work/growth.txt"
check "growth: outputs deleted" test -z "$(ls "$work/growth")"

"$build/trivanex_synth" --species "xx:x:50:120,yy:y:40:80" "$work/data" > /dev/null
mkdir "$work/a" "$work/b"
(cd "$work/a" && ln -s "$work"/data/* . && "$build/trivanex" data.in > /dev/null 2>&1)
cp "$work"/a/tmp_*.txt "$work/b/"
# One score a thousandth larger, one line gone, one cluster line changed.
awk 'NR == 10 { $3 = $3 * 1.001 } NR == 20 { next } { print }' "$work/a/tmp_match-score.txt" \
  > "$work/b/tmp_match-score.txt"
sed -i '1s/ [^ ]*$//' "$work/b/tmp_output_cluster.txt"
TRIVANEX_BUILD="$build" python3 "$src/bench/agreement.py" "$work/data" "$work/a" "$work/b" > "$work/agree.txt" 2>&1 || true
check "agreement: only in the first" grep -qE '^only in the first +1 ' "$work/agree.txt"
check "agreement: one value differs" grep -qE '^values that differ +1$' "$work/agree.txt"
check "agreement: relative difference" grep -qE '^largest relative difference +0\.000999' "$work/agree.txt"
check "agreement: cluster lines" grep -qE '; 1 differ in place; 1 of the first' "$work/agree.txt"
check "agreement: evaluation of both" grep -qE '^  clusters +[0-9]+ +[0-9]+$' "$work/agree.txt"

check "same build, same bytes" "$src/bench/compare_builds.sh" "$build/trivanex" "$build/trivanex" \
  "$work/data" 1,2 > "$work/same.txt"
printf '#!/bin/sh\nexec "%s" -alpha 0.5 "$@"\n' "$build/trivanex" > "$work/other.sh"
chmod +x "$work/other.sh"
check "other settings, other bytes" bash -c "! '$src/bench/compare_builds.sh' '$build/trivanex' \
  '$work/other.sh' '$work/data' 1 > '$work/other.txt'"
check "the differing files named" grep -q 'tmp_match-score.txt' "$work/other.txt"

if ((fails)); then cat "$work"/*.txt; echo "$fails checks failed"; exit 1; fi
echo "benchmark script checks passed"
