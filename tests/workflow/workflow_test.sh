#!/usr/bin/env bash
# The Snakemake workflow. Exits 77 (skipped) when what a part needs is missing.
#
#   workflow_test.sh BUILD_DIR SOURCE_DIR data
#     from a data folder, against a single run: the merged match-score file,
#     the cluster file, the star files and the evaluation must be the single
#     run's, byte for byte, also on a family whose order rests on differences
#     past the sixth digit, at one CPU and two, and with joint: true; config mistakes give one line
#     each; the Slurm profile's dry run plans the threads sbatch is asked for.
#   workflow_test.sh BUILD_DIR SOURCE_DIR sequences
#     the example from FASTA files (workflow/example) with the real diamond
#     and trivanex-prepare: the clusters must find the example's families.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
part=${3:-data}
if ! command -v snakemake >/dev/null 2>&1; then
  echo "snakemake is not installed (apt-get install snakemake): workflow test skipped"
  exit 77
fi
work=$(mktemp -d /tmp/trivanex-workflow-XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
# The report step needs trivanex-report; without it the runs leave it out.
report=false
[ -x "$build/trivanex-report" ] && report=true

if [ "$part" = sequences ]; then
  if ! command -v diamond >/dev/null 2>&1; then
    echo "diamond is not installed (apt-get install diamond-aligner): sequence workflow test skipped"
    exit 77
  fi
  if [ ! -x "$build/trivanex-prepare" ]; then
    echo "trivanex-prepare is not built: sequence workflow test skipped"
    exit 77
  fi
  # From another folder, as a user would run the installed copy: the config's
  # paths are taken from its own folder, the results land here.
  (cd "$work" && snakemake -s "$src/workflow/Snakefile" --cores 2 --quiet \
    --configfile "$src/workflow/example/config.yaml" --config bin="$build" report=$report \
    >"$work/snakemake.log" 2>&1) || { cat "$work/snakemake.log"; exit 1; }
  r=$work/results
  [ "$(ls "$r/hits" | wc -l)" = 6 ] || fail "expected DIAMOND hits for the 6 pairs A <= B"
  [ -s "$r/data/data.in" ] || fail "no prepared data folder"
  # Every family is one protein per species with real hits: the clusters find them.
  grep -q '^specificity *1\.0000' "$r/evaluation.txt" || fail "specificity: $(grep specificity "$r/evaluation.txt")"
  grep -q '^clusters spanning 3 species *24$' "$r/evaluation.txt" ||
    fail "clusters over all three species: $(grep 'spanning 3' "$r/evaluation.txt")"
  for f in diamond-alpha-beta.log prepare.log align-alpha-beta.log cluster.stderr; do
    [ -e "$r/logs/$f" ] || fail "no log $f under results/logs"
  done
  [ $status = 0 ] && echo "workflow: from FASTA files to the example's families"
  exit $status
fi

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
  report=$report >"$work/snakemake.log" 2>&1 || { cat "$work/snakemake.log"; exit 1; }

cmp "$work/single/tmp_match-score.txt" "$work/results/match-score.txt" || status=1
cmp "$work/single/tmp_output_cluster.txt" "$work/results/clusters.txt" || status=1
cmp "$work/single/evaluation.txt" "$work/results/evaluation.txt" || status=1
for f in "$work"/single/stars_*.txt; do cmp "$f" "$work/results/work/${f##*/}" || status=1; done
[ "$(ls "$work/results/logs"/align-*.log | wc -l)" = 3 ] || fail "expected one job per species pair"
# The exact hand-over files go once merged and clustered.
[ -z "$(ls "$work/results/pairs" 2>/dev/null)" ] || fail "pair files left: $(ls "$work/results/pairs")"
[ ! -e "$work/results/match-score.exact" ] || fail "the exact score file was left"
# Nothing is written into the data folder.
[ "$(ls "$work/data" | wc -l)" = "$(( $(ls "$src/tests/data/runs/three/input" | wc -l) + 1 ))" ] \
  || fail "the workflow wrote into the data folder"
# Every job's log is under results/logs; the pair logs, in pair order, are the run's log.
[ "$(ls "$work/results/logs" | wc -l)" -ge 7 ] || fail "logs: $(ls "$work/results/logs")"
if [ $report = true ]; then
  for f in clusters.tsv nodes.tsv edges.tsv alignment.graphml report.html pairs.tsv; do
    [ -s "$work/results/report/$f" ] || fail "report folder has no $f"
  done
fi

# The trivanex jobs run quiet unless trace: true: the clustering's log is its
# closing line alone; with trace the jobs keep their trace and the report reads it.
clusters=$(wc -l < "$work/results/clusters.txt")
[ "$(cat "$work/results/logs/cluster.stderr")" = \
  "Wrote $work/results/clusters.txt ($clusters clusters), stars_ce.txt, stars_hs.txt, stars_sc.txt" ] ||
  fail "quiet clustering log: $(head -3 "$work/results/logs/cluster.stderr")"
[ -s "$work/results/logs/cluster.stdout" ] && fail "a quiet clustering wrote to standard output"
snakemake -s "$src/workflow/Snakefile" --directory "$work" -n -p --forceall --cores 1 \
  --config data="$work/data" bin="$build" options="$options" out="$work/results" report=$report \
  trace=true >"$work/trace.log" 2>&1 || { cat "$work/trace.log"; status=1; }
grep -q -- '--quiet' "$work/trace.log" && fail "trace: true still runs the jobs with --quiet"
if [ $report = true ]; then
  grep -q -- "--log $work/results/logs/run.stderr" "$work/trace.log" || fail "trace: true gives the report no log"
fi

# Two copies of one family whose scores differ only past the sixth digit: read
# back from the match-score file, its clusters come in another order; through
# the workflow they must not, with one CPU and with two.
ties=$src/tests/data/runs/ties/input
mkdir "$work/ties-single" "$work/ties-data"
cp "$ties"/* "$work/ties-single/"
cp "$ties"/* "$work/ties-data/"
(cd "$work/ties-single" && "$build/trivanex" data.in >/dev/null 2>&1)
for cpus in 1 2; do
  out=$work/ties-$cpus
  # One CPU: trivanex sizes its threads by the affinity mask it inherits.
  pin=""
  [ $cpus = 1 ] && command -v taskset >/dev/null 2>&1 && pin="taskset -c 0"
  $pin snakemake -s "$src/workflow/Snakefile" --directory "$work" --cores $cpus --quiet \
    --config data="$work/ties-data" bin="$build" out="$out" report=false keep_pairs=true \
    gzip_scores=true >"$work/ties-$cpus.log" 2>&1 || { cat "$work/ties-$cpus.log"; exit 1; }
  cmp "$work/ties-single/tmp_output_cluster.txt" "$out/clusters.txt" || fail "ties, $cpus CPUs: cluster file"
  for f in "$work"/ties-single/stars_*.txt; do
    cmp "$f" "$out/work/${f##*/}" || fail "ties, $cpus CPUs: ${f##*/}"
  done
  gzip -dc "$out/match-score.txt.gz" | cmp - "$work/ties-single/tmp_match-score.txt" ||
    fail "ties, $cpus CPUs: compressed match-score file"
  [ "$(ls "$out/pairs"/*.exact | wc -l)" = 3 ] && [ -s "$out/match-score.exact" ] ||
    fail "keep_pairs=true did not keep the exact files"
done

# joint: true clusters as a single --joint run does, from the same hand-over.
(cd "$work/ties-single" && "$build/trivanex" --joint -o joint.txt data.in >/dev/null 2>&1)
snakemake -s "$src/workflow/Snakefile" --directory "$work" --cores 2 --quiet \
  --config data="$work/ties-data" bin="$build" out="$work/ties-joint" report=false joint=true \
  >"$work/ties-joint.log" 2>&1 || { cat "$work/ties-joint.log"; exit 1; }
cmp "$work/ties-single/joint.txt" "$work/ties-joint/clusters.txt" || fail "joint: true: cluster file"

# Config mistakes: one line each, naming the key or file, and no traceback.
mkdir "$work/empty"
(cd "$work/empty" && snakemake -s "$src/workflow/Snakefile" -n --cores 1 \
  --config dta="$work/data" bin="$work/nosuch" truth='*.fo' > out.txt 2> err.txt) && fail "a bad config ran"
printf '%s\n' \
  "Error: unknown config key 'dta' (did you mean 'data'?)" \
  "Error: give either 'data' (a data folder) or 'species' (a FASTA and a network file per species)" \
  "Error: 'bin' folder $work/nosuch does not exist" \
  "(the settings are listed at the top of $src/workflow/Snakefile)" > "$work/expected.err"
diff "$work/expected.err" "$work/empty/err.txt" || fail "config mistakes are not reported as expected"
printf 'species:\n  alpha: {fasta: nosuch.fa, netwrk: alpha.edges}\n' > "$work/empty/bad.yaml"
(cd "$work/empty" && snakemake -s "$src/workflow/Snakefile" -n --cores 1 --configfile bad.yaml \
  --config bin="$build" report=false > out.txt 2> err.txt) && fail "a bad species list ran"
for line in "Error: species 'alpha': unknown key 'netwrk' (did you mean 'network'?)" \
  "Error: species 'alpha': fasta file $work/empty/nosuch.fa does not exist" \
  "Error: species 'alpha' has no 'network' file"; do
  grep -qxF "$line" "$work/empty/err.txt" || fail "missing line: $line"$'\n'"$(cat "$work/empty/err.txt")"
done
grep -q Traceback "$work/empty/err.txt" && fail "a traceback for a config mistake"

# The Slurm profile parses and plans the same jobs (a dry run submits nothing),
# with the threads each rule declares, as sbatch is asked for them.
snakemake -s "$src/workflow/Snakefile" --directory "$work" --profile "$src/workflow/profiles/slurm" \
  --dry-run --forceall \
  --config data="$work/data" bin="$build" options="$options" out="$work/results" report=false \
  >"$work/dryrun.log" 2>&1 || { cat "$work/dryrun.log"; status=1; }
grep -Eq '^align_pair +3 +2 +2$' "$work/dryrun.log" ||
  fail "dry run does not plan align_pair with 2 threads: $(grep align_pair "$work/dryrun.log" | head -3)"
[ $status = 0 ] && echo "workflow: merged match-score file, cluster file, star files and evaluation equal the single run's"
exit $status
