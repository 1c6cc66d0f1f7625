#include "cluster/records.h"

bool UDgreater(spNet a, spNet b) { return a.nodeNum > b.nodeNum; }
bool sort_star(const Star& a, const Star& b) { return a.weight > b.weight; }
bool sort_edge(const Edge& a, const Edge& b) { return a.score > b.score; }

double getScore(const std::string& a, const std::string& b, const StrPair2Dbl& matchScores) {
  auto it = matchScores.find(StrPair(a, b));
  double s1 = it == matchScores.end() ? 0 : it->second;
  it = matchScores.find(StrPair(b, a));
  double s2 = it == matchScores.end() ? 0 : it->second;
  return s1 > s2 ? s1 : s2;
}
