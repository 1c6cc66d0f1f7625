// Star construction: partner rows, the gap rule, ties, the 10-partner limit,
// star weights, ranks, the order of centre species, and the degenerate
// species lists. Observed through the star cache files and standard error of
// the clustering step.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "cluster/kpartite.h"
#include "test_util.h"

namespace {

// Proteins by species and match scores; runs the clustering step in a scratch folder.
struct World {
  Str2Str id2sp;
  VecStr spList;
  StrPair2Dbl scores;

  void species(const std::string& sp, std::initializer_list<const char*> ids) {
    spList.push_back(sp);
    for (auto id : ids) id2sp[id] = sp;
  }
  void score(const std::string& a, const std::string& b, double s) { scores[{a, b}] = s; }

  struct Result {
    std::string out, err, clusters;
    std::map<std::string, std::string> starFiles;  // species -> content
  };

  Result run() const {
    VecStr sorted = spList;
    std::sort(sorted.begin(), sorted.end());
    VecStr idList;
    Str2Int id2idx;
    for (const auto& e : id2sp) {
      id2idx[e.first] = (int)idList.size();
      idList.push_back(e.first);
    }
    const std::string dir = testutil::makeTempDir();
    char here[4096];
    if (!getcwd(here, sizeof here)) throw std::runtime_error("getcwd");
    if (chdir(dir.c_str()) != 0) throw std::runtime_error("chdir");
    Result r;
    std::cerr.precision(4);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    try {
      doKpartiteMatchingStartWithStar_nore(scores, idList, id2idx, id2sp, sorted, false, "clusters.txt");
    } catch (...) {
      testing::internal::GetCapturedStderr();
      testing::internal::GetCapturedStdout();
      if (chdir(here) != 0) throw std::runtime_error("chdir back");
      throw;
    }
    r.err = testing::internal::GetCapturedStderr();
    r.out = testing::internal::GetCapturedStdout();
    r.clusters = testutil::readFile(dir + "/clusters.txt");
    for (const auto& sp : sorted)
      if (testutil::fileExists(dir + "/stars_" + sp + ".txt"))
        r.starFiles[sp] = testutil::readFile(dir + "/stars_" + sp + ".txt");
    if (chdir(here) != 0) throw std::runtime_error("chdir back");
    std::filesystem::remove_all(dir);
    return r;
  }
};

// A row line of a star file: each of the 10 columns followed by one blank.
std::string row(std::initializer_list<const char*> ids) {
  std::string line;
  for (auto id : ids) line += std::string(id) + " ";
  line += std::string(10 - ids.size(), ' ');
  return line + "\n";
}

int count(const std::string& text, const std::string& what) {
  int c = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++c;
  return c;
}

}  // namespace

TEST(StarBuilding, GapRuleCutsARowWhereAScoreFallsBelowATenthOfThePreviousOne) {
  // C (three proteins) is the first centre species; a1's star has row 0 for B
  // and row 1 for C.
  World w;
  w.species("A", {"a1"});
  w.species("B", {"b1"});
  w.species("C", {"c1", "c2", "c3"});
  w.score("a1", "b1", 0.7);
  w.score("a1", "c1", 0.9);
  w.score("c2", "a1", 0.5);
  w.score("a1", "c3", 0.04);  // 0.5 * 0.1 = 0.05 > 0.04
  World::Result r = w.run();
  // Ranks (a1 b1 c1 c2 c3): a1 was placed by the stars of C, built first.
  EXPECT_EQ("0 0 0 1 10 \n"
            "a1 0.8\n" + row({"b1"}) + row({"c1", "c2"}),
            r.starFiles["A"]);
  EXPECT_EQ(1, count(r.err, "Candidate gap threshold met"));
  EXPECT_NE(std::string::npos,
            r.err.find("Prepare to load the 1 star.\nCandidate gap threshold met at candidate 2 sp:1\n"
                       "Sorting stars...\n"));

  // 0.05 is not below a tenth of 0.5: the third partner stays.
  w.score("a1", "c3", 0.05);
  r = w.run();
  EXPECT_EQ("0 0 0 1 2 \n"
            "a1 0.8\n" + row({"b1"}) + row({"c1", "c2", "c3"}),
            r.starFiles["A"]);
  EXPECT_EQ(0, count(r.err, "Candidate gap threshold met"));
}

TEST(StarBuilding, GapRuleAppliesFromTheSecondPartnerOn) {
  World w;
  w.species("A", {"a1", "a2"});
  w.species("B", {"b1", "b2"});
  w.score("a1", "b1", 1.0);
  w.score("a1", "b2", 0.09);
  World::Result r = w.run();
  EXPECT_EQ("10 10 0 10 \n"
            "a1 1\n" + row({"b1"}) +
            "a2 0\n" + row({}),
            r.starFiles["A"]);
  EXPECT_NE(std::string::npos, r.err.find("Candidate gap threshold met at candidate 1 sp:0\n"));
}

