#include <gtest/gtest.h>

#include "align/fill_in.h"

namespace {

// Species a (a1-a2 interact, a3 has no interaction) and b (b1-b2 interact).
// Largest scores: a1, a2 16; a3 2; b1 4; b2 2. Normalised: (a1,a2) 1,
// (a1,b1) 0.5, (a2,b1) 0.125, (a3,b2) 1.
struct Data {
  StrPair2Dbl intxns{{{"a1", "a2"}, 1}, {{"b1", "b2"}, 1}};
  StrPair2Dbl blast{{{"a1", "b1"}, 4}, {{"a2", "b1"}, 1}, {{"a3", "b2"}, 2}, {{"a1", "a2"}, 16}};
  VecStr idList{"a1", "a2", "a3", "b1", "b2"};
  Str2Str id2sp{{"a1", "a"}, {"a2", "a"}, {"a3", "a"}, {"b1", "b"}, {"b2", "b"}};
  Str2Int id2idx{{"a1", 0}, {"a2", 1}, {"a3", 2}, {"b1", 3}, {"b2", 4}};
  VecStr spList{"a", "b"};
};

std::string runL1norm(const Data& d, StrPair2Dbl& match, double alpha) {
  testing::internal::CaptureStderr();
  fillInMissingBlastScores_L1norm(match, alpha, d.intxns, d.blast, d.idList, d.id2sp, d.id2idx,
                                  d.spList);
  return testing::internal::GetCapturedStderr();
}

std::string runL1normA(const Data& d, StrPair2Dbl& match) {
  testing::internal::CaptureStderr();
  fillInMissingBlastScores_L1norm_A(match, 0.5, d.intxns, d.blast, d.idList, d.id2sp, d.id2idx,
                                    d.spList);
  return testing::internal::GetCapturedStderr();
}

TEST(FillInL1norm, ScalesByTotalBetweenInteractingProteins) {
  Data d;
  StrPair2Dbl match{{{"a1", "b1"}, 0.3}};
  // T = 0.5 + 0.125 (a3 does not interact), F = (1 - 0.5) / 0.625 = 0.8.
  EXPECT_EQ(
      "Flag: 501\nFlag: 502\nFlag: 503\nFlag: 5031\nFlag: 504\nfillBlast:0\nFlag: 505\n"
      "CHECK! this score shouldn't be here: a1 b1\nFlag: 506\n"
      "filling in blast scores for a b: 0.9\n",
      runL1norm(d, match, 0.5));
  ASSERT_EQ(3u, match.size());
  EXPECT_EQ(0.3, match[StrPair("a1", "b1")]);
  EXPECT_DOUBLE_EQ(0.1, match[StrPair("a2", "b1")]);
  EXPECT_DOUBLE_EQ(0.8, match[StrPair("a3", "b2")]);
}

TEST(FillInL1norm, AlphaOneAddsZeros) {
  Data d;
  StrPair2Dbl match;
  runL1norm(d, match, 1.0);
  EXPECT_EQ((StrPair2Dbl{{{"a1", "b1"}, 0}, {{"a2", "b1"}, 0}, {{"a3", "b2"}, 0}}), match);
}

TEST(FillInL1norm, ZeroTotalAddsNothingWithWarning) {
  Data d;
  d.blast = {{{"a3", "b2"}, 2}};  // a3 does not interact, so T = 0
  StrPair2Dbl match;
  const std::string err = runL1norm(d, match, 0.5);
  EXPECT_NE(std::string::npos,
            err.find("Flag: 505\nWarning: no sequence score between interacting proteins of a "
                     "and b; no score filled in for them\nFlag: 506\n"
                     "filling in blast scores for a b: 0\n"));
  EXPECT_TRUE(match.empty());
}

TEST(FillInL1norm, ProgressLineEveryMillionPairs) {
  // 2100 x 999 interacting proteins: pairs 0, 1000000 and 2000000 are reported.
  Data d;
  d.intxns.clear();
  d.blast.clear();
  d.idList.clear();
  d.id2sp.clear();
  d.id2idx.clear();
  auto chain = [&](const std::string& sp, int n) {
    for (int i = 0; i < n; ++i) {
      const std::string id = sp + std::to_string(100000 + i);
      d.id2sp[id] = sp;
      d.id2idx[id] = (int)d.idList.size();
      d.idList.push_back(id);
      if (i > 0) d.intxns[{sp + std::to_string(100000 + i - 1), id}] = 1;
    }
  };
  chain("a", 2100);
  chain("b", 999);
  StrPair2Dbl match;
  const std::string err = runL1norm(d, match, 0.5);
  EXPECT_NE(std::string::npos,
            err.find("Flag: 504\nfillBlast:0\nfillBlast:1000000\nfillBlast:2000000\nFlag: 505\n"));
}

TEST(FillInL1normA, RescalesMatchScoresThenAddsMissingPairs) {
  Data d;
  // Only (a1,b1) is common: factor 0.5 / 0.25 = 2. (b2,a3) is not the key (a3,b2).
  StrPair2Dbl match{{{"a1", "b1"}, 0.25}, {{"a2", "b2"}, 0.5}, {{"b2", "a3"}, 1}};
  EXPECT_EQ(
      "Flag: 501\nFlag: 502\ntotal of common scores: blast: 0.5 match: 0.25\n"
      "Total Match Scores before filling in Blast: 3.5\nFlag: 506\n"
      "# of Blast scores added in : 2 total score now: 4.625\n",
      runL1normA(d, match));
  EXPECT_EQ((StrPair2Dbl{{{"a1", "b1"}, 0.5},
                         {{"a2", "b1"}, 0.125},
                         {{"a2", "b2"}, 1},
                         {{"a3", "b2"}, 1},
                         {{"b2", "a3"}, 2}}),
            match);
}

TEST(FillInL1normA, NoCommonKeyLeavesMatchScoresUnscaled) {
  Data d;
  StrPair2Dbl match{{{"b2", "a3"}, 1}};
  EXPECT_EQ(
      "Flag: 501\nFlag: 502\ntotal of common scores: blast: 0 match: 0\n"
      "Warning: the match scores on keys shared with the sequence scores sum to 0; match "
      "scores are not rescaled\n"
      "Total Match Scores before filling in Blast: 1\nFlag: 506\n"
      "# of Blast scores added in : 3 total score now: 2.625\n",
      runL1normA(d, match));
  EXPECT_EQ(1, match[StrPair("b2", "a3")]);
  EXPECT_EQ(4u, match.size());
}

}  // namespace
