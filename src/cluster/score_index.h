// Integer-indexed view of the match scores, built once so that star building
// and refinement never look up string pairs.
//
// Layout, over protein numbers (idList positions), both in CSR form:
//  - forward: for every key (a, b) of the map, b under a, with the stored
//    score; each list ascending (the map's own order);
//  - reverse: for every key (a, b), a under b, with the position of the
//    forward entry; each list ascending.
// A pair may be stored under both key orders; score() and forEachPartner()
// combine the two exactly as getScore() does.
#pragma once

#include <vector>

#include "base/types.h"

class ScoreIndex {
 public:
  ScoreIndex(const StrPair2Dbl& matchScores, const VecStr& idList);

  // getScore() of two proteins.
  double score(int a, int b) const {
    const double s1 = stored(a, b), s2 = stored(b, a);
    return s1 > s2 ? s1 : s2;
  }

  // Calls f(partner, score) for every partner of p with a positive getScore(),
  // in ascending partner number. Pairs scoring 0 or less are left out: they
  // can never take a place in a star.
  template <class F>
  void forEachPartner(int p, F f) const {
    long i = fOff_[p], iEnd = fOff_[p + 1];
    long j = rOff_[p], jEnd = rOff_[p + 1];
    while (i < iEnd || j < jEnd) {
      int x;
      double s1 = 0, s2 = 0;
      if (j == jEnd || (i < iEnd && fTo_[i] < rFrom_[j])) {
        x = fTo_[i];
        s1 = fScore_[i++];
      } else if (i == iEnd || rFrom_[j] < fTo_[i]) {
        x = rFrom_[j];
        s2 = fScore_[rPos_[j++]];
      } else {
        x = fTo_[i];
        s1 = fScore_[i++];
        s2 = fScore_[rPos_[j++]];
      }
      const double s = s1 > s2 ? s1 : s2;
      if (s > 0) f(x, s);
    }
  }

 private:
  // Score stored under the key (a, b), or 0.
  double stored(int a, int b) const;

  std::vector<long> fOff_, rOff_;
  std::vector<int> fTo_, rFrom_;
  std::vector<double> fScore_;
  std::vector<long> rPos_;
};
