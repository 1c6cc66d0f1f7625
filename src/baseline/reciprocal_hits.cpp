#include "baseline/reciprocal_hits.h"

#include <algorithm>
#include <numeric>

namespace {

int findRoot(VecInt& parent, int x) {
  while (parent[x] != x) {
    parent[x] = parent[parent[x]];
    x = parent[x];
  }
  return x;
}

// Pairs of different species among items sorted by (group, species): the
// pairs within each group minus those within each (group, species) run.
long crossPairsOfSorted(const std::vector<std::pair<int, int>>& items) {
  long pairs = 0;
  size_t i = 0;
  while (i < items.size()) {
    size_t j = i;
    long same = 0;
    while (j < items.size() && items[j].first == items[i].first) {
      size_t k = j;
      while (k < items.size() && items[k].first == items[j].first && items[k].second == items[j].second) ++k;
      same += (long)(k - j) * (long)(k - j - 1) / 2;
      j = k;
    }
    const long n = (long)(j - i);
    pairs += n * (n - 1) / 2 - same;
    i = j;
  }
  return pairs;
}

}  // namespace

SequenceHits buildSequenceHits(int proteins, const VecInt& speciesOf, const std::vector<PairRecord>& records) {
  SequenceHits h;
  h.start.assign((size_t)proteins + 1, 0);
  auto kept = [&](const PairRecord& r) { return r.value > 0 && speciesOf[r.a] != speciesOf[r.b]; };
  for (const PairRecord& r : records)
    if (kept(r)) {
      ++h.start[r.a + 1];
      ++h.start[r.b + 1];
    }
  for (int p = 0; p < proteins; ++p) h.start[p + 1] += h.start[p];
  h.partner.resize(h.start[proteins]);
  h.score.resize(h.start[proteins]);
  std::vector<long> next(h.start.begin(), h.start.end() - 1);
  // Records come by (a, b) ascending, so each protein's partners arrive in
  // ascending order on both sides.
  for (const PairRecord& r : records)
    if (kept(r)) {
      h.partner[next[r.a]] = r.b;
      h.score[next[r.a]++] = r.value;
      h.partner[next[r.b]] = r.a;
      h.score[next[r.b]++] = r.value;
    }
  return h;
}

double hitScore(const SequenceHits& hits, int a, int b) {
  const auto first = hits.partner.begin() + hits.start[a], last = hits.partner.begin() + hits.start[a + 1];
  const auto it = std::lower_bound(first, last, b);
  return it != last && *it == b ? hits.score[it - hits.partner.begin()] : 0;
}

int hitRank(const SequenceHits& hits, const VecInt& speciesOf, int a, int b) {
  const double s = hitScore(hits, a, b);
  if (s <= 0) return 0;
  int rank = 1;
  for (long k = hits.start[a]; k < hits.start[a + 1]; ++k)
    if (speciesOf[hits.partner[k]] == speciesOf[b] && hits.score[k] > s) ++rank;
  return rank;
}

Baseline reciprocalBestHits(const SequenceHits& hits, const VecInt& speciesOf, int speciesCount) {
  const int n = (int)hits.start.size() - 1;
  const size_t S = (size_t)speciesCount;
  // best[p * S + t]: p's highest score in species t.
  std::vector<double> best((size_t)n * S, 0);
  for (int p = 0; p < n; ++p)
    for (long k = hits.start[p]; k < hits.start[p + 1]; ++k) {
      double& b = best[(size_t)p * S + speciesOf[hits.partner[k]]];
      b = std::max(b, hits.score[k]);
    }
  Baseline out;
  std::vector<double> pairScore;
  for (int a = 0; a < n; ++a)
    for (long k = hits.start[a]; k < hits.start[a + 1]; ++k) {
      const int b = hits.partner[k];
      const double s = hits.score[k];
      if (b <= a || s < best[(size_t)a * S + speciesOf[b]] || s < best[(size_t)b * S + speciesOf[a]]) continue;
      out.pairs.emplace_back(a, b);
      pairScore.push_back(s);
    }

  VecInt order(out.pairs.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return pairScore[x] > pairScore[y]; });
  // Each root's species, as a list: a cluster holds at most one protein of each.
  VecInt parent(n);
  std::iota(parent.begin(), parent.end(), 0);
  std::vector<VecInt> speciesIn(n);
  VecBool paired(n, false);
  for (int k : order) {
    const int a = out.pairs[k].first, b = out.pairs[k].second;
    int ra = findRoot(parent, a), rb = findRoot(parent, b);
    if (ra == rb) continue;
    if (speciesIn[ra].empty()) speciesIn[ra].push_back(speciesOf[a]);
    if (speciesIn[rb].empty()) speciesIn[rb].push_back(speciesOf[b]);
    bool clash = false;
    for (int s : speciesIn[ra])
      clash = clash || std::find(speciesIn[rb].begin(), speciesIn[rb].end(), s) != speciesIn[rb].end();
    if (clash) continue;
    if (ra > rb) std::swap(ra, rb);
    parent[rb] = ra;
    speciesIn[ra].insert(speciesIn[ra].end(), speciesIn[rb].begin(), speciesIn[rb].end());
    speciesIn[rb].clear();
    paired[a] = paired[b] = true;
  }
  out.clusterOf.assign(n, -1);
  // Roots are the smallest members, so scanning proteins in order meets
  // each cluster's root before its other members.
  for (int p = 0; p < n; ++p) {
    if (!paired[p]) continue;
    const int root = findRoot(parent, p);
    if (out.clusterOf[root] < 0) {
      out.clusterOf[root] = (int)out.clusters.size();
      out.clusters.emplace_back();
    }
    out.clusterOf[p] = out.clusterOf[root];
    out.clusters[out.clusterOf[p]].push_back(p);
  }
  return out;
}

long crossSpeciesPairs(const VecInt& members, const VecInt& speciesOf) {
  std::vector<std::pair<int, int>> items;
  items.reserve(members.size());
  for (int p : members) items.emplace_back(0, speciesOf[p]);
  std::sort(items.begin(), items.end());
  return crossPairsOfSorted(items);
}

PairCounts compareClusterings(const std::vector<VecInt>& run, const std::vector<VecInt>& baseline,
                              const VecInt& baselineClusterOf, const VecInt& speciesOf) {
  PairCounts c;
  for (const VecInt& members : baseline) c.baseline += crossSpeciesPairs(members, speciesOf);
  std::vector<std::pair<int, int>> items;
  for (const VecInt& members : run) {
    c.run += crossSpeciesPairs(members, speciesOf);
    // A pair is in both when its two proteins share a baseline cluster.
    items.clear();
    for (int p : members)
      if (baselineClusterOf[p] >= 0) items.emplace_back(baselineClusterOf[p], speciesOf[p]);
    std::sort(items.begin(), items.end());
    c.shared += crossPairsOfSorted(items);
  }
  return c;
}
