// Cluster assignment: the walk over the sorted stars of each centre species,
// the weight cut between neighbours, the cluster file, and reading the star
// cache files back with readstar.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <random>

#include "base/error.h"
#include "base/match_table.h"
#include "cluster/kpartite.h"
#include "test_util.h"

namespace {

struct TempDir {
  std::string path = testutil::makeTempDir();
  ~TempDir() { std::filesystem::remove_all(path); }
};

struct Result {
  std::string out, err, clusters;
};

// Proteins by species and match scores; runs the clustering step with the
// given folder as working directory.
struct World {
  Str2Str id2sp;
  VecStr spList;
  StrPair2Dbl scores;
  // Run the table form of the step, from the same scores keyed (protein of the
  // earlier species, protein of the later one) as a compute run keys them.
  bool viaTable = false;

  void species(const std::string& sp, std::initializer_list<const char*> ids) {
    spList.push_back(sp);
    for (auto id : ids) id2sp[id] = sp;
  }
  void score(const std::string& a, const std::string& b, double s) { scores[{a, b}] = s; }

  Result run(const std::string& dir, bool readstar = false,
             const std::string& clusterFile = "clusters.txt") const {
    VecStr sorted = spList;
    std::sort(sorted.begin(), sorted.end());
    VecStr idList;
    Str2Int id2idx;
    for (const auto& e : id2sp) {
      id2idx[e.first] = (int)idList.size();
      idList.push_back(e.first);
    }
    char here[4096];
    if (!getcwd(here, sizeof here) || chdir(dir.c_str()) != 0) throw std::runtime_error("chdir");
    Result r;
    std::cerr.precision(4);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    try {
      if (viaTable) {
        const ProteinIndex proteins = makeProteinIndex((int)idList.size(), id2idx, id2sp);
        MatchScoreTable table(proteins, MatchScoreTable::RowSpeciesFirst);
        const int S = proteins.speciesCount();
        for (int a = 0; a < S; ++a)
          for (int b = a + 1; b < S; ++b) {
            const VecInt& rows = proteins.proteinsOf[a];
            const VecInt& cols = proteins.proteinsOf[b];
            std::vector<double> values(rows.size() * cols.size(), 0.0);
            long n = 0;
            for (size_t i = 0; i < rows.size(); ++i)
              for (size_t j = 0; j < cols.size(); ++j) {
                auto it = scores.find({idList[rows[i]], idList[cols[j]]});
                if (it != scores.end()) values[i * cols.size() + j] = it->second, ++n;
              }
            table.putDense(a, b, std::move(values), n);
          }
        doKpartiteMatchingStartWithStar_nore(table, idList, id2idx, id2sp, sorted, readstar,
                                             clusterFile);
      } else {
        doKpartiteMatchingStartWithStar_nore(scores, idList, id2idx, id2sp, sorted, readstar,
                                             clusterFile);
      }
    } catch (...) {
      testing::internal::GetCapturedStderr();
      testing::internal::GetCapturedStdout();
      if (chdir(here) != 0) throw std::runtime_error("chdir back");
      throw;
    }
    r.err = testing::internal::GetCapturedStderr();
    r.out = testing::internal::GetCapturedStdout();
    if (chdir(here) != 0) throw std::runtime_error("chdir back");
    r.clusters = testutil::readFile(dir + "/" + clusterFile);
    return r;
  }
};

int count(const std::string& text, const std::string& what) {
  int c = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++c;
  return c;
}

// Centre species A (four proteins) whose stars each have one partner in B,
// with the given weights.
World chain(const std::vector<double>& weights) {
  World w;
  w.species("A", {"a1", "a2", "a3", "a4"});
  w.species("B", {"b1", "b2", "b3", "b4"});
  for (size_t k = 0; k < weights.size(); ++k)
    w.score("a" + std::to_string(k + 1), "b" + std::to_string(k + 1), weights[k]);
  return w;
}

}  // namespace

