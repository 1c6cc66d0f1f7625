#include "align/fill_in.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "align/match_scores.h"
#include "align/pair_index.h"
#include "base/error.h"
#include "base/text.h"
#include "base/progress.h"

namespace {

typedef std::map<std::string, double> Str2Dbl;

const std::string& speciesOf(const Str2Str& id2sp, const std::string& id) {
  auto it = id2sp.find(id);
  if (it == id2sp.end()) throw RunError("identifier " + quoteToken(id) + " has no species");
  return it->second;
}

// Largest score per protein (flag 501) and the normalised sequence scores (flag 502).
void normaliseSequenceScores(const StrPair2Dbl& blastScores, const VecStr& idList,
                             Str2Dbl& largest, StrPair2Dbl& normalised) {
  getMaxBlastScoreById(blastScores, idList, largest);
  DEBUGP(501);
  normalised.clear();
  for (const auto& e : blastScores)
    normalised.emplace_hint(normalised.end(), e.first,
                            e.second / std::sqrt(largest[e.first.first] * largest[e.first.second]));
  DEBUGP(502);
}

// Identifiers and largest scores of a species' interacting proteins, by local position.
void localProteins(const VecInt& idxList, const VecStr& idList, const Str2Dbl& largest,
                   VecStr& ids, std::vector<double>& maxima) {
  ids.clear();
  maxima.clear();
  for (int pos : idxList) {
    if (pos < 0 || pos >= (int)idList.size())
      throw RunError("protein number " + std::to_string(pos) + " is outside the identifier list");
    ids.push_back(idList[pos]);
    maxima.push_back(largest.at(idList[pos]));
  }
}

// Total normalised sequence score over all (sp1 protein k, sp2 protein l) pairs,
// summed in k-major, l-minor order. Only the pairs that have a score are
// visited, so the cost follows the number of scores, not m * n.
double totalBetweenInteracting(const StrPair2Dbl& blastScores, const VecStr& ids1,
                               const std::vector<double>& max1, const VecStr& ids2,
                               const std::vector<double>& max2) {
  const long long m = (long long)ids1.size(), n = (long long)ids2.size();
  std::unordered_map<std::string, int> local1, local2;
  for (int k = 0; k < (int)m; ++k) local1.emplace(ids1[k], k);
  for (int l = 0; l < (int)n; ++l) local2.emplace(ids2[l], l);

  std::vector<std::vector<std::pair<int, double>>> rows(m);
  for (const auto& e : blastScores) {
    const std::string &x = e.first.first, &y = e.first.second;
    auto kx = local1.find(x), ly = local2.find(y);
    if (kx != local1.end() && ly != local2.end()) rows[kx->second].emplace_back(ly->second, e.second);
    if (x == y) continue;  // (x, x) is one cell, already taken
    auto ky = local1.find(y), lx = local2.find(x);
    if (ky != local1.end() && lx != local2.end()) rows[ky->second].emplace_back(lx->second, e.second);
  }

  double total = 0;
  for (long long k = 0; k < m; ++k) {
    // Progress line for every multiple of a million among the row's pair numbers.
    const long long first = k * n, end = first + n;
    for (long long e = (first + 999999) / 1000000 * 1000000; e < end; e += 1000000)
      std::cerr << "fillBlast:" << e << std::endl;
    auto& row = rows[k];
    std::sort(row.begin(), row.end());
    for (const auto& cell : row)
      if (std::fabs(cell.second) > 1e-9)
        total += cell.second / std::sqrt(max1[k] * max2[cell.first]);
  }
  return total;
}

}  // namespace

