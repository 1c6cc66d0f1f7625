// Pair index arithmetic, per-species adjacency lists and the sequence-score lookups.
#include <gtest/gtest.h>

#include <algorithm>

#include "align/pair_index.h"
#include "base/error.h"

namespace {

// A small roster: identifiers with their species, numbered in sorted order.
struct Roster {
  Str2Str id2sp;
  VecStr idList;
  Str2Int id2idx;

  void add(const std::string& id, const std::string& sp) { id2sp[id] = sp; }
  void index() {
    idList.clear();
    for (const auto& e : id2sp) idList.push_back(e.first);
    std::sort(idList.begin(), idList.end());
    id2idx.clear();
    for (size_t i = 0; i < idList.size(); ++i) id2idx[idList[i]] = (int)i;
  }
};

void link(StrPair2Dbl& intxns, const std::string& a, const std::string& b) {
  intxns[orderedPair(a, b)] = 1.0;
}

}  // namespace

TEST(PairIndex, IndexAndSubscriptsAreInverse) {
  // m = 3, n = 4: the second position varies fastest.
  EXPECT_EQ(9, getIdx(2, 1, 3, 4));
  EXPECT_EQ(11, getIdx(2, 3, 3, 4));
  EXPECT_EQ(4, getIdx(1, 0, 3, 4));
  int i = -1, j = -1;
  getSubscripts(9, 3, 4, i, j);
  EXPECT_EQ(2, i);
  EXPECT_EQ(1, j);
  getSubscripts(11, 3, 4, i, j);
  EXPECT_EQ(2, i);
  EXPECT_EQ(3, j);
  for (int q = 0; q < 12; ++q) {
    getSubscripts(q, 3, 4, i, j);
    EXPECT_EQ(q, getIdx(i, j, 3, 4));
  }
  // Large but valid indices stay exact.
  getSubscripts(2147483646, 2, 1073741824, i, j);
  EXPECT_EQ(1, i);
  EXPECT_EQ(1073741822, j);
}

TEST(PairIndex, CountsInteractionsAndInteractingProteinsOfOneSpecies) {
  Roster r;
  for (auto id : {"p1", "p2", "p3", "p4"}) r.add(id, "A");
  for (auto id : {"q1", "q2"}) r.add(id, "B");
  StrPair2Dbl intxns;
  link(intxns, "p1", "p2");
  link(intxns, "p2", "p3");
  link(intxns, "p3", "p3");  // self-interaction: one interaction, one protein
  link(intxns, "q1", "q2");
  int nodes = -1, edges = -1;
  countEdgesNodesBySp(intxns, r.id2sp, "A", nodes, edges);
  EXPECT_EQ(3, nodes);  // p4 has no interaction
  EXPECT_EQ(3, edges);
  countEdgesNodesBySp(intxns, r.id2sp, "B", nodes, edges);
  EXPECT_EQ(2, nodes);
  EXPECT_EQ(1, edges);
  countEdgesNodesBySp(intxns, r.id2sp, "C", nodes, edges);
  EXPECT_EQ(0, nodes);
  EXPECT_EQ(0, edges);
}

TEST(PairIndex, AdjacencyOverAllProteinsFollowsKeyOrder) {
  Roster r;
  // p0 occurs only in a sequence score file: it still gets a position.
  for (auto id : {"p0", "p1", "p2", "p3", "p4"}) r.add(id, "A");
  for (auto id : {"a", "z"}) r.add(id, "B");  // interleaved in the sorted idList
  r.index();
  StrPair2Dbl intxns;
  link(intxns, "p3", "p1");  // stored as (p1, p3)
  link(intxns, "p1", "p2");
  link(intxns, "p4", "p4");
  link(intxns, "p2", "p3");
  link(intxns, "a", "z");
  VecInt idx;
  VecVecInt adj;
  idx.push_back(99);  // outputs are cleared first
  adj.resize(7);
  getAdjListBySp_withAllGenes(intxns, r.id2sp, r.id2idx, "A", idx, adj);
  // idList = a p0 p1 p2 p3 p4 z
  EXPECT_EQ((VecInt{1, 2, 3, 4, 5}), idx);
  ASSERT_EQ(5u, adj.size());
  EXPECT_EQ(VecInt{}, adj[0]);              // p0: no partner
  EXPECT_EQ((VecInt{2, 3}), adj[1]);        // p1: p2 (key p1,p2) before p3 (key p1,p3)
  EXPECT_EQ((VecInt{1, 3}), adj[2]);        // p2: p1, then p3
  EXPECT_EQ((VecInt{1, 2}), adj[3]);        // p3
  EXPECT_EQ((VecInt{4, 4}), adj[4]);        // self-interaction listed twice, degree 2

  getAdjListBySp_withAllGenes(intxns, r.id2sp, r.id2idx, "B", idx, adj);
  EXPECT_EQ((VecInt{0, 6}), idx);
  EXPECT_EQ((VecVecInt{{1}, {0}}), adj);
}

