#!/usr/bin/env bash
# Short run of every fuzz harness from its seed corpus (default 20 s each, two
# at a time), working corpora in a scratch folder. Fails when any harness
# reports a crash, hang, leak or sanitizer error.
#   fuzz/smoke.sh build-fuzz [SECONDS]
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder with the harnesses}
seconds=${2:-20}
work=$(mktemp -d /tmp/trivanex-fuzz-smoke-XXXXXX)
trap 'rm -rf "$work"' EXIT

run() {
  local h=$1
  mkdir -p "$work/$h" "$work/$h-findings"
  if "$build/$h" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 \
       -artifact_prefix="$work/$h-findings/" "$work/$h" "fuzz/corpus/$h" > "$work/$h.log" 2>&1; then
    echo "fuzz smoke $h: ok, $(grep -E '^#[0-9]+' "$work/$h.log" | tail -1 | awk '{print $1, $3, $4, $5, $6}')"
  else
    echo "fuzz smoke $h: FAILED"
    tail -40 "$work/$h.log"
    return 1
  fi
}

status=0
harnesses=()
for src in fuzz/fuzz_*.cpp; do harnesses+=("$(basename "$src" .cpp)"); done
for ((i = 0; i < ${#harnesses[@]}; i += 2)); do
  run "${harnesses[i]}" & a=$!
  b=
  if ((i + 1 < ${#harnesses[@]})); then run "${harnesses[i + 1]}" & b=$!; fi
  wait $a || status=1
  if [ -n "$b" ]; then wait $b || status=1; fi
done
exit $status
