#!/usr/bin/env bash
# Reads the report's GraphML back with networkx (Debian python3-networkx, under
# /usr/bin/python3) and checks it against the report's own tables: one node
# per row of nodes.tsv, one edge per row of edges.tsv, every attribute present
# where the tables have a value and typed as the keys declare, names included.
# Usage: check_graphml.sh TRIVANEX_REPORT SOURCE_DIR; exit 77 (skip) without networkx.
set -euo pipefail
report=$1 src=$2
py=/usr/bin/python3
if ! [ -x "$py" ] || ! "$py" -c 'import networkx' 2> /dev/null; then
  echo "SKIP: networkx is not importable by $py (apt-get install python3-networkx)"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$src/tests/data/report/input/." "$scratch"
cd "$scratch"
"$report" --scores match-score.txt --groups groups.fo --gaf go.gaf --names names.tsv --fasta hs=hs.fasta.gz \
  data.in clusters.txt --out rep > /dev/null
"$py" - rep <<'PY'
import csv, sys
import networkx as nx

folder = sys.argv[1]
g = nx.read_graphml(folder + "/alignment.graphml")
with open(folder + "/nodes.tsv") as f:
    nodes = list(csv.DictReader(f, delimiter="\t"))
with open(folder + "/edges.tsv") as f:
    edges = list(csv.DictReader(f, delimiter="\t"))
fails = []
def check(what, got, want):
    if got != want:
        fails.append(f"{what}: {got!r}, expected {want!r}")

check("graph type", type(g).__name__, "Graph")
check("nodes", g.number_of_nodes(), len(nodes))
check("edges", g.number_of_edges(), len(edges))
for n in nodes:
    a = g.nodes[n["protein"]]
    check(n["protein"] + " species", a.get("species"), n["species"])
    check(n["protein"] + " cluster_id", a.get("cluster_id"), int(n["cluster_id"]))
    check(n["protein"] + " cluster_size", a.get("cluster_size"), int(n["cluster_size"]))
    check(n["protein"] + " go_terms", a.get("go_terms"), int(n["go_terms"]))
    check(n["protein"] + " name", a.get("name", ""), n["name"])
    check(n["protein"] + " description", a.get("description", ""), n["description"])
check("named nodes", sum(1 for n in nodes if n["name"]) > 10, True)
count = lambda key: sum(1 for _, _, d in g.edges(data=True) if key in d)
check("edges with a type", count("type"), len(edges))
check("edges with a weight", count("weight"), sum(1 for e in edges if e["weight"]))
check("edges with a match score", count("match_score"), sum(1 for e in edges if e["match_score"]))
for e in edges:
    d = g.edges[e["source"], e["target"]]
    check(e["source"] + "-" + e["target"] + " type", d["type"], e["type"])
    if e["match_score"]:
        check(e["source"] + "-" + e["target"] + " match_score", d["match_score"], float(e["match_score"]))
types = {type(d["match_score"]).__name__ for _, _, d in g.edges(data=True) if "match_score" in d}
check("match_score type", types, {"float"})
check("aligned edges", sum(1 for e in edges if e["type"] == "aligned") > 0, True)
if fails:
    print("FAIL:\n  " + "\n  ".join(fails))
    sys.exit(1)
print(f"graphml: OK ({len(nodes)} nodes, {len(edges)} edges read back by networkx {nx.__version__})")
PY