void fillInMissingBlastScores_L1norm(StrPair2Dbl& matchScores, double alpha,
                                     const StrPair2Dbl& intxns, const StrPair2Dbl& blastScores,
                                     const VecStr& idList, const Str2Str& id2sp,
                                     const Str2Int& id2idx, const VecStr& spList) {
  Str2Dbl largest;
  StrPair2Dbl normalised;
  normaliseSequenceScores(blastScores, idList, largest, normalised);

  for (size_t a = 0; a < spList.size(); ++a) {
    for (size_t b = a + 1; b < spList.size(); ++b) {
      const std::string &sp1 = spList[a], &sp2 = spList[b];
      int sp1nodes, sp2nodes, edges;
      countEdgesNodesBySp(intxns, id2sp, sp1, sp1nodes, edges);
      countEdgesNodesBySp(intxns, id2sp, sp2, sp2nodes, edges);
      DEBUGP(503);
      VecInt sp1_idxList, sp2_idxList;
      VecVecInt sp1_adjList, sp2_adjList;
      getAdjListBySp(intxns, id2sp, id2idx, sp1, sp1nodes, sp1_idxList, sp1_adjList);
      getAdjListBySp(intxns, id2sp, id2idx, sp2, sp2nodes, sp2_idxList, sp2_adjList);
      DEBUGP(5031);
      if ((int)sp1_idxList.size() != sp1nodes || (int)sp2_idxList.size() != sp2nodes)
        throw RunError("protein lists of " + sp1 + " and " + sp2 + " do not match their counts");
      DEBUGP(504);

      VecStr ids1, ids2;
      std::vector<double> max1, max2;
      localProteins(sp1_idxList, idList, largest, ids1, max1);
      localProteins(sp2_idxList, idList, largest, ids2, max2);
      const double total = totalBetweenInteracting(blastScores, ids1, max1, ids2, max2);
      DEBUGP(505);

      double added = 0;
      if (total == 0) {
        std::cerr << "Warning: no sequence score between interacting proteins of " << sp1
                  << " and " << sp2 << "; no score filled in for them" << std::endl;
      } else {
        const double factor = (1 - alpha) / total;
        for (const auto& e : normalised) {
          const std::string &x = e.first.first, &y = e.first.second;
          const std::string &spx = speciesOf(id2sp, x), &spy = speciesOf(id2sp, y);
          if (spx == spy || (spx != sp1 && spx != sp2) || (spy != sp1 && spy != sp2)) continue;
          if (matchScores.count(e.first)) {
            std::cerr << "CHECK! this score shouldn't be here: " << x << " " << y << std::endl;
            continue;
          }
          const double value = e.second * factor;
          matchScores[e.first] = value;
          added += value;
        }
      }
      DEBUGP(506);
      std::cerr << "filling in blast scores for " << sp1 << " " << sp2 << ": " << added
                << std::endl;
    }
  }
}

void fillInMissingBlastScores_L1norm_A(StrPair2Dbl& matchScores, double /*alpha*/,
                                       const StrPair2Dbl& /*intxns*/,
                                       const StrPair2Dbl& blastScores, const VecStr& idList,
                                       const Str2Str& id2sp, const Str2Int& /*id2idx*/,
                                       const VecStr& /*spList*/) {
  Str2Dbl largest;
  StrPair2Dbl normalised;
  normaliseSequenceScores(blastScores, idList, largest, normalised);

  double seqSum, matchSum;
  computeSumOfCommonScores(normalised, matchScores, matchSum, seqSum);
  double factor = 1;
  if (matchSum == 0)
    std::cerr << "Warning: the match scores on keys shared with the sequence scores sum to 0;"
                 " match scores are not rescaled" << std::endl;
  else
    factor = seqSum / matchSum;

  double total = 0;
  for (auto& e : matchScores) {
    e.second *= factor;
    total += e.second;
  }
  std::cerr << "Total Match Scores before filling in Blast: " << total << std::endl;

  int count = 0;
  for (const auto& e : normalised) {
    if (speciesOf(id2sp, e.first.first) == speciesOf(id2sp, e.first.second)) continue;
    if (!matchScores.emplace(e.first, e.second).second) continue;
    total += e.second;
    ++count;
  }
  DEBUGP(506);
  std::cerr << "# of Blast scores added in : " << count << " total score now: " << total
            << std::endl;
}
