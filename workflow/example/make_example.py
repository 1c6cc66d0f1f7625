#!/usr/bin/env python3
"""Writes the workflow's example: three species descended from one ancestor.

Each of 24 ancestral protein families is a random sequence, mutated
independently in every species (so DIAMOND finds real hits), and the
ancestral interaction network is inherited with some edges lost and a few
gained. families.fo holds the truth: every protein's family.

    python3 make_example.py      (writes into this script's folder)
"""
import os
import random

AMINO = "ACDEFGHIKLMNPQRSTVWY"
SPECIES = {"alpha": "A", "beta": "B", "gamma": "G"}
FAMILIES, LENGTH, EDGES = 24, 150, 48

rng = random.Random(19)
here = os.path.dirname(os.path.abspath(__file__))
ancestors = ["".join(rng.choice(AMINO) for _ in range(LENGTH)) for _ in range(FAMILIES)]
edges = set()
while len(edges) < EDGES:
    a, b = rng.sample(range(FAMILIES), 2)
    edges.add((min(a, b), max(a, b)))
edges = sorted(edges)

with open(os.path.join(here, "families.fo"), "w") as truth:
    for code, letter in SPECIES.items():
        name = lambda f: "%s%03d" % (letter, f + 1)
        with open(os.path.join(here, code + ".fasta"), "w") as fasta:
            for f, seq in enumerate(ancestors):
                # About one residue in seven replaced: clearly related, not identical.
                mutated = "".join(rng.choice(AMINO) if rng.random() < 0.15 else c for c in seq)
                fasta.write(">%s\n%s\n%s\n" % (name(f), mutated[:75], mutated[75:]))
                truth.write("%s\tF%02d\n" % (name(f), f + 1))
        kept = [e for e in edges if rng.random() < 0.85]
        while len(kept) < len(edges):
            a, b = rng.sample(range(FAMILIES), 2)
            if (min(a, b), max(a, b)) not in kept:
                kept.append((min(a, b), max(a, b)))
        with open(os.path.join(here, code + ".edges"), "w") as net:
            for a, b in kept:
                net.write("%s\t%s\n" % (name(a), name(b)))
