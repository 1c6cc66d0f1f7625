#!/usr/bin/env bash
# The workflow on a real one-machine Slurm cluster, started from Debian's
# packages in a temporary folder and stopped and removed at the end, also on
# failure. Every job goes through sbatch with workflow/profiles/slurm (the
# partition and account added to its sbatch line as the README says); the job
# completion log must show each rule's jobs; one pair job is cancelled while
# it runs and must be resubmitted; every output must equal a single run's,
# byte for byte; running the command again finds nothing to do.
#
#   slurm_test.sh BUILD_DIR SOURCE_DIR
# Exits 77 (skipped) without slurm-wlm, munge or snakemake.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
for tool in slurmctld slurmd munged sbatch scontrol scancel squeue snakemake; do
  if ! command -v $tool >/dev/null 2>&1; then
    echo "$tool is not installed (apt-get install slurm-wlm munge snakemake): Slurm test skipped"
    exit 77
  fi
done
if [ ! -x "$build/trivanex_synth" ]; then
  echo "trivanex_synth is not built (-DTRIVANEX_BENCH=ON): Slurm test skipped"
  exit 77
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "starting slurmd needs root: Slurm test skipped"
  exit 77
fi

. "$src/tests/workflow/slurm_cluster.sh"
tmp=$(mktemp -d /tmp/trivanex-slurm-XXXXXX)
snakemake_pid=""
cleanup() {
  [ -n "$snakemake_pid" ] && kill "$snakemake_pid" 2>/dev/null || true
  slurm_cluster_stop "$tmp"
  if [ "${TRIVANEX_KEEP_TEST_DIRS:-}" = 1 ]; then echo "kept $tmp"; else rm -rf "$tmp"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM
status=0
fail() { echo "FAIL: $*"; status=1; }

slurm_cluster_start "$tmp" || { echo "FAIL: the cluster did not come up"; exit 1; }

# ---- the data and the single run ----------------------------------------------------------------
# Three species; the first pair large enough to be cancelled while it computes.
"$build/trivanex_synth" --species "xx:x:2500:12000,yy:y:2000:9000,zz:z:800:3000" "$tmp/data" > /dev/null
mkdir "$tmp/single"
ln -s "$tmp"/data/* "$tmp/single/"
(cd "$tmp/single" && "$build/trivanex" data.in > /dev/null 2>&1 &&
  "$build/trivanex-eval" data.in tmp_output_cluster.txt xx.fo yy.fo zz.fo > evaluation.txt)

# ---- the workflow through Slurm, as the README's "Running on a Slurm cluster" says ----------------
# 1. a copy of the profile with the site's partition and account on its sbatch line;
cp -r "$src/workflow/profiles/slurm" "$tmp/profile"
sed -i 's/^  sbatch --parsable$/  sbatch --parsable --partition=trivanex --account=trivanex-test/' \
  "$tmp/profile/config.yaml"
grep -q -- '--partition=trivanex --account=trivanex-test' "$tmp/profile/config.yaml" ||
  { echo "FAIL: the profile's sbatch line was not found"; exit 1; }
mkdir "$tmp/run"
cd "$tmp/run"
# 2. memory and time per rule where the rule's own do not fit;
run_workflow() {
  # Bounded, so that a stuck cluster fails here and the cluster is still stopped.
  timeout 420 snakemake -s "$src/workflow/Snakefile" --profile "$tmp/profile" \
    --set-resources align_pair:mem_mb=2000 align_pair:runtime=20 \
    --config data="$tmp/data" bin="$build" truth='*.fo' report=false "$@"
}
# 3. run it from the login node (here: in the background, to cancel a pair job).
run_workflow > snakemake.log 2>&1 &
snakemake_pid=$!
cancelled=""
for _ in $(seq 600); do
  # The pair job's command has started once its log exists.
  if [ -e results/logs/align-xx-yy.log ]; then
    cancelled=$(squeue -h -n trivanex-align_pair -t R -o %i | head -1)
    if [ -n "$cancelled" ]; then scancel "$cancelled"; break; fi
  fi
  kill -0 $snakemake_pid 2>/dev/null || break
  sleep 0.1
done
wait $snakemake_pid || { cat snakemake.log; tail -5 slurm-logs/*; fail "the workflow failed under Slurm"; exit 1; }
[ -n "$cancelled" ] || fail "no running pair job was found to cancel"

# Every output is the single run's.
r=$tmp/run/results
cmp "$tmp/single/tmp_match-score.txt" "$r/match-score.txt" || fail "match-score file"
cmp "$tmp/single/tmp_output_cluster.txt" "$r/clusters.txt" || fail "cluster file"
cmp "$tmp/single/evaluation.txt" "$r/evaluation.txt" || fail "evaluation"
for f in "$tmp"/single/stars_*.txt; do cmp "$f" "$r/work/${f##*/}" || fail "${f##*/}"; done
[ -z "$(ls "$r/pairs" 2>/dev/null)" ] || fail "pair files left after the merge"

# The jobs ran as Slurm jobs: each rule in the completion log, the cancelled
# pair job as CANCELLED, and its resubmission completed.
grep -q "^JobId=$cancelled .* JobState=CANCELLED " "$tmp/jobcomp.log" ||
  fail "job $cancelled is not recorded as cancelled"
completed() { grep -c " Name=trivanex-$1 JobState=COMPLETED " "$tmp/jobcomp.log" || true; }
for rule in stage merge cluster evaluate; do
  [ "$(completed $rule)" = 1 ] || fail "no completed Slurm job of rule $rule"
done
[ "$(completed align_pair)" = 3 ] || fail "$(completed align_pair) pair jobs completed, not 3"
[ "$(ls slurm-logs | wc -l)" -ge 8 ] || fail "slurm-logs holds $(ls slurm-logs | wc -l) job logs"
[ "$(grep -c " Partition=trivanex .* Account=trivanex-test " "$tmp/jobcomp.log")" = 8 ] ||
  fail "jobs not in the partition and account asked for"

# 4. after a failure, the same command resumes; after success it has nothing to do.
run_workflow > again.log 2>&1 || fail "the second run failed"
grep -q "Nothing to be done" again.log || fail "the second run did work: $(tail -3 again.log)"

if [ $status != 0 ]; then
  tail -30 snakemake.log; cat "$tmp/jobcomp.log"
fi
[ $status = 0 ] && echo "Slurm: every job through sbatch, a cancelled pair job resubmitted, outputs equal the single run's"
exit $status
