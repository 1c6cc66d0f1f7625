#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/error.h"
#include "eval/score_graph.h"
#include "test_util.h"

namespace {

TEST(NormalizeToZeroOneScores, ScalesByLargestScoreAtEitherEnd) {
  VecVecIntDblPair g{{{1, 4.0}}, {{0, 4.0}}};
  normalizeToZeroOneScores(g);
  EXPECT_EQ((VecVecIntDblPair{{{1, 1.0}, {0, 1.0}}, {{0, 1.0}, {1, 1.0}}}), g);

  g = {{{0, 9.0}, {1, 3.0}}, {}};
  normalizeToZeroOneScores(g);
  EXPECT_EQ((VecVecIntDblPair{{{0, 1.0}, {1, 3.0 / std::sqrt(27.0)}}, {{1, 1.0}}}), g);

  // Scores at most 1 leave the scales at 1: only self-pairs change or are added.
  g = {{{1, 0.5}, {0, 0.2}}, {{0, -2.0}}};
  normalizeToZeroOneScores(g);
  EXPECT_EQ((VecVecIntDblPair{{{1, 0.5}, {0, 1.0}}, {{0, -2.0}, {1, 1.0}}}), g);
}

TEST(ScoreGraph, BadGraphsStopBeforeAnyChange) {
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
    VecVecIntDblPair g{{{1, 2.0}}, {{0, bad}}};
    const VecVecIntDblPair before = g;
    EXPECT_THROW(normalizeToZeroOneScores(g), RunError);
    EXPECT_EQ(before.size(), g.size());
    EXPECT_EQ(2.0, g[0][0].second);
    EXPECT_EQ(1u, g[1].size());
  }
  VecVecIntDblPair outside{{{2, 1.0}}, {{-1, 1.0}}};
  std::list<std::list<int>> components;
  EXPECT_THROW(normalizeToZeroOneScores(outside), RunError);
  EXPECT_THROW(getConnectedComponents(outside, components), RunError);
  EXPECT_THROW(writeAllScoresToFile("/nonexistent/x", outside, {"a", "b", "c"}), RunError);
}

TEST(GetConnectedComponents, BreadthFirstFromLowestUnvisitedNode) {
  std::list<std::list<int>> components{{7}};
  EXPECT_EQ(2, getConnectedComponents({{{2, 1}}, {{3, 1}}, {{0, 1}}, {{1, 1}}}, components));
  EXPECT_EQ((std::list<std::list<int>>{{0, 2}, {1, 3}}), components);

  // Discovery order, an isolated node, and an edge stored only at its far end.
  EXPECT_EQ(3, getConnectedComponents(
                   {{{3, 1}, {1, 1}}, {}, {}, {{2, 1}, {0, 1}}, {}, {{4, 1}}}, components));
  EXPECT_EQ((std::list<std::list<int>>{{0, 3, 1, 2}, {4}, {5}}), components);

  EXPECT_EQ(0, getConnectedComponents({}, components));
  EXPECT_TRUE(components.empty());
}

TEST(FirstNonVisited, FirstZeroOrSize) {
  EXPECT_EQ(2, firstNonVisited({1, 1, 0, 0}));
  EXPECT_EQ(2, firstNonVisited({1, 1}));
  EXPECT_EQ(0, firstNonVisited({}));
}

TEST(WriteAllScoresToFile, EachEdgeOnceFromItsLowerEnd) {
  const std::string file = testutil::makeTempDir() + "/g.txt";
  testutil::writeFile(file, "old content that must go\n");
  writeAllScoresToFile(file.c_str(), {{{1, 0.5}, {0, 1.0}}, {{0, 0.5}, {2, 1.0 / 3}}, {}},
                       {"a", "b", "c"});
  EXPECT_EQ("a b 0.5\na a 1\nb c 0.333333\n", testutil::readFile(file));

  const std::string unnamed = file + ".2";
  EXPECT_THROW(writeAllScoresToFile(unnamed.c_str(), {{}, {}}, {"a"}), RunError);
  EXPECT_FALSE(testutil::fileExists(unnamed));

  testing::internal::CaptureStderr();
  writeAllScoresToFile("/nonexistent-dir/g.txt", {{}}, {"a"});
  EXPECT_EQ("Warning: cannot write score file /nonexistent-dir/g.txt\n",
            testing::internal::GetCapturedStderr());
}

TEST(Strstrip, TrimsCLocaleWhitespaceAtBothEnds) {
  EXPECT_EQ("ab cd", strstrip("  ab cd\t"));
  EXPECT_EQ("", strstrip("   "));
  EXPECT_EQ("", strstrip(""));
  EXPECT_EQ("abc", strstrip("abc"));
  EXPECT_EQ("x \t y", strstrip("\r\n\v\fx \t y\f\v\n\r"));
}

}  // namespace
