#include "preprocess/rescale.h"

#include <cmath>
#include <iostream>
#include <map>
#include <set>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "preprocess/filters.h"

namespace {

const std::string& speciesOf(const Str2Str& id2sp, const std::string& id) {
  auto it = id2sp.find(id);
  if (it == id2sp.end()) throw RunError("identifier " + quoteToken(id) + " of the scores has no species");
  return it->second;
}

double paralogScore(const StrPair2Dbl& scores, const StrPair& key) {
  auto it = scores.find(key);
  if (it == scores.end())
    throw RunError("paralog pair (" + printable(key.first) + ", " + printable(key.second) + ") has no score");
  return it->second;
}

// Scores of the best hits between species A and B, in key order: the A-B
// entries within 1e-9 of the best A-B score of at least one of their proteins.
std::vector<double> bestHitScores(const StrPair2Dbl& scores, const VecStr& idList,
                                  const Str2Str& id2sp, const std::string& A,
                                  const std::string& B) {
  auto inPair = [&](const StrPair& key) {
    const std::string &sa = speciesOf(id2sp, key.first), &sb = speciesOf(id2sp, key.second);
    return sa != sb && ((sa == A && sb == B) || (sa == B && sb == A));
  };
  std::map<std::string, double> best;
  for (const auto& id : idList) best[id] = 0;
  for (const auto& e : scores) {
    if (!inPair(e.first)) continue;
    for (const std::string* id : {&e.first.first, &e.first.second}) {
      double& b = best[*id];
      if (e.second > b) b = e.second;
    }
  }
  std::vector<double> hits;
  for (const auto& e : scores) {
    if (!inPair(e.first)) continue;
    if (std::fabs(best[e.first.first] - e.second) < 1e-9 ||
        std::fabs(best[e.first.second] - e.second) < 1e-9)
      hits.push_back(e.second);
  }
  return hits;
}

// NaN prints as "nan" whatever its sign bit.
void printNumber(std::ostream& os, double x) {
  if (std::isnan(x))
    os << "nan";
  else
    os << x;
}

}  // namespace

void normalizeBlastLikeScores(StrPair2Dbl& scores, const VecStr& idList, const VecStr& spList,
                              const Str2Str& id2sp, bool removeNonParalogs, bool rescale,
                              bool removeLow, double threshold) {
  StrPair2Int paralogPairs;
  if (removeNonParalogs)
    removeNonParalogWithinSpeciesScores(scores, paralogPairs, idList, spList, id2sp);
  if (rescale)
    rescaleScoresBySpDistance(scores, paralogPairs, idList, spList, id2sp, removeNonParalogs);
  if (removeLow) removeLowEntries(scores, idList, spList, id2sp, threshold);
}

void rescaleScoresBySpDistance(StrPair2Dbl& scores, const StrPair2Int& paralogPairs,
                               const VecStr& idList, const VecStr& spList, const Str2Str& id2sp,
                               bool useParalogs) {
  const size_t n = spList.size();
  // hits[i][j], i < j: best-hit scores of spList[i] and spList[j].
  std::vector<std::vector<std::vector<double>>> hits(n, std::vector<std::vector<double>>(n));
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      hits[i][j] = bestHitScores(scores, idList, id2sp, spList[i], spList[j]);

  double sum = 0;
  long count = 0;
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      for (double v : hits[i][j]) {
        sum += v;
        ++count;
      }
  if (useParalogs)
    for (const auto& p : paralogPairs) {
      sum += paralogScore(scores, p.first);
      ++count;
    }
  const double mu = count > 0 ? sum / count : 0;

  StrPair2Dbl mean;  // m(A,B), keyed by species names
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j) {
      double& m = mean[StrPair(spList[i], spList[j])];
      m = 0;
      double s = 0;
      for (double v : hits[i][j]) s += v;
      std::cerr << "(" << spList[i] << "," << spList[j] << ")" << std::endl;
      if (!hits[i][j].empty()) m = s / hits[i][j].size();
    }
  for (size_t j = 0; j < n; ++j)
    for (size_t i = 0; i < j; ++i)
      mean[StrPair(spList[j], spList[i])] = mean[StrPair(spList[i], spList[j])];

  for (const auto& A : spList) {
    double& m = mean[StrPair(A, A)];
    if (!useParalogs) {
      m = mu;
      continue;
    }
    m = 0;
    double s = 0;
    long c = 0;
    for (const auto& p : paralogPairs) {
      const std::string& sp = speciesOf(id2sp, p.first.first);
      if (sp != speciesOf(id2sp, p.first.second))
        throw RunError("paralog pair (" + printable(p.first.first) + ", " + printable(p.first.second) +
                       ") joins two species");
      if (sp != A) continue;
      s += paralogScore(scores, p.first);
      ++c;
    }
    if (c > 0) m = s / c;
  }

  StrPair2Dbl factor;
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i; j < n; ++j) {
      const double f = mean[StrPair(spList[i], spList[j])] / mu;
      factor[StrPair(spList[i], spList[j])] = f;
      factor[StrPair(spList[j], spList[i])] = f;
      std::cerr << "Scaling factor for " << spList[i] << "-" << spList[j] << " : ";
      printNumber(std::cerr, f);
      std::cerr << std::endl;
      if (f == 0 || !std::isfinite(f)) {
        std::cerr << "Warning: scaling factor for " << spList[i] << "-" << spList[j] << " is ";
        printNumber(std::cerr, f);
        std::cerr << "; its scores are left unchanged" << std::endl;
      }
    }

  for (auto& e : scores) {
    const std::string &sa = speciesOf(id2sp, e.first.first), &sb = speciesOf(id2sp, e.first.second);
    auto it = factor.find(StrPair(sa, sb));
    if (it == factor.end())
      throw RunError("species pair " + printable(sa) + "-" + printable(sb) + " of (" +
                     printable(e.first.first) + ", " + printable(e.first.second) + ") is not in the species list");
    const double f = it->second;
    if (f != 0 && std::isfinite(f)) e.second /= f;
  }
}

void keepOnlySomeSpeciesPairScalingFactors(StrPair2Dbl& spPairValues, double value) {
  static const std::set<StrPair> retained = {
      {"hsapi", "dmela"}, {"dmela", "hsapi"}, {"mmusc", "dmela"}, {"dmela", "mmusc"},
      {"hsapi", "scere"}, {"scere", "hsapi"}, {"mmusc", "scere"}, {"scere", "mmusc"},
      {"celeg", "scere"}, {"scere", "celeg"}};
  for (auto& e : spPairValues)
    if (!retained.count(e.first)) e.second = value;
}

double getSpeciesDistance(const std::string& /*sp1*/, const std::string& /*sp2*/) { return 1.0; }
