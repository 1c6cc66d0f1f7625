#!/usr/bin/env python3
"""Writes a family of five species of the size of BioGRID's five model
organisms for the trivanex-prepare benchmark: about 56,000 proteins, 570,000
interactions (with the repeats a database export has) and 5 million hit lines
of an all-vs-all search, every file gzipped.

    bench/prepare_data.py OUT_DIR [--scale 1.0] [--seed 1]

Formats as users download them: human as BioGRID TAB3 (entries repeated per
publication, some genetic, some with a partner of another taxon), yeast as
STRING links (every link listed twice, combined_score 150-999), the others as
weighted edge lists. Hit identifiers are UniProt-style sp|ACC|NAME, the
networks' plain ACC, so every hit identifier goes through normalisation.
"""
import argparse
import gzip
import os
import random

SPECIES = [("hsapi", 20000, 9606), ("mmusc", 12000, 10090), ("dmela", 10000, 7227),
           ("celeg", 8000, 6239), ("scere", 6000, 559292)]
EDGES = {"hsapi": 230000, "mmusc": 110000, "dmela": 100000, "celeg": 60000, "scere": 70000}
HIT_LINES = 5_000_000


def acc(code, i):
    return "%s%06d" % (code[0].upper() + code[1].upper(), i)


def write_gz(path, lines):
    with gzip.open(path, "wt", compresslevel=1, newline="\n") as f:
        for k in range(0, len(lines), 100000):
            f.write("".join(lines[k:k + 100000]))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--scale", type=float, default=1.0)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    rnd = random.Random(a.seed)
    os.makedirs(a.out, exist_ok=True)
    sizes = {c: max(10, int(n * a.scale)) for c, n, _ in SPECIES}
    for code, _, taxon in SPECIES:
        n = sizes[code]
        m = int(EDGES[code] * a.scale)
        edges = [(rnd.randrange(n), rnd.randrange(n)) for _ in range(m)]
        if code == "hsapi":
            cols = ["#BioGRID Interaction ID", "Entrez Gene Interactor A", "Entrez Gene Interactor B",
                    "BioGRID ID Interactor A", "BioGRID ID Interactor B", "Systematic Name Interactor A",
                    "Systematic Name Interactor B", "Official Symbol Interactor A",
                    "Official Symbol Interactor B", "Synonyms Interactor A", "Synonyms Interactor B",
                    "Experimental System", "Experimental System Type", "Author", "Publication Source",
                    "Organism ID Interactor A", "Organism ID Interactor B", "Throughput", "Score",
                    "Modification", "Qualifications", "Tags", "Source Database",
                    "SWISS-PROT Accessions Interactor A", "TREMBL Accessions Interactor A",
                    "REFSEQ Accessions Interactor A", "SWISS-PROT Accessions Interactor B",
                    "TREMBL Accessions Interactor B", "REFSEQ Accessions Interactor B",
                    "Ontology Term IDs", "Ontology Term Names", "Ontology Term Categories",
                    "Ontology Term Qualifier IDs", "Ontology Term Qualifier Names",
                    "Ontology Term Types", "Organism Name Interactor A", "Organism Name Interactor B"]
            lines = ["\t".join(cols) + "\n"]
            rows = edges + [edges[rnd.randrange(m)] for _ in range(m // 10)]
            for k, (x, y) in enumerate(rows):
                kind = "genetic" if k % 20 == 0 else "physical"
                tb = 10090 if k % 50 == 0 else taxon
                lines.append("\t".join([
                    str(k + 1), str(100000 + x), str(100000 + y), str(x), str(y), "-", "-",
                    "G%d" % x, "G%d" % y, "-", "-", "Two-hybrid", kind, "Author A (2020)",
                    "PUBMED:%d" % (k % 5000), str(taxon), str(tb), "High Throughput", "-", "-", "-",
                    "-", "BIOGRID", acc(code, x), "-", "-", acc(code, y), "-", "-", "-", "-", "-", "-",
                    "-", "-", "Homo sapiens", "Homo sapiens"]) + "\n")
            write_gz(os.path.join(a.out, code + ".tab3.txt.gz"), lines)
        elif code == "scere":
            lines = ["protein1 protein2 combined_score\n"]
            for x, y in edges:
                s = rnd.randrange(150, 1000)
                lines.append("%s %s %d\n" % (acc(code, x), acc(code, y), s))
                lines.append("%s %s %d\n" % (acc(code, y), acc(code, x), s))
            write_gz(os.path.join(a.out, code + ".links.txt.gz"), lines)
        else:
            lines = ["%s\t%s\t%.3f\n" % (acc(code, x), acc(code, y), rnd.random()) for x, y in edges]
            write_gz(os.path.join(a.out, code + ".edges.gz"), lines)

    # Hits as an all-vs-all search writes them: grouped by query, best first.
    # Random pairs of the whole family; a third also appear in the other
    # direction with a slightly smaller score (or as a second HSP).
    allp = [(code, i) for code, _, _ in SPECIES for i in range(sizes[code])]
    total = int(HIT_LINES * a.scale)
    byQuery = [[] for _ in allp]
    line = "sp|%s|N%d_%s\tsp|%s|N%d_%s\t%.1f\t%d\t%d\t%d\t1\t%d\t1\t%d\t%.2e\t%.1f\n"
    made = 0
    while made < total:
        q, s = rnd.randrange(len(allp)), rnd.randrange(len(allp))
        bits = rnd.uniform(30, 900)
        byQuery[q].append((bits, s, rnd.uniform(20, 100)))
        made += 1
        if rnd.random() < 0.33:
            byQuery[s].append((bits * 0.9, q, 50.0))
            made += 1
    lines = []
    for q, hits in enumerate(byQuery):
        hits.sort(reverse=True)
        qc, qi = allp[q]
        for bits, s, ident in hits:
            sc, si = allp[s]
            lines.append(line % (acc(qc, qi), qi, qc.upper(), acc(sc, si), si, sc.upper(), ident,
                                 200, 30, 2, 200, 200, 1e-5, bits))
    write_gz(os.path.join(a.out, "hits.m8.gz"), lines[:total])


if __name__ == "__main__":
    main()
