#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands where: the
# file list, the installed data-description file naming the installed example
# folder, a run of the installed trivanex on it from another folder, and the
# installed trivanex-eval's report on that run, byte for byte, the installed
# trivanex-report on it, and the licence in the copyright file.
# Usage: check_install.sh BUILD_DIR EXPECTED_REPORT
set -euo pipefail
build=$1 expected=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" > /dev/null

status=0
fail() { echo "FAIL: $*"; status=1; }

want="bin/trivanex
bin/trivanex-eval
bin/trivanex-pairs
bin/trivanex-prepare
bin/trivanex-report
share/doc/trivanex/CHANGELOG.md
share/doc/trivanex/README.md
share/doc/trivanex/copyright
share/man/man1/trivanex-eval.1
share/man/man1/trivanex-pairs.1
share/man/man1/trivanex-prepare.1
share/man/man1/trivanex-report.1
share/man/man1/trivanex.1
share/trivanex/data.in
share/trivanex/example/celeg-hsapi.evals
share/trivanex/example/celeg-scere.evals
share/trivanex/example/celeg.tab
share/trivanex/example/example.fo
share/trivanex/example/hsapi-hsapi.evals
share/trivanex/example/hsapi-scere.evals
share/trivanex/example/hsapi.tab
share/trivanex/example/scere.tab
share/trivanex/workflow/Snakefile
share/trivanex/workflow/example/alpha.edges
share/trivanex/workflow/example/alpha.fasta
share/trivanex/workflow/example/beta.edges
share/trivanex/workflow/example/beta.fasta
share/trivanex/workflow/example/config.yaml
share/trivanex/workflow/example/families.fo
share/trivanex/workflow/example/gamma.edges
share/trivanex/workflow/example/gamma.fasta
share/trivanex/workflow/example/make_example.py
share/trivanex/workflow/profiles/slurm-executor/config.yaml
share/trivanex/workflow/profiles/slurm/config.yaml
share/trivanex/workflow/profiles/slurm/slurm-status.py"
got=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$got" = "$want" ] || fail "installed files differ:"$'\n'"$(diff <(echo "$want") <(echo "$got"))"
# The profile runs it as a command.
[ -x "$prefix/share/trivanex/workflow/profiles/slurm/slurm-status.py" ] || fail "slurm-status.py is not executable"

desc=$prefix/share/trivanex/data.in
[ "$(cat "$desc")" = "$prefix/share/trivanex/example -"$'\n'"3 hsapi scere celeg" ] ||
  fail "installed data.in: $(cat "$desc")"

grep -q '^License: MIT$' "$prefix/share/doc/trivanex/copyright" || fail "copyright names no MIT licence"

mkdir "$scratch/run" && cd "$scratch/run"
"$prefix/bin/trivanex" "$desc" > run.stdout 2> run.stderr || fail "installed trivanex failed: $(tail -1 run.stderr)"
"$prefix/bin/trivanex-eval" "$desc" tmp_output_cluster.txt "$prefix/share/trivanex/example/example.fo" \
  > report.txt || fail "installed trivanex-eval failed"
cmp -s report.txt "$expected" || fail "report differs:"$'\n'"$(diff "$expected" report.txt)"
"$prefix/bin/trivanex-report" --log run.stderr --scores tmp_match-score.txt "$desc" tmp_output_cluster.txt \
  --out report > /dev/null || fail "installed trivanex-report failed"
[ -s report/report.html ] || fail "installed trivanex-report wrote no report.html"
[ $status -eq 0 ] && echo "install: OK"
exit $status
