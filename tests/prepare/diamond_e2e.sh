#!/usr/bin/env bash
# From sequences to scored clusters with the real programs: generates small
# protein families (random ancestral sequences, mutated per species, with a
# network per species that keeps most of the families' interactions), runs
# diamond makedb and blastp for every pair of species, trivanex-prepare,
# trivanex and trivanex-eval against the families, and asserts a specificity
# far above what clusters drawn at random would reach.
# Usage: diamond_e2e.sh BIN_DIR   (skipped, status 77, without diamond)
set -euo pipefail
bin=$(cd "$1" && pwd)
if ! command -v diamond > /dev/null; then
  echo "SKIP: diamond is not installed (apt-get install diamond-aligner)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

python3 - <<'PY'
import random
rnd = random.Random(16)
AA = "ACDEFGHIKLMNPQRSTVWY"
species = ["spa", "spb", "spc"]
families = 60
anc = ["".join(rnd.choice(AA) for _ in range(rnd.randrange(150, 300))) for _ in range(families)]
# Interactions between families, each kept in a species with probability 0.85.
fam_edges = set()
while len(fam_edges) < 150:
    a, b = rnd.randrange(families), rnd.randrange(families)
    if a != b:
        fam_edges.add((min(a, b), max(a, b)))
with open("truth.fo", "w") as truth:
    for sp in species:
        with open(sp + ".fa", "w") as fa:
            for f, seq in enumerate(anc):
                mutated = "".join(rnd.choice(AA) if rnd.random() < 0.25 else c for c in seq)
                fa.write(">%s_%02d family %d\n" % (sp, f, f))
                for k in range(0, len(mutated), 60):
                    fa.write(mutated[k:k + 60] + "\n")
                truth.write("%s_%02d\tfam%02d\n" % (sp, f, f))
        with open(sp + ".net", "w") as net:
            for a, b in sorted(fam_edges):
                if rnd.random() < 0.85:
                    net.write("%s_%02d\t%s_%02d\n" % (sp, a, sp, b))
PY

species=(spa spb spc)
for s in "${species[@]}"; do
  diamond makedb --quiet --in "$s.fa" -d "$s" > /dev/null
done
hits=()
for ((i = 0; i < ${#species[@]}; ++i)); do
  for ((j = i; j < ${#species[@]}; ++j)); do
    a=${species[i]} b=${species[j]}
    diamond blastp --quiet --threads 2 -q "$a.fa" -d "$b" -o "$a-$b.m8" --outfmt 6 > /dev/null
    hits+=(--hits "$a-$b.m8")
  done
done

"$bin/trivanex-prepare" --out data --species spa=spa.net --species spb=spb.net --species spc=spc.net \
  --fasta spa=spa.fa --fasta spb=spb.fa --fasta spc=spc.fa "${hits[@]}" 2> prepare.err ||
  { cat prepare.err; exit 1; }
"$bin/trivanex-prepare" --check data/data.in 2> check.err || { cat check.err; exit 1; }
mkdir run && cd run
"$bin/trivanex" ../data/data.in > run.out 2> run.err || { tail -3 run.err; exit 1; }
"$bin/trivanex-eval" ../data/data.in tmp_output_cluster.txt ../truth.fo > report.txt
cat report.txt
# Clusters of three proteins drawn at random from 60 families are correct
# with probability about 1/60^2; these must be nearly all correct.
awk '$1 == "specificity" { ok = ($2 >= 0.9) }
     $1 == "annotated" && $2 == "clusters" { n = $3 }
     END { if (!ok || n < 40) { print "FAIL: specificity below 0.9 or fewer than 40 annotated clusters"; exit 1 }
           print "diamond end-to-end: OK" }' report.txt
