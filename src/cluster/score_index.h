// Per-protein lists of scored partners, built once from the match scores so
// that star building and refinement never look up string pairs.
//
// Layout: CSR over protein numbers (idList positions). partners[off[p] ..
// off[p+1]) are ascending protein numbers, each with the score getScore()
// would return for the pair; only positive scores are kept, since a pair
// scoring 0 or less can never enter a star or raise an edge.
#pragma once

#include <vector>

#include "types.h"

class ScoreIndex {
 public:
  ScoreIndex(const StrPair2Dbl& matchScores, const VecStr& idList);

  int begin(int p) const { return off_[p]; }
  int end(int p) const { return off_[p + 1]; }
  int partner(int k) const { return partners_[k]; }
  double score(int k) const { return scores_[k]; }

  // getScore() of two proteins: the stored positive score or 0.
  double score(int a, int b) const;

 private:
  std::vector<int> off_;
  std::vector<int> partners_;
  std::vector<double> scores_;
};
