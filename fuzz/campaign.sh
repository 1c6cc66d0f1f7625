#!/usr/bin/env bash
# Long fuzz campaign: every harness at once, at the lowest priority, each for
# SECONDS of wall time (default 1800), working corpora and findings under
# OUT (default /tmp/trivanex-fuzz-campaign), never in the repository.
#   fuzz/campaign.sh build-fuzz [SECONDS] [OUT]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder with the harnesses}
seconds=${2:-1800}
out=${3:-/tmp/trivanex-fuzz-campaign}
mkdir -p "$out/bin"
for src in fuzz/fuzz_*.cpp; do
  h=$(basename "$src" .cpp)
  cp "$build/$h" "$out/bin/$h"   # a rebuild during the campaign must not swap the binary
  mkdir -p "$out/$h" "$out/$h-findings"
  ( start=$(date +%s)
    nice -n 19 "$out/bin/$h" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$out/$h-findings/" "$out/$h" "fuzz/corpus/$h" \
      > "$out/$h.log" 2>&1 || true
    echo "wall seconds: $(( $(date +%s) - start ))" >> "$out/$h.log" ) &
done
wait
for src in fuzz/fuzz_*.cpp; do
  h=$(basename "$src" .cpp)
  echo "$h: $(grep -E '^#[0-9]+' "$out/$h.log" | tail -1)"
  echo "  $(grep -E 'stat::number_of_executed_units' "$out/$h.log") $(tail -1 "$out/$h.log")" \
       "corpus files: $(ls "$out/$h" | wc -l) findings: $(ls "$out/$h-findings" | wc -l)"
done
