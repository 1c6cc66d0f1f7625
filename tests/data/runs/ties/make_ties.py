#!/usr/bin/python3
# Writes input/: three species, each two copies of the same three-protein
# chain. The copies' sequence scores differ only past the sixth digit
# (100.0000001 against 100.0000002), so their match scores print alike in the
# match-score file but differ as doubles, and the order of their stars and
# clusters rests on that difference alone.
import os

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "input")
os.makedirs(out, exist_ok=True)
species = ["a", "b", "c"]
for s in species:
    with open(os.path.join(out, s.upper() + ".tab"), "w") as f:
        f.write("INTERACTOR_A INTERACTOR_B\n")
        for k in (1, 2):
            f.write(f"{s}{k}1 {s}{k}2\n{s}{k}2 {s}{k}3\n")
    # A self score above every other fixes each protein's largest score.
    with open(os.path.join(out, f"{s.upper()}-{s.upper()}.evals"), "w") as f:
        for k in (1, 2):
            for j in (1, 2, 3):
                f.write(f"{s}{k}{j} {s}{k}{j} 1000\n")
for x, y in (("a", "b"), ("a", "c"), ("b", "c")):
    with open(os.path.join(out, f"{x.upper()}-{y.upper()}.evals"), "w") as f:
        for k, first in ((1, "100.0000001"), (2, "100.0000002")):
            f.write(f"{x}{k}1 {y}{k}1 {first}\n{x}{k}2 {y}{k}2 80\n{x}{k}3 {y}{k}3 60\n")
with open(os.path.join(out, "data.in"), "w") as f:
    f.write(". - 3 A B C\n")
