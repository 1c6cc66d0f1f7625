#!/usr/bin/env bash
# The synthetic family generator on a tiny family: the same seed gives the
# same bytes and another seed other ones; every network has exactly the asked
# proteins and distinct interactions; score files hold proteins of their own
# species in their own columns; and trivanex runs on the family.
#
#   synth_test.sh TRIVANEX_SYNTH TRIVANEX
set -euo pipefail
synth=$(realpath "$1")
trivanex=$(realpath "$2")
work=$(mktemp -d /tmp/trivanex-synth-XXXXXX)
trap 'rm -rf "$work"' EXIT
fails=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then :; else echo "FAILED: $1"; fails=$((fails + 1)); fi
}

species="yy:y:40:90,xx:x:60:150,zz:z:25:30"
"$synth" --species "$species" --seed 7 "$work/a" > "$work/a.txt"
"$synth" --species "$species" --seed 7 "$work/b" > "$work/b.txt"
"$synth" --species "$species" --seed 8 "$work/c" > /dev/null
sums() { (cd "$1" && sha256sum ./*); }
check "same seed, same files" diff <(sums "$work/a") <(sums "$work/b")
check "same seed, same summary" cmp -s "$work/a.txt" "$work/b.txt"
check "another seed, other networks" bash -c "! cmp -s '$work/a/xx.tab' '$work/c/xx.tab'"

cd "$work/a"
check "data.in lists the species sorted" test "$(cat data.in)" = ". - 3 xx yy zz"
check "one score file per species pair" test "$(ls ./*.evals | tr '\n' ' ')" = "./xx-yy.evals ./xx-zz.evals ./yy-zz.evals "
for s in xx:x:60:150 yy:y:40:90 zz:z:25:30; do
  IFS=: read -r code prefix n e <<< "$s"
  check "$code header" test "$(head -1 "$code.tab")" = "INTERACTOR_A INTERACTOR_B"
  check "$code interactions" test "$(tail -n +2 "$code.tab" | wc -l)" = "$e"
  check "$code proteins" test "$(tail -n +2 "$code.tab" | tr ' ' '\n' | sort -u | wc -l)" = "$n"
  check "$code identifiers" test -z "$(tail -n +2 "$code.tab" | tr ' ' '\n' | grep -v "^$prefix[0-9]*\$" || true)"
  check "$code no repeated or self interactions" test -z "$(tail -n +2 "$code.tab" |
    awk '$1 == $2 { print } { k = $1 < $2 ? $1 " " $2 : $2 " " $1; if (seen[k]++) print }')"
  check "$code groups name network proteins" test -z "$(cut -f1 "$code.fo" | sort |
    comm -23 - <(tail -n +2 "$code.tab" | tr ' ' '\n' | sort -u))"
done
for f in xx-yy xx-zz yy-zz; do
  a=${f%-*}; b=${f#*-}
  check "$f columns" test -z "$(awk -v a="${a:0:1}" -v b="${b:0:1}" \
    'substr($1, 1, 1) != a || substr($2, 1, 1) != b || NF != 3 || !($3 > 0)' "$f.evals")"
  check "$f pairs once" test -z "$(awk '{ print $1, $2 }' "$f.evals" | sort | uniq -d)"
done
check "trivanex runs on the family" bash -c "'$trivanex' data.in > out.txt 2> err.txt"
check "trivanex writes clusters" test -s tmp_output_cluster.txt

if ((fails)); then echo "$fails checks failed"; exit 1; fi
echo "synthetic family checks passed"
