#include "report/progress_log.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The lines of two pairs as a run prints them, with other progress lines
// between, a pruning step, a line that says nothing parseable, and a third
// pair whose sweeps the log cuts off.
const char* const kLog =
    "Flag: 203\n0\nsize before: 6 size after: 6\n"
    "K: 0\n0\nAfter pruning in style=top_K pruned 23 entries to 20\nsize before: 20 size after: 20\n"
    "K: 1\n0\nsize before: 21 size after: 21\n"
    "K: 3\ncurr size: 21 avg change in last iter: 0.03532\n0\nsize before: 20 size after: 20\n"
    "size before: 20 size after: 20\nFlag: 210\nFlag: 4\n"
    "ce hs # scores in finalVec but not in initVec: 14 init: 6 final: 20\n"
    "size before: 5 size after: 5\nK: 0\nsize before: 19 size after: 19\n"
    "K: x\ncurr size: 19 avg change in last iter: garbled\n"
    "ce sc # scores in finalVec but not in initVec: 15 init: 5 final: 19\r\n"
    "size before: 7 size after: 7\nK: 0\n";

TEST(ParseProgressLog, PairsStepsAndWhatDoesNotParse) {
  std::istringstream in(kLog);
  const std::vector<PairSweeps> pairs = parseProgressLog(in);
  ASSERT_EQ(2u, pairs.size());
  const PairSweeps& a = pairs[0];
  EXPECT_EQ("ce", a.species1);
  EXPECT_EQ("hs", a.species2);
  EXPECT_EQ(6, a.initialEntries);
  EXPECT_EQ(20, a.finalEntries);
  ASSERT_EQ(3u, a.steps.size());
  EXPECT_EQ(0, a.steps[0].iteration);
  EXPECT_EQ(20, a.steps[0].entries);
  EXPECT_EQ(23, a.steps[0].pruned);
  EXPECT_EQ(-1, a.steps[0].change);
  EXPECT_EQ(21, a.steps[1].entries);
  EXPECT_EQ(-1, a.steps[1].pruned);
  EXPECT_EQ(3, a.steps[2].iteration);
  EXPECT_EQ(0.03532, a.steps[2].change);
  EXPECT_EQ(20, a.steps[2].entries);  // the sweep's, not the final normalisation's

  const PairSweeps& b = pairs[1];
  EXPECT_EQ("sc", b.species2);
  EXPECT_EQ(19, b.finalEntries);
  ASSERT_EQ(1u, b.steps.size());  // "K: x" is skipped, and so is its garbled change
  EXPECT_EQ(-1, b.steps[0].change);
}

}  // namespace
