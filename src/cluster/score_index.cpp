#include "cluster/score_index.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <unordered_map>

#include "cli/error.h"

ScoreIndex::ScoreIndex(const StrPair2Dbl& matchScores, const VecStr& idList) {
  const int N = (int)idList.size();
  std::unordered_map<std::string, int> number;
  number.reserve(N * 2 + 1);
  for (int i = 0; i < N; ++i) number.emplace(idList[i], i);
  auto lookup = [&](const std::string& id) {
    auto it = number.find(id);
    if (it == number.end()) throw RunError("match score for '" + id + "', which is not a protein of this run");
    return it->second;
  };

  // Both directions of every entry; a pair stored under both key orders shows
  // up twice in a list and is merged below by taking the larger score.
  std::vector<std::pair<int, int>> ends;
  ends.reserve(matchScores.size());
  std::vector<long> count(N + 1, 0);
  const std::string* lastFirst = nullptr;
  int a = -1;
  for (const auto& e : matchScores) {
    if (!lastFirst || *lastFirst != e.first.first) {
      a = lookup(e.first.first);
      lastFirst = &e.first.first;
    }
    int b = lookup(e.first.second);
    ends.emplace_back(a, b);
    ++count[a + 1];
    ++count[b + 1];
  }
  for (int p = 0; p < N; ++p) count[p + 1] += count[p];
  if (count[N] > INT_MAX) throw RunError("too many match scores");
  std::vector<int> rawPartner(count[N]);
  std::vector<double> rawScore(count[N]);
  std::vector<long> fill(count.begin(), count.end() - 1);
  size_t k = 0;
  for (const auto& e : matchScores) {
    const auto& pr = ends[k++];
    rawPartner[fill[pr.first]] = pr.second;
    rawScore[fill[pr.first]++] = e.second;
    rawPartner[fill[pr.second]] = pr.first;
    rawScore[fill[pr.second]++] = e.second;
  }
  std::vector<std::pair<int, int>>().swap(ends);

  off_.assign(N + 1, 0);
  std::vector<int> order;
  for (int p = 0; p < N; ++p) {
    const long lo = count[p], hi = count[p + 1];
    order.resize(hi - lo);
    std::iota(order.begin(), order.end(), (int)lo);
    std::sort(order.begin(), order.end(), [&](int x, int y) { return rawPartner[x] < rawPartner[y]; });
    for (size_t t = 0; t < order.size();) {
      const int q = rawPartner[order[t]];
      double s = rawScore[order[t]];
      for (++t; t < order.size() && rawPartner[order[t]] == q; ++t)
        if (rawScore[order[t]] > s) s = rawScore[order[t]];
      if (s > 0) {
        partners_.push_back(q);
        scores_.push_back(s);
      }
    }
    off_[p + 1] = (int)partners_.size();
  }
}

double ScoreIndex::score(int a, int b) const {
  auto first = partners_.begin() + off_[a], last = partners_.begin() + off_[a + 1];
  auto it = std::lower_bound(first, last, b);
  return (it != last && *it == b) ? scores_[it - partners_.begin()] : 0.0;
}
