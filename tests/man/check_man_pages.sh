#!/usr/bin/env bash
# Checks the man pages: groff formats each without a warning, man renders it,
# and each page names every option of its program's usage text (and, for the
# evaluator, every measure), so the pages do not drift from the programs.
# Usage: check_man_pages.sh MAN_DIR TRIVANEX TRIVANEX_EVAL TRIVANEX_PREPARE TRIVANEX_REPORT
set -uo pipefail
man_dir=$1 trivanex=$2 trivanex_eval=$3 trivanex_prepare=$4 trivanex_report=$5
for tool in groff man; do
  if ! command -v "$tool" > /dev/null; then
    echo "SKIP: $tool is not installed (apt-get install groff man-db)"
    exit 77
  fi
done
status=0
fail() { echo "FAIL: $*"; status=1; }

for page in "$man_dir/trivanex.1" "$man_dir/trivanex-eval.1" "$man_dir/trivanex-pairs.1" \
            "$man_dir/trivanex-prepare.1" "$man_dir/trivanex-report.1"; do
  # -wall leaves out undefined macros and registers; -ww reports those too.
  for level in -wall -ww; do
    warnings=$(groff -man $level -z -Tutf8 "$page" 2>&1) || fail "groff $level failed on $page"
    [ -z "$warnings" ] || fail "groff $level warns on $page: $warnings"
  done
  rendered=$(MANWIDTH=80 man --warnings=all -l "$page" 2> /tmp/man-check-$$.err) || fail "man -l failed on $page"
  [ -s /tmp/man-check-$$.err ] && fail "man -l warns on $page: $(cat /tmp/man-check-$$.err)"
  rm -f /tmp/man-check-$$.err
  grep -q '^NAME' <<< "$rendered" || fail "$page renders without a NAME section"
done

# Every long option of the usage text appears in the page (as \-\-name).
usage=$("$trivanex" --help 2>&1)
for opt in $(grep -o -- '--[a-z_A-Z]*' <<< "$usage" | sort -u); do
  grep -qF -- "\\-\\-${opt#--}" "$man_dir/trivanex.1" || fail "trivanex.1 does not describe $opt"
done
eval_usage=$("$trivanex_eval" --help)
# (A page writes every dash of an option as \-.)
for opt in $(grep -o -- '--[a-z][-a-z]*' <<< "$eval_usage" | sort -u); do
  page_opt=$(sed 's/-/\\-/g' <<< "$opt")
  grep -qF -- "$page_opt" "$man_dir/trivanex-eval.1" || fail "trivanex-eval.1 does not describe $opt"
done
report_usage=$("$trivanex_report" --help)
for opt in $(grep -o -- '--[a-z][-a-z]*' <<< "$report_usage" | sort -u); do
  page_opt=$(sed 's/-/\\-/g' <<< "$opt")
  grep -qF -- "$page_opt" "$man_dir/trivanex-report.1" || fail "trivanex-report.1 does not describe $opt"
done
prepare_usage=$("$trivanex_prepare" --help)
for opt in $(grep -o -- '--[a-z-]*[a-z]' <<< "$prepare_usage" | sort -u); do
  grep -qF -- "\\-\\-$(sed 's/-/\\-/g' <<< "${opt#--}")" "$man_dir/trivanex-prepare.1" ||
    fail "trivanex-prepare.1 does not describe $opt"
done
# The measure names: the lines of the usage's measure list, up to the definition.
measures=$(sed -n '/^Measures/,/^$/p' <<< "$eval_usage" | grep -E '^  [A-Za-z]' |
  sed -E 's/^  ([A-Za-z][-A-Za-z+ ]*[a-z])  .*/\1/')
page_text=$(MANWIDTH=200 man -l "$man_dir/trivanex-eval.1" 2> /dev/null | col -b)
[ -n "$measures" ] || fail "no measure list in the usage of trivanex-eval"
while IFS= read -r m; do
  # "clusters spanning s species": the page sets s in italics, so match the head.
  grep -qF -- "${m%% s species}" <<< "$page_text" || fail "trivanex-eval.1 does not define '$m'"
done <<< "$measures"
[ $status -eq 0 ] && echo "man pages: OK"
exit $status
