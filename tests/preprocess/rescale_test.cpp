#include <gtest/gtest.h>

#include "base/error.h"
#include "preprocess/rescale.h"

namespace {

std::string captureRescale(StrPair2Dbl& scores, const StrPair2Int& paralogs, const VecStr& idList,
                           const VecStr& spList, const Str2Str& id2sp, bool useParalogs) {
  std::cerr.precision(4);
  testing::internal::CaptureStderr();
  rescaleScoresBySpDistance(scores, paralogs, idList, spList, id2sp, useParalogs);
  return testing::internal::GetCapturedStderr();
}

TEST(RescaleScoresBySpDistance, ThreeSpeciesBestHitMeans) {
  const VecStr idList{"a1", "a2", "b1", "b2", "c1", "c2"};
  const Str2Str id2sp{{"a1", "a"}, {"a2", "a"}, {"b1", "b"},
                      {"b2", "b"}, {"c1", "c"}, {"c2", "c"}};
  // Best hits: a-b 200, 200; a-c 150, 50 (mean 100); b-c 300, 300. (a1,c2) is no best hit.
  StrPair2Dbl scores{{{"a1", "b1"}, 200}, {{"a2", "b2"}, 200}, {{"a1", "c1"}, 150},
                     {{"a2", "c2"}, 50},  {{"a1", "c2"}, 40},  {{"b1", "c1"}, 300},
                     {{"b2", "c2"}, 300}, {{"a1", "a2"}, 7}};
  EXPECT_EQ(
      "(a,b)\n(a,c)\n(b,c)\n"
      "Scaling factor for a-a : 1\nScaling factor for a-b : 1\nScaling factor for a-c : 0.5\n"
      "Scaling factor for b-b : 1\nScaling factor for b-c : 1.5\nScaling factor for c-c : 1\n",
      captureRescale(scores, {}, idList, {"a", "b", "c"}, id2sp, false));
  EXPECT_EQ((StrPair2Dbl{{{"a1", "b1"}, 200}, {{"a2", "b2"}, 200}, {{"a1", "c1"}, 300},
                         {{"a2", "c2"}, 100}, {{"a1", "c2"}, 80},  {{"b1", "c1"}, 200},
                         {{"b2", "c2"}, 200}, {{"a1", "a2"}, 7}}),
            scores);
}

TEST(RescaleScoresBySpDistance, ZeroMeanLeavesScoresWithWarning) {
  const Str2Str id2sp{{"a1", "a"}, {"b1", "b"}};
  StrPair2Dbl scores{{{"a1", "b1"}, 0}, {{"a1", "a1"}, 3}};
  const StrPair2Dbl before = scores;
  EXPECT_EQ(
      "(a,b)\n"
      "Scaling factor for a-a : nan\nWarning: scaling factor for a-a is nan; its scores are left unchanged\n"
      "Scaling factor for a-b : nan\nWarning: scaling factor for a-b is nan; its scores are left unchanged\n"
      "Scaling factor for b-b : nan\nWarning: scaling factor for b-b is nan; its scores are left unchanged\n",
      captureRescale(scores, {}, {"a1", "b1"}, {"a", "b"}, id2sp, false));
  EXPECT_EQ(before, scores);
}

TEST(RescaleScoresBySpDistance, ParalogPairAcrossSpeciesStops) {
  const Str2Str id2sp{{"a1", "a"}, {"b1", "b"}};
  StrPair2Dbl scores{{{"a1", "b1"}, 5}};
  testing::internal::CaptureStderr();
  try {
    rescaleScoresBySpDistance(scores, {{{"a1", "b1"}, 1}}, {"a1", "b1"}, {"a", "b"}, id2sp, true);
    ADD_FAILURE();
  } catch (const RunError& e) {
    EXPECT_STREQ("paralog pair (a1, b1) joins two species", e.what());
  }
  testing::internal::GetCapturedStderr();
}

TEST(NormalizeBlastLikeScores, ParalogFilterThenRescaleWithParalogMeans) {
  const VecStr idList{"a1", "a2", "b1", "b2"};
  const Str2Str id2sp{{"a1", "a"}, {"a2", "a"}, {"b1", "b"}, {"b2", "b"}};
  // (b1,b2) falls to the paralog filter, so species b has no paralog mean.
  // mu = (100 + 100 + 150) / 3; a-b factor 100 / mu, a-a 150 / mu.
  StrPair2Dbl scores{{{"a1", "b1"}, 100}, {{"a2", "b2"}, 100}, {{"a1", "a2"}, 150},
                     {{"b1", "b2"}, 50}};
  std::cerr.precision(4);
  testing::internal::CaptureStderr();
  normalizeBlastLikeScores(scores, idList, {"a", "b"}, id2sp, true, true, false, 0.5);
  EXPECT_EQ(
      "Removed 1 within-species entries\n(a,b)\n"
      "Scaling factor for a-a : 1.286\nScaling factor for a-b : 0.8571\n"
      "Scaling factor for b-b : 0\nWarning: scaling factor for b-b is 0; its scores are left unchanged\n",
      testing::internal::GetCapturedStderr());
  ASSERT_EQ(3u, scores.size());
  for (const auto& e : scores) EXPECT_DOUBLE_EQ(350.0 / 3, e.second) << e.first.first;
}

TEST(NormalizeBlastLikeScores, AllSwitchesOffChangesNothing) {
  StrPair2Dbl scores{{{"a1", "b1"}, 100}, {{"a1", "a2"}, 1}};
  const StrPair2Dbl before = scores;
  testing::internal::CaptureStderr();
  normalizeBlastLikeScores(scores, {"a1", "a2", "b1"}, {"a", "b"},
                           {{"a1", "a"}, {"a2", "a"}, {"b1", "b"}}, false, false, false, 0.5);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_EQ(before, scores);
}

TEST(KeepOnlySomeSpeciesPairScalingFactors, KeepsTheTenListedOrderedPairs) {
  const VecStr kept{"hsapi", "dmela", "mmusc", "dmela", "hsapi", "scere", "mmusc", "scere",
                    "celeg", "scere"};
  StrPair2Dbl factors{{{"hsapi", "celeg"}, 5}, {{"hsapi", "hsapi"}, 5}, {{"dmela", "scere"}, 5}};
  for (size_t i = 0; i < kept.size(); i += 2) {
    factors[StrPair(kept[i], kept[i + 1])] = 5;
    factors[StrPair(kept[i + 1], kept[i])] = 5;
  }
  keepOnlySomeSpeciesPairScalingFactors(factors, 1);
  EXPECT_EQ(13u, factors.size());
  for (const auto& e : factors) {
    const bool isKept = e.first != StrPair("hsapi", "celeg") && e.first != StrPair("hsapi", "hsapi") &&
                        e.first != StrPair("dmela", "scere");
    EXPECT_EQ(isKept ? 5 : 1, e.second) << e.first.first << "-" << e.first.second;
  }
  EXPECT_EQ(1.0, getSpeciesDistance("hsapi", "scere"));
}

}  // namespace