TEST(PairIndex, AdjacencyRejectsAnInteractionAcrossSpecies) {
  Roster r;
  r.add("p1", "A");
  r.add("q1", "B");
  r.index();
  StrPair2Dbl intxns;
  link(intxns, "p1", "q1");
  VecInt idx;
  VecVecInt adj;
  EXPECT_THROW(getAdjListBySp_withAllGenes(intxns, r.id2sp, r.id2idx, "A", idx, adj), RunError);
}

TEST(PairIndex, AdjacencyOverInteractingProteinsNumbersByFirstAppearance) {
  Roster r;
  for (auto id : {"p0", "p1", "p2", "p3", "p9"}) r.add(id, "A");
  r.index();
  StrPair2Dbl intxns;
  link(intxns, "p3", "p9");
  link(intxns, "p2", "p9");
  link(intxns, "p1", "p1");
  int nodes, edges;
  countEdgesNodesBySp(intxns, r.id2sp, "A", nodes, edges);
  ASSERT_EQ(4, nodes);
  VecInt idx;
  VecVecInt adj;
  getAdjListBySp(intxns, r.id2sp, r.id2idx, "A", nodes, idx, adj);
  // Keys in order: (p1,p1) (p2,p9) (p3,p9) -> p1=0, p2=1, p9=2, p3=3; p0 has none.
  EXPECT_EQ((VecInt{1, 2, 4, 3}), idx);
  EXPECT_EQ((VecVecInt{{0, 0}, {2}, {1, 3}, {2}}), adj);

  EXPECT_THROW(getAdjListBySp(intxns, r.id2sp, r.id2idx, "A", 5, idx, adj), RunError);
  EXPECT_THROW(getAdjListBySp(intxns, r.id2sp, r.id2idx, "A", 3, idx, adj), RunError);
}

TEST(PairIndex, LargestSequenceScoreIsAtLeastOne) {
  StrPair2Dbl blast;
  blast[{"a1", "b1"}] = 0.5;
  blast[{"a1", "b2"}] = 7.0;
  blast[{"a1", "a2"}] = 9.0;  // within-species scores count too
  blast[{"b2", "b3"}] = 3.0;
  blast[{"b2", "x9"}] = 0.25;  // x9 is not in idList: starts at 0
  VecStr idList{"a1", "a2", "b1", "b2", "b3", "c1"};
  std::map<std::string, double> best;
  best["stale"] = 5;
  getMaxBlastScoreById(blast, idList, best);
  std::map<std::string, double> expected{{"a1", 9.0}, {"a2", 9.0}, {"b1", 1.0}, {"b2", 7.0},
                                         {"b3", 3.0}, {"c1", 1.0}, {"x9", 0.25}};
  EXPECT_EQ(expected, best);
}

TEST(PairIndex, SequenceScoreLookupIgnoresArgumentOrder) {
  StrPair2Dbl blast;
  blast[{"x", "y"}] = 52.4;
  blast[{"m", "n"}] = -3;
  EXPECT_EQ(52.4, getBlastScoreOrZero(blast, "x", "y"));
  EXPECT_EQ(52.4, getBlastScoreOrZero(blast, "y", "x"));
  EXPECT_EQ(-3, getBlastScoreOrZero(blast, "n", "m"));
  EXPECT_EQ(0.0, getBlastScoreOrZero(blast, "x", "n"));
}