TEST(ClusterAssignment, TwoSpeciesWriteOneCluster) {
  World w;
  w.species("A", {"a1", "a2"});
  w.species("B", {"b1"});
  w.score("a1", "b1", 0.5);
  w.score("b1", "a2", 0.3);
  TempDir tmp;
  Result r = w.run(tmp.path);
  EXPECT_EQ("b1 a1 \n", r.clusters);
  EXPECT_EQ("b1 a1 \n", r.out);
  EXPECT_EQ(
      "Protein list for species generated\n"
      "spList_order=>>spName: A\n"
      "spList2_order=>>spName: A\tNode number: 2\n"
      "spList_order=>>spName: B\n"
      "spList2_order=>>spName: B\tNode number: 1\n"
      "A as center...\n"
      "The star file,stars_A.txt is not exist!!\n"
      "Export new star file: stars_A.txt\n"
      "Prepare to load the 1 star.\n"
      "Prepare to load the 2 star.\n"
      "Sorting stars...\n"
      "Stars sorted. There are 2 stars.\n"
      "The biggest weight is 0.5. The middle weight is 0.3\n"
      "Transfering reverse_candidates to reverse_candidates2\n"
      "Begin this_star_is_ok\n"
      "There's only one branch\n"
      "This many-to-many result star has 2 proteins\n"
      "The 1th star exported\n"
      "Begin this_star_is_ok\n"
      "There's only one branch\n"
      "This is an isolated first species(human) protein which should not occur\n"
      "B as center...\n"
      "The star file,stars_B.txt is not exist!!\n"
      "Export new star file: stars_B.txt\n"
      "Prepare to load the 1 star.\n"
      "Sorting stars...\n"
      "Stars sorted. There are 1 stars.\n"
      "The biggest weight is 0.5. The middle weight is 0.5\n"
      "Transfering reverse_candidates to reverse_candidates2\n",
      r.err);
  EXPECT_EQ("10 10 0 \na1 0.5\nb1          \na2 0.3\nb1          \n",
            testutil::readFile(tmp.path + "/stars_A.txt"));
  EXPECT_EQ("0 1 0 \nb1 0.5\na1 a2         \n", testutil::readFile(tmp.path + "/stars_B.txt"));
}

TEST(ClusterAssignment, WalkEndsWhereAStarWeighsLessThanATenthOfThePrecedingOne) {
  TempDir t1;
  Result r = chain({1.0, 0.5, 0.04, 0.03}).run(t1.path);
  // 0.5 * 0.1 = 0.05 > 0.04: the third star ends the walk; the fourth is not
  // refined although it weighs more than a tenth of the third.
  EXPECT_EQ("b1 a1 \nb2 a2 \n", r.clusters);
  EXPECT_EQ(2, count(r.err, "Begin this_star_is_ok"));
  EXPECT_EQ(2, count(r.err, "th star exported"));

  TempDir t2;
  r = chain({1.0, 0.2, 0.04, 0.008}).run(t2.path);
  // Each star weighs more than a tenth of the one before: all four are refined.
  EXPECT_EQ("b1 a1 \nb2 a2 \nb3 a3 \nb4 a4 \n", r.clusters);
  EXPECT_EQ(r.clusters, r.out);
  EXPECT_NE(std::string::npos, r.err.find("The 4th star exported\n"));
}

TEST(ClusterAssignment, SkippedStarStillCountsAsThePrecedingOne) {
  World w;
  w.species("A", {"a1", "a2", "a3"});
  w.species("B", {"b1", "b2"});
  w.score("a1", "b1", 1.0);
  w.score("a2", "b2", 0.05);
  TempDir tmp;
  Result r = w.run(tmp.path);
  // In the pass of B, b1 (weight 1) is clustered and skipped, yet b2 (0.05)
  // is compared with it and ends the walk.
  EXPECT_EQ("b1 a1 \n", r.clusters);
  EXPECT_EQ(1, count(r.err, "Begin this_star_is_ok"));
}

TEST(ClusterAssignment, StarWithoutMembersDoesNotAdvanceTheCount) {
  World w;
  w.species("A", {"a1", "a2", "a3"});
  w.species("B", {"b1", "b2"});
  w.score("a1", "b1", 0.5);
  w.score("a2", "b1", 0.4);  // b1 taken by a1's cluster: nothing
  w.score("a3", "b2", 0.3);
  TempDir tmp;
  Result r = w.run(tmp.path);
  EXPECT_EQ("b1 a1 \nb2 a3 \n", r.clusters);
  EXPECT_NE(std::string::npos,
            r.err.find("This is an isolated first species(human) protein which should not occur\n"
                       "Begin this_star_is_ok\nThere's only one branch\n"
                       "This many-to-many result star has 2 proteins\nThe 2th star exported\n"));
  EXPECT_EQ(0, count(r.err, "The 3th star exported"));
}