TEST(StarBuilding, EqualScoresTakeColumnsInIdentifierOrderAndTenPartnersAtMost) {
  World w;
  w.species("A", {"a1", "a2"});
  w.species("B", {"b01", "b02", "b03", "b04", "b05", "b06", "b07", "b08", "b09", "b10", "b11", "b12"});
  // Equal scores, stored under either key order.
  w.species("C", {"c1", "c2", "c3", "c4"});
  w.score("c4", "a1", 0.5);
  w.score("a1", "c2", 0.5);
  w.score("c3", "a1", 0.75);
  w.score("a1", "c1", 0.25);
  // Twelve partners scoring 1 to 12, in the reverse of identifier order.
  for (int k = 1; k <= 12; ++k) {
    char id[8];
    std::snprintf(id, sizeof id, "b%02d", 13 - k);
    w.score("a1", id, 13 - k);
  }
  World::Result r = w.run();
  const std::string& file = r.starFiles["A"];
  const std::string a1 = "a1 6.375\n" +
                         row({"b12", "b11", "b10", "b09", "b08", "b07", "b06", "b05", "b04", "b03"}) +
                         row({"c3", "c2", "c4", "c1"});
  EXPECT_NE(std::string::npos, file.find(a1)) << file;
  // b01 and b02 were never placed in any star of A.
  EXPECT_EQ(0u, file.find("0 10 10 10 9 8 7 6 5 4 3 2 1 0 3 1 0 2 \n")) << file;
  EXPECT_EQ(0, count(r.err, "Candidate gap threshold met"));
}

TEST(StarBuilding, WeightIsTheMeanOfTheBestScoresOverAllOtherSpecies) {
  World w;
  w.species("A", {"a1", "a2", "a3"});
  w.species("B", {"b1", "b2"});
  w.species("C", {"c1"});
  w.score("a1", "b1", 0.8);  // nothing in C: (0.8 + 0) / 2
  w.score("a2", "b2", 0.2);
  w.score("a2", "c1", 0.4);
  w.score("a3", "b1", 0.1);
  World::Result r = w.run();
  EXPECT_EQ("10 10 10 0 0 0 \n"
            "a1 0.4\n" + row({"b1"}) + row({}) +
            "a2 0.3\n" + row({"b2"}) + row({"c1"}) +
            "a3 0.05\n" + row({"b1"}) + row({}),
            r.starFiles["A"]);
  EXPECT_NE(std::string::npos,
            r.err.find("Sorting stars...\nStars sorted. There are 3 stars.\n"
                       "The biggest weight is 0.4. The middle weight is 0.3\n"));
}

TEST(StarBuilding, RanksKeepTheBestColumnOverAllStarsBuiltSoFar) {
  // A and B both have five proteins: A is the first centre species.
  World w;
  w.species("A", {"a1", "a2", "a3", "a4", "a5"});
  w.species("B", {"b1", "b2", "b3", "b4", "b5"});
  w.score("a1", "b1", 0.9);
  w.score("a1", "b2", 0.8);
  w.score("a1", "b3", 0.7);
  w.score("a1", "b4", 0.6);  // column 3 in the star of a1
  w.score("a2", "b3", 0.9);
  w.score("a2", "b4", 0.8);  // column 1 in the star of a2
  World::Result r = w.run();
  // b5 is never placed and keeps 10.
  EXPECT_EQ(0u, r.starFiles["A"].find("10 10 10 10 10 0 1 0 1 10 \n"));
  // Ranks carry over into the pass of B: a1 is placed in column 1 by the
  // stars of b3 and b4 but in column 0 by b1's.
  EXPECT_EQ(0u, r.starFiles["B"].find("0 0 10 10 10 0 1 0 1 10 \n"));
  EXPECT_NE(std::string::npos, r.starFiles["B"].find("b3 0.9\n" + row({"a2", "a1"})));
}

TEST(StarBuilding, SpeciesOfEqualSizeServeAsCentresInListOrder) {
  World w;
  w.species("x", {"x1"});
  w.species("y", {"y1", "y2"});
  w.species("z", {"z1", "z2"});
  World::Result r = w.run();
  EXPECT_EQ(0u, r.err.find("Protein list for species generated\n"
                           "spList_order=>>spName: x\n"
                           "spList2_order=>>spName: y\tNode number: 2\n"
                           "spList_order=>>spName: y\n"
                           "spList2_order=>>spName: z\tNode number: 2\n"
                           "spList_order=>>spName: z\n"
                           "spList2_order=>>spName: x\tNode number: 1\n"
                           "y as center...\n"))
      << r.err;
  const size_t y = r.err.find("y as center..."), z = r.err.find("z as center..."),
               x = r.err.find("x as center...");
  EXPECT_LT(y, z);
  EXPECT_LT(z, x);
}

TEST(StarBuilding, CentreSpeciesWithoutProteinsHasNoStars) {
  World w;
  w.species("A", {"a1"});
  w.species("B", {"b1"});
  w.spList.push_back("E");  // listed, but no protein
  w.score("a1", "b1", 0.5);
  World::Result r = w.run();
  EXPECT_NE(std::string::npos,
            r.err.find("E as center...\n"
                       "The star file,stars_E.txt is not exist!!\n"
                       "Export new star file: stars_E.txt\n"
                       "Sorting stars...\n"
                       "Stars sorted. There are 0 stars.\n"
                       "Transfering reverse_candidates to reverse_candidates2\n"))
      << r.err;
  EXPECT_EQ(2, count(r.err, "The biggest weight is"));
  EXPECT_EQ("0 0 \n", r.starFiles["E"]);
  // The stars of A and B have a row for E, always empty.
  EXPECT_EQ("10 0 \na1 0.25\n" + row({"b1"}) + row({}), r.starFiles["A"]);
  EXPECT_EQ("b1 a1 \n", r.clusters);
}

TEST(StarBuilding, OneSpeciesGivesStarsWithoutRowsAndNoCluster) {
  World w;
  w.species("A", {"a1", "a2"});
  World::Result r = w.run();
  EXPECT_EQ("10 10 \na1 0\na2 0\n", r.starFiles["A"]);
  EXPECT_EQ(2, count(r.err, "There's no branch at all in this star\n"));
  EXPECT_EQ(0, count(r.err, "th star exported"));
  EXPECT_EQ("", r.clusters);
  EXPECT_EQ("", r.out);
}
