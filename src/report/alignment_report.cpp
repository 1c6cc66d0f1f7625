#include "report/alignment_report.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <unordered_map>

#include "base/error.h"
#include "base/text.h"
#include "baseline/baseline_text.h"
#include "io/loaders.h"
#include "io/protein_names.h"
#include "io/selected_scores.h"

namespace {

void addNames(AlignmentReport& r, const Str2Int& id2idx) {
  const size_t N = r.idList.size();
  r.names.assign(N, "");
  r.descriptions.assign(N, "");
  for (const auto& f : r.inputs.fastaFiles)
    if (r.index.speciesNumber(f.first) < 0)
      throw RunError("--fasta " + printable(f.first) + "=" + printable(f.second) + ": '" + printable(f.first) +
                     "' is not a species of " + printable(r.inputs.dataDescFile));
  for (const std::string& f : r.inputs.namesFiles) {
    NameTable table;
    readNamesFile(f, table);
    for (const auto& e : table) {
      auto it = id2idx.find(e.first);
      if (it == id2idx.end()) continue;
      r.names[it->second] = e.second.name;
      r.descriptions[it->second] = e.second.description;
    }
  }
  for (const auto& f : r.inputs.fastaFiles) {
    NameTable table;
    readFastaNames(f.second, table);
    const int s = r.index.speciesNumber(f.first);
    for (const auto& e : table) {
      // An accession as the data has it, or as trivanex-prepare --prefix-ids wrote it.
      auto it = id2idx.find(e.first);
      if (it == id2idx.end() || r.index.speciesOf[it->second] != s) it = id2idx.find(f.first + "|" + e.first);
      if (it == id2idx.end() || r.index.speciesOf[it->second] != s) continue;
      if (!e.second.name.empty()) r.names[it->second] = e.second.name;
      if (!e.second.description.empty()) r.descriptions[it->second] = e.second.description;
    }
  }
  r.haveNames = !r.inputs.namesFiles.empty() || !r.inputs.fastaFiles.empty();
}

void addBaselineAndMeasures(AlignmentReport& r, const std::vector<PairRecord>& sequenceRecords,
                            size_t firstAligned) {
  const VecInt& sp = r.index.speciesOf;
  r.hits = buildSequenceHits((int)r.idList.size(), sp, sequenceRecords);
  r.baseline = reciprocalBestHits(r.hits, sp, r.index.speciesCount());
  ClusterList baseClusters;
  baselineClusterList(r.baseline, r.idList, baseClusters);
  r.baselineEval = evaluateClusters(baseClusters, r.spList, r.id2sp, r.haveGroups ? &r.groups : nullptr,
                                    r.haveGo ? &r.goTerms : nullptr);
  r.baselinePairs = compareClusterings(r.clusters, r.baseline.clusters, r.baseline.clusterOf, sp);

  const size_t C = r.clusters.size();
  r.measures.assign(C, ClusterMeasures());
  std::vector<double> scoreSum(C, 0);
  const VecInt& base = r.baseline.clusterOf;
  for (size_t k = firstAligned; k < r.edges.size(); ++k) {
    const ReportEdge& e = r.edges[k];
    const int c = r.clusterOf[e.a];
    ClusterMeasures& m = r.measures[c];
    const double v = e.hasScore ? e.score : 0;
    m.minScore = m.pairs == 0 ? v : std::min(m.minScore, v);
    scoreSum[c] += v;
    ++m.pairs;
    AlignedPair p{c, e.a, e.b, e.hasScore, v, hitScore(r.hits, e.a, e.b), hitRank(r.hits, sp, e.a, e.b),
                  hitRank(r.hits, sp, e.b, e.a), base[e.a] >= 0 && base[e.a] == base[e.b]};
    if (p.sequence > 0) ++m.sequenceHits;
    if (p.inBaseline) ++m.baselinePairs;
    r.pairs.push_back(p);
  }
  for (size_t c = 0; c < C; ++c) {
    ClusterMeasures& m = r.measures[c];
    if (m.pairs) m.meanScore = scoreSum[c] / (double)m.pairs;
    const int b = r.clusters[c].empty() ? -1 : base[r.clusters[c][0]];
    m.baselineSame = b >= 0 && r.baseline.clusters[b].size() == r.clusters[c].size() &&
                     std::all_of(r.clusters[c].begin(), r.clusters[c].end(), [&](int p) { return base[p] == b; });
  }
  // Most confident first; ties in cluster and line order, which the pairs
  // already have.
  std::stable_sort(r.pairs.begin(), r.pairs.end(), [&](const AlignedPair& x, const AlignedPair& y) {
    if (r.haveScores && x.score != y.score) return x.score > y.score;
    return x.sequence > y.sequence;
  });

  // Interactions among members, and the cluster pairs joined by interactions
  // of two or more species.
  r.memberInteractions.assign(C, VecInt());
  VecInt position(r.idList.size(), -1);
  for (const VecInt& c : r.clusters)
    for (size_t i = 0; i < c.size(); ++i) position[c[i]] = (int)i;
  std::unordered_map<uint64_t, int> speciesOfLink;  // first species seen, or -2 for several
  auto link = [&](const ReportEdge& e) {
    const uint64_t x = (uint64_t)r.clusterOf[e.a], y = (uint64_t)r.clusterOf[e.b];
    return std::min(x, y) << 32 | std::max(x, y);
  };
  for (size_t k = 0; k < firstAligned; ++k) {
    const ReportEdge& e = r.edges[k];
    auto it = speciesOfLink.emplace(link(e), sp[e.a]).first;
    if (it->second != sp[e.a]) it->second = -2;
    const int c = r.clusterOf[e.a];
    if (c == r.clusterOf[e.b]) {
      ++r.measures[c].interactions;
      r.memberInteractions[c].push_back(position[e.a]);
      r.memberInteractions[c].push_back(position[e.b]);
    }
  }
  for (size_t k = 0; k < firstAligned; ++k) {
    const ReportEdge& e = r.edges[k];
    if (speciesOfLink[link(e)] != -2) continue;
    ++r.measures[r.clusterOf[e.a]].conserved;
    if (r.clusterOf[e.b] != r.clusterOf[e.a]) ++r.measures[r.clusterOf[e.b]].conserved;
  }
}

}  // namespace