TEST(ClusterAssignment, LargerSpeciesClustersFirst) {
  World w;
  w.species("A", {"a1", "a2", "a3"});
  w.species("B", {"b1", "b2", "b3", "b4", "b5"});
  w.score("a1", "b1", 0.9);
  w.score("a2", "b2", 0.7);
  w.score("a3", "b3", 0.8);
  TempDir tmp;
  // B is the centre species: the centre comes last on each one-branch line.
  EXPECT_EQ("a1 b1 \na3 b3 \na2 b2 \n", w.run(tmp.path).clusters);
}

TEST(ClusterAssignment, ManyToManyClusterThroughTheDriver) {
  World w;
  w.species("A", {"A1"});
  w.species("B", {"B1"});
  w.species("C", {"C1", "C2"});
  w.score("C1", "A1", 0.4);
  w.score("C1", "B1", 0.2);
  w.score("A1", "B1", 0.1);
  TempDir tmp;
  Result r = w.run(tmp.path);
  EXPECT_EQ("C1 A1 B1 \n", r.clusters);
  EXPECT_EQ(0u, r.out.find("vertex_weight[10]: 0.5825\n"));
  EXPECT_EQ(r.out.size() - 10, r.out.rfind("C1 A1 B1 \n"));
}

TEST(ClusterAssignment, ClusterFileIsReplacedEvenWhenNoClusterForms) {
  World w;
  w.species("A", {"a1"});
  w.species("B", {"b1"});
  TempDir tmp;
  testutil::writeFile(tmp.path + "/clusters.txt", "old line\n");
  Result r = w.run(tmp.path);
  EXPECT_EQ("", r.clusters);
  EXPECT_EQ("", r.out);
}

TEST(ClusterAssignment, UnwritableClusterFileStopsBeforeAnyStar) {
  World w;
  w.species("A", {"a1"});
  w.species("B", {"b1"});
  w.score("a1", "b1", 0.5);
  TempDir tmp;
  try {
    w.run(tmp.path, false, "no/such/folder/out.txt");
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_EQ("Error opening file: no/such/folder/out.txt\n", e.text());
  }
  EXPECT_FALSE(testutil::fileExists(tmp.path + "/stars_A.txt"));
}

TEST(ClusterAssignment, CachedStarsGiveTheSameClusters) {
  World w;
  w.species("A", {"a1", "a2", "a3"});
  w.species("B", {"b1", "b2"});
  w.species("C", {"c1", "c2"});
  w.score("a1", "b1", 0.6);
  w.score("a1", "c1", 0.5);
  w.score("b1", "c1", 0.4);
  w.score("a2", "b2", 0.3);
  w.score("a3", "c2", 0.2);
  w.score("a2", "c2", 0.1);
  TempDir tmp;
  const Result first = w.run(tmp.path);
  ASSERT_FALSE(first.clusters.empty());
  const std::string starsA = testutil::readFile(tmp.path + "/stars_A.txt");

  // Every cache file present: nothing is built, the clusters are the same.
  Result again = w.run(tmp.path, true);
  EXPECT_EQ(first.clusters, again.clusters);
  EXPECT_EQ(first.out, again.out);
  EXPECT_EQ(0, count(again.err, "Prepare to load the "));
  EXPECT_EQ(0, count(again.err, "is not exist!!"));
  EXPECT_NE(std::string::npos,
            again.err.find("A as center...\nLoading cached stars (sorted) from stars_A.txt\n"
                           "Loading ranks\nLoading the 1th star.\nLoading the 2th star.\n"
                           "Loading the 3th star.\nTransfering reverse_candidates to reverse_candidates2\n"));
  EXPECT_EQ(starsA, testutil::readFile(tmp.path + "/stars_A.txt"));

  // One file missing: that species is built and its file written again.
  std::filesystem::remove(tmp.path + "/stars_B.txt");
  again = w.run(tmp.path, true);
  EXPECT_EQ(first.clusters, again.clusters);
  EXPECT_EQ(2, count(again.err, "Loading cached stars (sorted) from "));
  EXPECT_NE(std::string::npos,
            again.err.find("B as center...\nThe star file,stars_B.txt is not exist!!\n"
                           "Export new star file: stars_B.txt\nPrepare to load the 1 star.\n"));
  EXPECT_TRUE(testutil::fileExists(tmp.path + "/stars_B.txt"));

  // Without readstar an existing file is rebuilt and overwritten all the same.
  testutil::writeFile(tmp.path + "/stars_A.txt", "garbage\n");
  again = w.run(tmp.path, false);
  EXPECT_EQ(first.err, again.err);
  EXPECT_EQ(starsA, testutil::readFile(tmp.path + "/stars_A.txt"));
}

