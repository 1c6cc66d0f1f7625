#!/usr/bin/env bash
# The Snakemake workflow against a single run: the merged match-score file
# and the cluster file must be the single run's, byte for byte. Exits 77
# (skipped) when snakemake is not installed.
#
#   workflow_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
if ! command -v snakemake >/dev/null 2>&1; then
  echo "snakemake is not installed: workflow test skipped"
  exit 77
fi
work=$(mktemp -d /tmp/trivanex-workflow-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Three species, a within-species score file, pruning (sparse pairs), a
# protein known only from a score file.
mkdir "$work/data" "$work/single"
cp "$src"/tests/data/runs/three/input/* "$work/data/"
cp "$src"/tests/data/runs/three/input/* "$work/single/"
# Ortholog groups for the evaluation step: each protein's number is its group.
for f in "$work"/data/*.tab; do
  tail -n +2 "$f" | tr -s ' \t' '\n\n' | grep -E '^[a-z]+[0-9]+$' | sort -u \
    | sed -E 's/^([a-z]+)([0-9]+)$/\1\2\tG\2/'
done > "$work/data/groups.fo"
cp "$work/data/groups.fo" "$work/single/"
options="-K 8 -alpha 0.7 -maxveclen 20"

(cd "$work/single" && "$build/trivanex" $options data.in >/dev/null 2>&1 &&
  "$build/trivanex-eval" data.in tmp_output_cluster.txt groups.fo > evaluation.txt)

snakemake -s "$src/workflow/Snakefile" --directory "$work" --cores 2 --quiet \
  --config data="$work/data" bin="$build" options="$options" out="$work/results" truth='*.fo' \
  >"$work/snakemake.log" 2>&1 || { cat "$work/snakemake.log"; exit 1; }

status=0
cmp "$work/single/tmp_match-score.txt" "$work/results/match-score.txt" || status=1
cmp "$work/single/tmp_output_cluster.txt" "$work/results/clusters.txt" || status=1
cmp "$work/single/evaluation.txt" "$work/results/evaluation.txt" || status=1
grep -q '^correct clusters' "$work/results/evaluation.txt" || { echo "no evaluation report"; status=1; }
[ "$(ls "$work/results/pairs" | wc -l)" = 3 ] || { echo "expected one job per species pair"; status=1; }
# Nothing is written into the data folder.
[ "$(ls "$work/data" | wc -l)" = "$(( $(ls "$src/tests/data/runs/three/input" | wc -l) + 1 ))" ] \
  || { echo "the workflow wrote into the data folder"; status=1; }
# The Slurm profile parses and plans the same jobs (a dry run submits nothing).
snakemake -s "$src/workflow/Snakefile" --directory "$work" --profile "$src/workflow/profiles/slurm" \
  --dry-run --forceall --quiet \
  --config data="$work/data" bin="$build" options="$options" out="$work/results" \
  >"$work/dryrun.log" 2>&1 || { cat "$work/dryrun.log"; status=1; }
[ $status = 0 ] && echo "workflow: merged match-score file and cluster file equal the single run's"
exit $status
