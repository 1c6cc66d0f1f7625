#include "preprocess/filters.h"

#include <iostream>
#include <map>
#include <string>

#include "base/error.h"
#include "base/text.h"
#include "base/progress.h"

namespace {

typedef std::map<std::string, double> Str2Dbl;

const std::string& speciesOf(const Str2Str& id2sp, const std::string& id) {
  auto it = id2sp.find(id);
  if (it == id2sp.end()) throw RunError("identifier " + quoteToken(id) + " of the scores has no species");
  return it->second;
}

// Every identifier of idList at 0; others start at 0 when first met.
Str2Dbl zeroTable(const VecStr& idList) {
  Str2Dbl best;
  for (const auto& id : idList) best[id] = 0;
  return best;
}

void raiseBest(Str2Dbl& best, const std::string& id, double v) {
  double& b = best[id];
  if (v > b) b = v;
}

}  // namespace

void removeNonParalogWithinSpeciesScores(StrPair2Dbl& scores, StrPair2Int& paralogPairs,
                                         const VecStr& idList, const VecStr& /*spList*/,
                                         const Str2Str& id2sp) {
  Str2Dbl best = zeroTable(idList);
  paralogPairs.clear();
  for (const auto& e : scores) {
    const std::string &a = e.first.first, &b = e.first.second;
    if (speciesOf(id2sp, a) == speciesOf(id2sp, b)) continue;
    raiseBest(best, a, e.second);
    raiseBest(best, b, e.second);
  }

  int removed = 0;
  for (auto it = scores.begin(); it != scores.end();) {
    const std::string &a = it->first.first, &b = it->first.second;
    if (speciesOf(id2sp, a) != speciesOf(id2sp, b)) {
      ++it;
      continue;
    }
    const double v = it->second;
    if (a != b && (v < best[a] || v < best[b])) {
      it = scores.erase(it);
      ++removed;
    } else {
      paralogPairs[it->first] = 1;
      ++it;
    }
  }
  std::cerr << "Removed " << removed << " within-species entries" << std::endl;
}

void removeLowEntries(StrPair2Dbl& scores, const VecStr& idList, const VecStr& spList,
                      const Str2Str& id2sp, double threshold) {
  std::cerr << "in removeLowEntries, threshold: " << threshold << std::endl;
  int removed = 0;
  for (size_t i = 0; i < spList.size(); ++i) {
    for (size_t j = i + 1; j < spList.size(); ++j) {
      const std::string &A = spList[i], &B = spList[j];
      // A species named twice in spList must not make its own entries count as
      // a species pair: within-species entries are never judged here.
      auto inPair = [&](const std::string& a, const std::string& b) {
        const std::string &sa = speciesOf(id2sp, a), &sb = speciesOf(id2sp, b);
        return sa != sb && ((sa == A && sb == B) || (sa == B && sb == A));
      };
      DEBUGP(901);
      Str2Dbl best = zeroTable(idList);
      for (const auto& e : scores) {
        if (!inPair(e.first.first, e.first.second)) continue;
        raiseBest(best, e.first.first, e.second);
        raiseBest(best, e.first.second, e.second);
      }
      DEBUGP(902);
      for (auto it = scores.begin(); it != scores.end();) {
        const double v = it->second;
        if (inPair(it->first.first, it->first.second) &&
            (threshold * best[it->first.first] > v || threshold * best[it->first.second] > v)) {
          it = scores.erase(it);
          ++removed;
        } else {
          ++it;
        }
      }
      DEBUGP(903);
    }
  }
  std::cerr << "Removed " << removed << " low entries" << std::endl;
}

void subsetDataBySetOfIds(StrPair2Dbl& scores, Str2Int idSet) {
  for (auto it = scores.begin(); it != scores.end();) {
    if (idSet.count(it->first.first) && idSet.count(it->first.second))
      ++it;
    else
      it = scores.erase(it);
  }
}