// Random four-species worlds with ties, dense and sparse pairs: the step over
// the table must print and write exactly what the step over the map does.
TEST(ClusterAssignment, TableFormMatchesMapFormByteForByte) {
  std::mt19937 rng(2024);
  int clusterLines = 0, walkLines = 0;
  for (int world = 0; world < 40; ++world) {
    SCOPED_TRACE(world);
    World w;
    const char* names[] = {"D", "B", "C", "A"};
    std::vector<std::vector<std::string>> ids(4);
    for (int s = 0; s < 4; ++s) {
      const int n = 2 + rng() % 9;
      w.spList.push_back(names[s]);
      for (int k = 0; k < n; ++k) {
        // Identifiers interleave across species in sorted order.
        ids[s].push_back("x" + std::to_string(rng() % 50) + names[s] + std::to_string(k));
        w.id2sp[ids[s].back()] = names[s];
      }
    }
    const double fill = (world % 3 == 0) ? 0.1 : 0.7;
    for (int a = 0; a < 4; ++a)
      for (int b = 0; b < 4; ++b) {
        if (std::string(names[a]) >= names[b]) continue;
        for (const auto& x : ids[a])
          for (const auto& y : ids[b])
            if (std::uniform_real_distribution<double>(0, 1)(rng) < fill)
              w.score(x, y, (rng() % 4 == 0) ? 0.5 : 0.01 * (1 + rng() % 40));
      }
    TempDir d1, d2;
    const Result viaMap = w.run(d1.path);
    w.viaTable = true;
    const Result viaTable = w.run(d2.path);
    EXPECT_EQ(viaMap.out, viaTable.out);
    EXPECT_EQ(viaMap.err, viaTable.err);
    EXPECT_EQ(viaMap.clusters, viaTable.clusters);
    clusterLines += count(viaMap.clusters, "\n");
    walkLines += count(viaMap.out, "pop!!!!");
    for (const char* sp : names) {
      const std::string f = std::string("/stars_") + sp + ".txt";
      EXPECT_EQ(testutil::readFile(d1.path + f), testutil::readFile(d2.path + f)) << f;
    }
  }
  // The worlds do reach the refinement walk and form clusters.
  EXPECT_GT(clusterLines, 100);
  EXPECT_GT(walkLines, 100);
}

TEST(ClusterAssignment, CacheFromOtherDataIsRefused) {
  World w;
  w.species("A", {"a1"});
  w.species("B", {"b1"});
  w.score("a1", "b1", 0.5);
  TempDir tmp;
  // Written for three proteins; this run has two.
  testutil::writeFile(tmp.path + "/stars_A.txt", "10 0 0 \na1 0.5\nb1 \n");
  EXPECT_THROW(w.run(tmp.path, true), RunError);
  // A partner that is not a protein of this run.
  testutil::writeFile(tmp.path + "/stars_A.txt", "10 0 \na1 0.5\nx9 \n");
  EXPECT_THROW(w.run(tmp.path, true), RunError);
  testutil::writeFile(tmp.path + "/stars_A.txt", "");
  try {
    w.run(tmp.path, true);
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_EQ("The star file,stars_A.txt is empty~!!!\n", e.text());
  }
}