std::unique_ptr<AlignmentReport> buildAlignmentReport(const ReportInputs& inputs) {
  auto rep = std::make_unique<AlignmentReport>();
  AlignmentReport& r = *rep;
  r.inputs = inputs;

  // Proteins and networks, numbered as a run numbers them.
  PairCollector sequenceScores, interactions;
  grabSequenceAndInteractionData(inputs.dataDescFile, r.spList, r.idList, r.id2sp, sequenceScores, interactions);
  std::sort(r.idList.begin(), r.idList.end());
  Str2Int id2idx;
  for (size_t i = 0; i < r.idList.size(); ++i) id2idx.emplace(r.idList[i], (int)i);
  r.index = makeProteinIndex((int)r.idList.size(), id2idx, r.id2sp);
  const int N = (int)r.idList.size();

  ClusterList clusterList;
  readClusterFile(inputs.clusterFile, &r.id2sp, clusterList);
  r.clusterOf.assign(N, -1);
  const int S = r.index.speciesCount();
  VecBool seen(S);
  for (const VecStr& members : clusterList.clusters) {
    VecInt c;
    std::fill(seen.begin(), seen.end(), false);
    int spanned = 0;
    for (const std::string& id : members) {
      const int p = id2idx.at(id);
      r.clusterOf[p] = (int)r.clusters.size();
      c.push_back(p);
      const int s = r.index.speciesOf[p];
      if (!seen[s]) {
        seen[s] = true;
        ++spanned;
      }
    }
    r.clusters.push_back(std::move(c));
    r.clusterSpecies.push_back(spanned);
  }

  // Per-species counts; a species of the roster without proteins shows zeros.
  std::vector<long> proteins(S, 0), edgesOf(S, 0), clustered(S, 0);
  for (int p = 0; p < N; ++p) {
    ++proteins[r.index.speciesOf[p]];
    if (r.clusterOf[p] >= 0) ++clustered[r.index.speciesOf[p]];
  }
  const std::vector<PairRecord> records = interactions.records(id2idx);
  r.interactionsTotal = (long)records.size();
  for (const PairRecord& e : records) {
    ++edgesOf[r.index.speciesOf[e.a]];
    if (r.clusterOf[e.a] >= 0 && r.clusterOf[e.b] >= 0) {
      r.edges.push_back({e.a, e.b, false, e.value, false, 0});
      ++r.interactionEdges;
    }
  }
  for (const std::string& sp : r.spList) {
    SpeciesSummary s;
    s.name = sp;
    const int k = r.index.speciesNumber(sp);
    if (k >= 0) {
      s.proteins = proteins[k];
      s.interactions = edgesOf[k];
      s.clustered = clustered[k];
    }
    r.species.push_back(s);
  }

  // Aligned pairs: the cross-species pairs within each cluster.
  const size_t firstAligned = r.edges.size();
  for (const VecInt& c : r.clusters)
    for (size_t i = 0; i < c.size(); ++i)
      for (size_t j = i + 1; j < c.size(); ++j)
        if (r.index.speciesOf[c[i]] != r.index.speciesOf[c[j]]) {
          r.edges.push_back({c[i], c[j], true, 0, false, 0});
          ++r.alignedEdges;
        }
  if (!inputs.scoreFile.empty()) {
    // Only the aligned pairs' lines are read; a later line for a pair replaces
    // an earlier one, as when a run reads the file.
    std::unordered_map<uint64_t, size_t> edgeOf;
    auto key = [](int a, int b) { return (uint64_t)std::min(a, b) << 32 | (uint64_t)std::max(a, b); };
    for (size_t k = firstAligned; k < r.edges.size(); ++k) edgeOf.emplace(key(r.edges[k].a, r.edges[k].b), k);
    readScoresWithinGroups(inputs.scoreFile, r.idList, r.clusterOf, r.clusters, [&](int a, int b, double v) {
      auto it = edgeOf.find(key(a, b));
      if (it == edgeOf.end()) return;  // same species: not an aligned pair
      ReportEdge& e = r.edges[it->second];
      e.hasScore = true;
      e.score = v;
    });
    for (size_t k = firstAligned; k < r.edges.size(); ++k)
      if (r.edges[k].hasScore) ++r.alignedWithScore;
    r.haveScores = true;
  }

  for (const std::string& f : inputs.groupFiles) readGroupFile(f, r.groups);
  r.haveGroups = !inputs.groupFiles.empty();
  if (!inputs.gafFile.empty()) {
    r.gafCounts = readGafFile(inputs.gafFile, inputs.gaf, r.goTerms);
    r.haveGo = true;
  }
  r.eval = evaluateClusters(clusterList, r.spList, r.id2sp, r.haveGroups ? &r.groups : nullptr,
                            r.haveGo ? &r.goTerms : nullptr);

  addNames(r, id2idx);
  addBaselineAndMeasures(r, sequenceScores.records(id2idx), firstAligned);

  if (!inputs.logFile.empty()) {
    std::ifstream log(inputs.logFile);
    if (!log) throw RunError("cannot open log file " + printable(inputs.logFile));
    rejectDirectory(inputs.logFile);
    r.sweeps = parseProgressLog(log);
    if (log.bad()) throw RunError("cannot read log file " + printable(inputs.logFile));
    r.haveLog = true;
  }
  return rep;
}
