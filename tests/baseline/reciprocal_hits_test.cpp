#include "baseline/reciprocal_hits.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

// Species 0: proteins 0-2; species 1: 3-5; species 2: 6-7.
const VecInt kSpecies = {0, 0, 0, 1, 1, 1, 2, 2};

SequenceHits hitsOf(const std::vector<PairRecord>& records) {
  return buildSequenceHits((int)kSpecies.size(), kSpecies, records);
}

TEST(ReciprocalHits, TiesCountZeroAndSameSpeciesDoNotAndPairsMergeByMembers) {
  // 0's best in species 1 are 3 and 4 (tied), and each prefers 0 over 1,
  // but a cluster takes one protein per species: 0-3 comes first by number
  // and 0-4 stays out. 1's best, 3, prefers 0. 4-6 (31) and then 2-6 (30)
  // make {2, 4, 6}; 5-7 stand alone; 1-7 scores 0 and 0-1 are one species:
  // neither is a hit.
  const SequenceHits h = hitsOf({{0, 1, 99}, {0, 3, 50}, {0, 4, 50}, {1, 3, 45}, {1, 4, 10}, {1, 5, 5},
                                 {1, 7, 0}, {2, 6, 30}, {4, 6, 31}, {5, 7, 2}});
  EXPECT_EQ(50, hitScore(h, 3, 0));
  EXPECT_EQ(0, hitScore(h, 0, 1));
  EXPECT_EQ(0, hitScore(h, 1, 7));
  EXPECT_EQ(1, hitRank(h, kSpecies, 0, 4));  // tied best
  EXPECT_EQ(2, hitRank(h, kSpecies, 1, 4));  // behind 3
  EXPECT_EQ(3, hitRank(h, kSpecies, 1, 5));
  EXPECT_EQ(0, hitRank(h, kSpecies, 1, 6));  // no hit

  const Baseline b = reciprocalBestHits(h, kSpecies, 3);
  const std::vector<std::pair<int, int>> pairs = {{0, 3}, {0, 4}, {2, 6}, {4, 6}, {5, 7}};
  EXPECT_EQ(pairs, b.pairs);
  ASSERT_EQ(3u, b.clusters.size());
  EXPECT_EQ((VecInt{0, 3}), b.clusters[0]);
  EXPECT_EQ((VecInt{2, 4, 6}), b.clusters[1]);
  EXPECT_EQ((VecInt{5, 7}), b.clusters[2]);
  EXPECT_EQ((VecInt{0, -1, 1, 0, 1, 2, 1, 2}), b.clusterOf);
}

// Counts of pairs against a plain listing of them, on random clusterings.
TEST(ReciprocalHits, PairCountsAgreeWithListingThePairs) {
  std::mt19937 rng(7);
  const int n = 60;
  VecInt species(n);
  for (int p = 0; p < n; ++p) species[p] = (int)(rng() % 4);
  auto randomClusters = [&](VecInt& clusterOf) {
    std::vector<VecInt> clusters(12);
    clusterOf.assign(n, -1);
    for (int p = 0; p < n; ++p)
      if (rng() % 5) {
        clusterOf[p] = (int)(rng() % 12);
        clusters[clusterOf[p]].push_back(p);
      }
    return clusters;
  };
  auto listPairs = [&](const std::vector<VecInt>& clusters) {
    std::set<std::pair<int, int>> out;
    for (const VecInt& c : clusters)
      for (int a : c)
        for (int b : c)
          if (a < b && species[a] != species[b]) out.emplace(a, b);
    return out;
  };
  for (int round = 0; round < 20; ++round) {
    VecInt runOf, baseOf;
    const std::vector<VecInt> run = randomClusters(runOf), base = randomClusters(baseOf);
    const auto runPairs = listPairs(run), basePairs = listPairs(base);
    long shared = 0;
    for (const auto& p : runPairs) shared += (long)basePairs.count(p);
    const PairCounts c = compareClusterings(run, base, baseOf, species);
    EXPECT_EQ((long)runPairs.size(), c.run);
    EXPECT_EQ((long)basePairs.size(), c.baseline);
    EXPECT_EQ(shared, c.shared);
    EXPECT_EQ(c.run - shared, c.added());
  }
}

}  // namespace
