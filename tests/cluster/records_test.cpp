// Star, spNet and Edge orderings and the symmetric match-score lookup.
#include <gtest/gtest.h>

#include <algorithm>

#include "cluster/records.h"

TEST(StarRecords, SpeciesSortLargestFirstKeepingEqualSizesInListOrder) {
  spNet a{5, "a"}, b{9, "b"}, c{9, "c"}, d{3, "d"};
  EXPECT_TRUE(UDgreater(b, a));
  EXPECT_FALSE(UDgreater(a, b));
  EXPECT_FALSE(UDgreater(b, c));
  EXPECT_FALSE(UDgreater(c, b));
  EXPECT_TRUE(UDgreater(spNet{0, "x"}, spNet{-1, "y"}));  // signed comparison

  std::vector<spNet> list{a, b, c, d};
  std::sort(list.begin(), list.end(), UDgreater);
  std::vector<std::string> names;
  for (const auto& s : list) names.push_back(s.spName);
  EXPECT_EQ((std::vector<std::string>{"b", "c", "a", "d"}), names);
}

TEST(StarRecords, StarAndEdgeOrderingsAreStrictGreaterThan) {
  Star heavy, light, same;
  heavy.weight = 0.5;
  light.weight = 0.25;
  same.weight = 0.5;
  EXPECT_TRUE(sort_star(heavy, light));
  EXPECT_FALSE(sort_star(light, heavy));
  EXPECT_FALSE(sort_star(heavy, same));
  EXPECT_FALSE(sort_star(same, heavy));

  Edge e1{0, 0, 1, 0, 0.4}, e2{0, 0, 2, 0, 0.2}, e3{1, 0, 2, 0, 0.4};
  EXPECT_TRUE(sort_edge(e1, e2));
  EXPECT_FALSE(sort_edge(e2, e1));
  EXPECT_FALSE(sort_edge(e1, e3));
  EXPECT_FALSE(sort_edge(e3, e1));
}

TEST(StarRecords, StarCopiesShareTheCandidateTable) {
  Star s;
  EXPECT_EQ(0.0, s.weight);
  EXPECT_TRUE(s.center.empty());
  s.center = "c";
  s.candidates = std::make_shared<CandidateTable>(1, VecStr(10));
  Star copy = s;
  (*s.candidates)[0][0] = "x";
  EXPECT_EQ("x", (*copy.candidates)[0][0]);
}

TEST(StarRecords, ScoreLookupIsSymmetric) {
  StrPair2Dbl m{{{"x", "y"}, 0.4}, {{"p", "q"}, 0.1}, {{"q", "p"}, 0.3}, {{"n", "o"}, -0.5}};
  EXPECT_EQ(0.4, getScore("x", "y", m));
  EXPECT_EQ(0.4, getScore("y", "x", m));
  // Both key orders stored: the larger value, whichever order is asked.
  EXPECT_EQ(0.3, getScore("p", "q", m));
  EXPECT_EQ(0.3, getScore("q", "p", m));
  // Absent pair, and a negative score against the absent reverse key: 0.
  EXPECT_EQ(0.0, getScore("x", "q", m));
  EXPECT_EQ(0.0, getScore("n", "o", m));
  EXPECT_EQ(0.0, getScore("o", "n", m));
}
