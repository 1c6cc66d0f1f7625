#include <gtest/gtest.h>

#include "base/error.h"
#include "preprocess/filters.h"

namespace {

TEST(RemoveNonParalogWithinSpeciesScores, ErasesStrictlyBelowBestBetweenSpeciesScore) {
  const VecStr idList{"a1", "a2", "a3", "b1", "b2"};
  const Str2Str id2sp{{"a1", "a"}, {"a2", "a"}, {"a3", "a"}, {"b1", "b"}, {"b2", "b"}};
  // Best between-species scores: a1 40, a2 60, b1 40, b2 60; a3 has none (0).
  StrPair2Dbl scores{{{"a1", "b1"}, 40}, {{"a2", "b2"}, 60}, {{"a1", "a2"}, 50},
                     {{"a2", "a3"}, 60}, {{"a1", "a1"}, 5},  {{"b1", "b2"}, 59}};
  StrPair2Int paralogs{{{"x", "y"}, 1}};
  testing::internal::CaptureStderr();
  removeNonParalogWithinSpeciesScores(scores, paralogs, idList, {"a", "b"}, id2sp);
  EXPECT_EQ("Removed 2 within-species entries\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ((StrPair2Dbl{{{"a1", "b1"}, 40}, {{"a2", "b2"}, 60}, {{"a2", "a3"}, 60},
                         {{"a1", "a1"}, 5}}),
            scores);
  EXPECT_EQ((StrPair2Int{{{"a1", "a1"}, 1}, {{"a2", "a3"}, 1}}), paralogs);
}

TEST(ScoreFilters, IdentifierWithoutSpeciesStops) {
  StrPair2Dbl scores{{{"a1", "zz"}, 1}};
  StrPair2Int paralogs;
  const Str2Str id2sp{{"a1", "a"}, {"b1", "b"}};
  try {
    removeNonParalogWithinSpeciesScores(scores, paralogs, {"a1"}, {"a", "b"}, id2sp);
    ADD_FAILURE();
  } catch (const RunError& e) {
    EXPECT_STREQ("identifier 'zz' of the scores has no species", e.what());
  }
  testing::internal::CaptureStderr();
  EXPECT_THROW(removeLowEntries(scores, {"a1"}, {"a", "b"}, id2sp, 0.5), RunError);
  testing::internal::GetCapturedStderr();
}

class RemoveLowEntries : public testing::Test {
 protected:
  // Within a-b: a1's best is 100, b1's 100, b2's 40, b3's 50. Within a-c: a1's best is 10.
  StrPair2Dbl scores{{{"a1", "b1"}, 100}, {{"a1", "b2"}, 40}, {{"a1", "b3"}, 50},
                     {{"a2", "b1"}, -1},  {{"a1", "c1"}, 10}, {{"a1", "a2"}, -5}};
  const VecStr idList{"a1", "a2", "b1", "b2", "b3", "c1"};
  const Str2Str id2sp{{"a1", "a"}, {"a2", "a"}, {"b1", "b"}, {"b2", "b"}, {"b3", "b"}, {"c1", "c"}};

  std::string run(const VecStr& spList, double threshold) {
    std::cerr.precision(4);
    testing::internal::CaptureStderr();
    removeLowEntries(scores, idList, spList, id2sp, threshold);
    return testing::internal::GetCapturedStderr();
  }
  void expectErased(std::initializer_list<StrPair> erased) {
    StrPair2Dbl expected{{{"a1", "b1"}, 100}, {{"a1", "b2"}, 40}, {{"a1", "b3"}, 50},
                         {{"a2", "b1"}, -1},  {{"a1", "c1"}, 10}, {{"a1", "a2"}, -5}};
    for (const auto& k : erased) expected.erase(k);
    EXPECT_EQ(expected, scores);
  }
};

TEST_F(RemoveLowEntries, HalfThresholdErasesBelowHalfTheBest) {
  const std::string pairLines = "Flag: 901\nFlag: 902\nFlag: 903\n";
  EXPECT_EQ("in removeLowEntries, threshold: 0.5\n" + pairLines + pairLines + pairLines +
                "Removed 2 low entries\n",
            run({"a", "b", "c"}, 0.5));
  expectErased({{"a1", "b2"}, {"a2", "b1"}});  // 50 stays: not strictly below
}

TEST_F(RemoveLowEntries, ZeroThresholdErasesOnlyNegativeScores) {
  run({"a", "b", "c"}, 0);
  expectErased({{"a2", "b1"}});
}

TEST_F(RemoveLowEntries, UnitThresholdKeepsOnlyBestOfBothProteins) {
  run({"a", "b", "c"}, 1);
  expectErased({{"a1", "b2"}, {"a1", "b3"}, {"a2", "b1"}});
}

TEST_F(RemoveLowEntries, OneSpeciesOrTheSameSpeciesTwiceErasesNothing) {
  EXPECT_EQ("in removeLowEntries, threshold: 1\nRemoved 0 low entries\n", run({"a"}, 1));
  run({"a", "a"}, 1);
  expectErased({});
}

TEST(SubsetDataBySetOfIds, KeepsEntriesWithBothIdentifiersInSet) {
  StrPair2Dbl scores{{{"a", "b"}, 1}, {{"a", "c"}, 2}, {{"b", "b"}, 3}};
  subsetDataBySetOfIds(scores, {{"a", 0}, {"b", 7}});
  EXPECT_EQ((StrPair2Dbl{{{"a", "b"}, 1}, {{"b", "b"}, 3}}), scores);
  subsetDataBySetOfIds(scores, {});
  EXPECT_TRUE(scores.empty());
}

}  // namespace
