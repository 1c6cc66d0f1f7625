#include "cluster/score_index.h"

#include <algorithm>
#include <unordered_map>

#include "base/large_array.h"
#include "base/error.h"
#include "base/text.h"

ScoreIndex::ScoreIndex(const StrPair2Dbl& matchScores, const VecStr& idList) {
  const int N = (int)idList.size();
  std::unordered_map<std::string, int> number;
  number.reserve(N * 2 + 1);
  for (int i = 0; i < N; ++i) number.emplace(idList[i], i);
  auto lookup = [&](const std::string& id) {
    auto it = number.find(id);
    if (it == number.end())
      throw RunError("match score for " + quoteToken(id) + ", which is not a protein of this run");
    return it->second;
  };

  // One pass in key order: first identifiers ascend, and so do the second
  // identifiers under each first one, so the forward lists come out sorted.
  // Dense scores make the next second identifier usually the next protein,
  // which is tried before the hash.
  const long E = (long)matchScores.size();
  reserveLarge(fTo_, E);
  reserveLarge(fScore_, E);
  fOff_.assign(N + 1, 0);
  const std::string* lastFirst = nullptr;
  int a = -1, b = -1;
  for (const auto& e : matchScores) {
    if (!lastFirst || *lastFirst != e.first.first) {
      a = lookup(e.first.first);
      lastFirst = &e.first.first;
      b = -1;
    }
    if (b + 1 < N && idList[b + 1] == e.first.second)
      ++b;
    else
      b = lookup(e.first.second);
    ++fOff_[a + 1];
    fTo_.push_back(b);
    fScore_.push_back(e.second);
  }
  for (int p = 0; p < N; ++p) fOff_[p + 1] += fOff_[p];

  // Reverse lists by counting sort over the forward entries in order.
  rOff_.assign(N + 1, 0);
  for (int x : fTo_) ++rOff_[x + 1];
  for (int p = 0; p < N; ++p) rOff_[p + 1] += rOff_[p];
  assignLarge(rFrom_, E, 0);
  assignLarge(rPos_, E, 0L);
  std::vector<long> fill(rOff_.begin(), rOff_.end() - 1);
  for (int p = 0; p < N; ++p)
    for (long k = fOff_[p]; k < fOff_[p + 1]; ++k) {
      const long slot = fill[fTo_[k]]++;
      rFrom_[slot] = p;
      rPos_[slot] = k;
    }
}

double ScoreIndex::stored(int a, int b) const {
  auto first = fTo_.begin() + fOff_[a], last = fTo_.begin() + fOff_[a + 1];
  auto it = std::lower_bound(first, last, b);
  return (it != last && *it == b) ? fScore_[it - fTo_.begin()] : 0.0;
}
