#include "report/alignment_report.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <unordered_map>

#include "base/error.h"
#include "base/text.h"
#include "io/loaders.h"
#include "io/selected_scores.h"

std::unique_ptr<AlignmentReport> buildAlignmentReport(const ReportInputs& inputs) {
  auto rep = std::make_unique<AlignmentReport>();
  AlignmentReport& r = *rep;
  r.inputs = inputs;

  // Proteins and networks, numbered as a run numbers them.
  PairCollector interactions;
  grabIdentifiersAndInteractions(inputs.dataDescFile, r.spList, r.idList, r.id2sp, interactions);
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
