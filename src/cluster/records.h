// Records of the star clustering and their orderings. The orderings are plain
// strict greater-than tests handed to std::sort, whose (unstable) tie order is
// part of the program's output.
#pragma once

#include <memory>
#include <string>

#include "base/types.h"

// Rows follow the species list minus the centre's species; 10 columns each,
// partners by non-increasing score, filled contiguously from column 0.
typedef std::vector<VecStr> CandidateTable;

struct Star {
  double weight = 0;
  std::string center;
  // Made once when the star is built or loaded and shared by every copy.
  std::shared_ptr<CandidateTable> candidates;
};

struct spNet {
  int nodeNum = 0;
  std::string spName;
};

struct Edge {
  int branch1, pos1, branch2, pos2;
  double score;
};

bool UDgreater(spNet a, spNet b);
bool sort_star(const Star& a, const Star& b);
bool sort_edge(const Edge& a, const Edge& b);

// Match score of two proteins whichever key order the map uses; 0 when absent.
double getScore(const std::string& a, const std::string& b, const StrPair2Dbl& matchScores);
