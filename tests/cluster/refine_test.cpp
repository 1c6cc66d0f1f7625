// Star refinement (this_star_is_ok): the one-branch rules, the many-to-many
// walk, and the repair step try_candidates.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <set>
#include <sstream>

#include "cluster/kpartite.h"
#include "cluster/score_index.h"

namespace {

Star makeStar(const std::string& centre, const std::vector<VecStr>& rows) {
  Star s;
  s.center = centre;
  s.candidates = std::make_shared<CandidateTable>();
  for (VecStr r : rows) {
    r.resize(10);
    s.candidates->push_back(r);
  }
  return s;
}

struct Proteins {
  VecStr idList;
  Str2Int id2idx;
  explicit Proteins(VecStr ids) : idList(std::move(ids)) {
    std::sort(idList.begin(), idList.end());
    for (size_t i = 0; i < idList.size(); ++i) id2idx[idList[i]] = (int)i;
  }
  VecBool clustered(std::initializer_list<const char*> ids) const {
    VecBool v(idList.size(), false);
    for (auto id : ids) v[id2idx.at(id)] = true;
    return v;
  }
  VecInt ranks(std::initializer_list<std::pair<const char*, int>> given) const {
    VecInt v(idList.size(), 10);
    for (const auto& g : given) v[id2idx.at(g.first)] = g.second;
    return v;
  }
};

struct Refined {
  VecStr members;
  std::string out, err;
};

// Runs the refinement with scores looked up in the map and through the
// prebuilt index; both must behave identically.
Refined refine(Star star, const Proteins& p, const VecBool& clustered, const VecInt& ranks,
               const StrPair2Dbl& scores, int slotCount) {
  Refined byMap, byIndex;
  std::cerr.precision(4);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  byMap.members = this_star_is_ok(star, clustered, ranks, scores, p.id2idx, slotCount);
  byMap.err = testing::internal::GetCapturedStderr();
  byMap.out = testing::internal::GetCapturedStdout();

  const ScoreIndex index(scores, p.idList);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  byIndex.members = this_star_is_ok(static_cast<const Star&>(star), clustered, ranks, index,
                                    p.id2idx, slotCount);
  byIndex.err = testing::internal::GetCapturedStderr();
  byIndex.out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(byMap.members, byIndex.members);
  EXPECT_EQ(byMap.out, byIndex.out);
  EXPECT_EQ(byMap.err, byIndex.err);
  return byMap;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

}  // namespace

TEST(StarRefinement, ManyToManyWalkStartsAtTheCentre) {
  // C with partner A (row 0) and B (row 1): three edges, all degrees 2.
  Proteins p({"A", "B", "C"});
  StrPair2Dbl scores{{{"C", "A"}, 0.4}, {{"B", "C"}, 0.2}, {{"A", "B"}, 0.1}};
  Refined r = refine(makeStar("C", {{"A"}, {"B"}}), p, p.clustered({}),
                     p.ranks({{"A", 0}, {"B", 0}}), scores, 2);
  EXPECT_EQ((VecStr{"C", "A", "B"}), r.members);
  EXPECT_EQ(
      "Begin this_star_is_ok\n"
      "Starting Part 1 of many to many\n"
      "There are 3 edges\n"
      "There are 3 edges after erasing bad many-to-many\n"
      "This many-to-many result star has 3 proteins\n",
      r.err);
  // A starts at 0.5 and receives 0.6 / 4 * 0.55 from the centre; the centre
  // stays at the front for a second round (0.165 / 2 is above the threshold 0.03).
  const std::vector<std::string> out = lines(r.out);
  ASSERT_EQ(74u, out.size());
  EXPECT_EQ((std::vector<std::string>{"vertex_weight[10]: 0.5825", "vertex_weight[20]: 0.3825",
                                      "vertex_weight[10]: 0.605187", "vertex_weight[20]: 0.405188",
                                      "pop!!!!", "vertex_weight[0]: 0.128588"}),
            std::vector<std::string>(out.begin(), out.begin() + 6));
  EXPECT_EQ("pop!!!!", out.back());
}

TEST(StarRefinement, ManyToManyMembersFollowTheWalkNotTheRows) {
  Proteins p({"A", "B", "C"});
  StrPair2Dbl scores{{{"C", "A"}, 0.2}, {{"C", "B"}, 0.4}, {{"A", "B"}, 0.1}};
  Refined r = refine(makeStar("C", {{"A"}, {"B"}}), p, p.clustered({}),
                     p.ranks({{"A", 0}, {"B", 0}}), scores, 2);
  EXPECT_EQ((VecStr{"C", "B", "A"}), r.members);
  EXPECT_EQ(0u, r.out.find("vertex_weight[20]: "));
}

TEST(StarRefinement, ManyToManyUsesPartnersNotBelowTheirRank) {
  // A1 sits in column 1: usable with rank 1 or more, not with rank 0.
  Proteins p({"A0", "A1", "B0", "C"});
  StrPair2Dbl scores{{{"C", "A0"}, 0.4}, {{"C", "A1"}, 0.3}, {{"C", "B0"}, 0.4},
                     {{"A0", "B0"}, 0.3}, {{"A1", "B0"}, 0.3}};
  Star star = makeStar("C", {{"A0", "A1"}, {"B0"}});
  Refined r = refine(star, p, p.clustered({}), p.ranks({{"A0", 0}, {"A1", 5}, {"B0", 0}}), scores, 2);
  EXPECT_NE(std::string::npos, r.err.find("There are 5 edges\n"));
  EXPECT_EQ((std::set<std::string>{"A0", "A1", "B0", "C"}),
            std::set<std::string>(r.members.begin(), r.members.end()));
  EXPECT_EQ("C", r.members.at(0));

  r = refine(star, p, p.clustered({}), p.ranks({{"A0", 0}, {"A1", 0}, {"B0", 0}}), scores, 2);
  EXPECT_NE(std::string::npos, r.err.find("There are 3 edges\n"));
  EXPECT_EQ((std::set<std::string>{"A0", "B0", "C"}),
            std::set<std::string>(r.members.begin(), r.members.end()));

  // A clustered partner is not a vertex either.
  r = refine(star, p, p.clustered({"A0"}), p.ranks({{"A0", 0}, {"A1", 5}, {"B0", 0}}), scores, 2);
  EXPECT_NE(std::string::npos, r.err.find("There are 3 edges\n"));
  EXPECT_EQ(0u, std::count(r.members.begin(), r.members.end(), "A0"));
}

TEST(StarRefinement, BranchesAreCountedOnTheRowsAsBuilt) {
  // B is clustered, but the star still has two branches: the many-to-many
  // path gives the centre first (the one-branch path would put it last).
  Proteins p({"A", "B", "C"});
  StrPair2Dbl scores{{{"C", "A"}, 0.4}, {{"C", "B"}, 0.2}};
  Refined r = refine(makeStar("C", {{"A"}, {"B"}}), p, p.clustered({"B"}),
                     p.ranks({{"A", 0}, {"B", 0}}), scores, 2);
  EXPECT_EQ((VecStr{"C", "A"}), r.members);
  EXPECT_NE(std::string::npos, r.err.find("Starting Part 1 of many to many\nThere are 1 edges\n"));
}

TEST(StarRefinement, ManyToManyWithoutAPositiveEdgeGivesNothing) {
  Proteins p({"A", "B", "C"});
  // Every partner clustered: no edge at all.
  Refined r = refine(makeStar("C", {{"A"}, {"B"}}), p, p.clustered({"A", "B"}),
                     p.ranks({{"A", 0}, {"B", 0}}), StrPair2Dbl{{{"C", "A"}, 0.5}}, 2);
  EXPECT_TRUE(r.members.empty());
  EXPECT_EQ(
      "Begin this_star_is_ok\n"
      "Starting Part 1 of many to many\n"
      "There are 0 edges\n"
      "No edge or the score of the first edge is 0\n",
      r.err);
  EXPECT_EQ("", r.out);

  // Usable partners, but no score between any two vertices.
  r = refine(makeStar("C", {{"A"}, {"B"}}), p, p.clustered({}), p.ranks({{"A", 0}, {"B", 0}}),
             StrPair2Dbl{}, 2);
  EXPECT_TRUE(r.members.empty());
  EXPECT_NE(std::string::npos, r.err.find("There are 3 edges\nNo edge or the score of the first edge is 0\n"));
}

TEST(StarRefinement, OneBranchTakesPartnersInExactlyTheirRankColumn) {
  Proteins p({"C", "p0", "p1", "p2", "p3", "p4"});
  StrPair2Dbl scores;  // the one-branch path looks at no score
  // Row 1 of 3 is the only branch. p2 sits better elsewhere (rank 1 in column
  // 2); p4 has rank 5 in column 4 (worse than here, still refused).
  Star star = makeStar("C", {{}, {"p0", "p1", "p2", "p3", "p4"}, {}});
  Refined r = refine(star, p, p.clustered({}),
                     p.ranks({{"p0", 0}, {"p1", 1}, {"p2", 1}, {"p3", 3}, {"p4", 5}}), scores, 3);
  EXPECT_EQ((VecStr{"p0", "p1", "p3", "C"}), r.members);
  EXPECT_EQ(
      "Begin this_star_is_ok\n"
      "There's only one branch\n"
      "This many-to-many result star has 4 proteins\n",
      r.err);
  EXPECT_EQ("", r.out);

  // A column-1 partner whose best column is 0 elsewhere is left out.
  r = refine(makeStar("C", {{"p0", "p1"}}), p, p.clustered({}), p.ranks({{"p0", 0}, {"p1", 0}}),
             scores, 1);
  EXPECT_EQ((VecStr{"p0", "C"}), r.members);
}

TEST(StarRefinement, OneBranchNeedsItsFirstPartner) {
  Proteins p({"C", "p0", "p1"});
  const std::string isolated =
      "Begin this_star_is_ok\n"
      "There's only one branch\n"
      "This is an isolated first species(human) protein which should not occur\n";
  Star star = makeStar("C", {{"p0", "p1"}});
  // Column-0 partner clustered: nothing, although p1 would be usable.
  Refined r = refine(star, p, p.clustered({"p0"}), p.ranks({{"p0", 0}, {"p1", 1}}), {}, 1);
  EXPECT_TRUE(r.members.empty());
  EXPECT_EQ(isolated, r.err);
  // Column-0 partner that sits in column 0 of no star (rank 1): nothing either.
  r = refine(star, p, p.clustered({}), p.ranks({{"p0", 1}, {"p1", 1}}), {}, 1);
  EXPECT_TRUE(r.members.empty());
  EXPECT_EQ(isolated, r.err);
}

TEST(StarRefinement, StarWithoutPartnersGivesNothing) {
  Proteins p({"C"});
  Refined r = refine(makeStar("C", {{}, {}}), p, p.clustered({}), p.ranks({}), {}, 2);
  EXPECT_TRUE(r.members.empty());
  EXPECT_EQ("Begin this_star_is_ok\nThere's no branch at all in this star\n", r.err);
  r = refine(makeStar("C", {}), p, p.clustered({}), p.ranks({}), {}, 0);
  EXPECT_TRUE(r.members.empty());
  EXPECT_EQ("Begin this_star_is_ok\nThere's no branch at all in this star\n", r.err);
}

// ---------------------------------------------------------------------------

namespace {

VecStr padded(VecStr row) {
  row.resize(10);
  return row;
}

std::string tryCandidates(Star& star, const Proteins& p, const StrPair2Dbl& scores,
                          const VecBool& clustered, const VecInt& ranks) {
  testing::internal::CaptureStderr();
  try_candidates(star, scores, clustered, ranks, p.id2idx, 0, 1);
  return testing::internal::GetCapturedStderr();
}

}  // namespace

TEST(StarRefinement, TryCandidatesMovesUpTheFirstFreePartnerLinkedToTheOtherRow) {
  Proteins p({"a0", "a1", "a2", "a3", "b0", "b1", "c"});
  StrPair2Dbl scores{{{"c", "a1"}, 0.25}, {{"c", "b0"}, 0.75}, {{"a1", "b0"}, 0.05},
                     {{"b0", "a2"}, 0.04}, {{"a3", "b0"}, 0.9}};
  // a1: 0.05 is not above (0.25 + 0.75) * 0.1 / 2 = 0.05; a2: 0.04 > 0.0375.
  Star star = makeStar("c", {{"a0", "a1", "a2", "a3"}, {"b0", "b1"}});
  Star copy = star;
  EXPECT_EQ("Trying candidates...\n", tryCandidates(star, p, scores, p.clustered({}), p.ranks({})));
  EXPECT_EQ(padded({"a2", "a3"}), (*star.candidates)[0]);
  EXPECT_EQ(padded({"b0", "b1"}), (*star.candidates)[1]);
  EXPECT_EQ(padded({"a2", "a3"}), (*copy.candidates)[0]);  // the table is shared

  // a2 clustered, or sitting better elsewhere (rank 1 < column 2): a3 is taken.
  for (int variant = 0; variant < 2; ++variant) {
    Star s = makeStar("c", {{"a0", "a1", "a2", "a3"}, {"b0", "b1"}});
    tryCandidates(s, p, scores, variant == 0 ? p.clustered({"a2"}) : p.clustered({}),
                  variant == 0 ? p.ranks({}) : p.ranks({{"a2", 1}}));
    EXPECT_EQ(padded({"a3"}), (*s.candidates)[0]) << "variant " << variant;
  }
}

TEST(StarRefinement, TryCandidatesFallsBackToTheSecondRowThenClearsTheFirst) {
  Proteins p({"a0", "a1", "b0", "b1", "b2", "c"});
  // No partner of row A links to b0; b2 links to a0 strongly. b2 has rank 0,
  // which does not matter for row B.
  StrPair2Dbl scores{{{"c", "a0"}, 0.5}, {{"c", "b2"}, 0.5}, {{"a0", "b2"}, 0.2}};
  Star star = makeStar("c", {{"a0", "a1"}, {"b0", "b1", "b2"}});
  tryCandidates(star, p, scores, p.clustered({}), p.ranks({{"b2", 0}}));
  EXPECT_EQ(padded({"a0", "a1"}), (*star.candidates)[0]);
  EXPECT_EQ(padded({"b2"}), (*star.candidates)[1]);

  // b2 clustered: nothing fits, and row A is emptied.
  star = makeStar("c", {{"a0", "a1"}, {"b0", "b1", "b2"}});
  tryCandidates(star, p, scores, p.clustered({"b2"}), p.ranks({}));
  EXPECT_EQ(VecStr(10), (*star.candidates)[0]);
  EXPECT_EQ(padded({"b0", "b1", "b2"}), (*star.candidates)[1]);
}
