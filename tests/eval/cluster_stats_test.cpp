#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>

#include "eval/cluster_stats.h"
#include "test_util.h"

namespace {

using testutil::readFile;
using testutil::writeFile;

std::string writeCapturingStderr(const Str2Int& clusters, const std::string& file) {
  testing::internal::CaptureStderr();
  writeClusterData(clusters, file);
  return testing::internal::GetCapturedStderr();
}

TEST(WriteClusterData, LinesInIdentifierOrder) {
  const std::string file = testutil::makeTempDir() + "/c.txt";
  EXPECT_EQ("", writeCapturingStderr({{"b", 2}, {"a", 1}}, file));
  EXPECT_EQ("a 1\nb 2\n", readFile(file));
  writeCapturingStderr({{"a", 3}, {"b", -1}}, file);
  EXPECT_EQ("a 3\nb -1\n", readFile(file));
  EXPECT_EQ("Warning: cannot write cluster file /nonexistent-dir/c.txt\n",
            writeCapturingStderr({{"a", 1}}, "/nonexistent-dir/c.txt"));
}

TEST(WriteClusterData, NoClusteringLeavesEmptyFile) {
  const std::string file = testutil::makeTempDir() + "/c.txt";
  for (const Str2Int& clusters : {Str2Int{}, Str2Int{{"a", -1}, {"b", 3}}}) {
    writeFile(file, "old\n");
    EXPECT_EQ("No output cluster\n", writeCapturingStderr(clusters, file));
    EXPECT_EQ("", readFile(file));
  }
}

TEST(GrabClusteringData, RoundTripAndSkippedLines) {
  const std::string dir = testutil::makeTempDir();
  const std::string longId(300, 'p');
  const Str2Int clusters{{"a", 1}, {"b", -1}, {"c", 1}, {longId, 7}};
  writeCapturingStderr(clusters, dir + "/c.txt");
  const Str2Str id2sp{{"a", "x"}, {"b", "x"}, {"c", "y"}, {longId, "y"}, {"d", "y"}};
  Str2Int read{{"stale", 1}};
  grabClusteringData(read, dir + "/c.txt", id2sp);
  EXPECT_EQ(clusters, read);

  writeFile(dir + "/odd.txt", "a 1\nunknown 2\n\n   \nd\nd x\nd 2.5\nb 4 extra\r\nc 5\nc 6\n");
  grabClusteringData(read, dir + "/odd.txt", id2sp);
  EXPECT_EQ((Str2Int{{"a", 1}, {"b", 4}, {"c", 6}}), read);
}

TEST(GrabClusteringData, MissingFileWarnsAndReadsEmpty) {
  const std::string file = testutil::makeTempDir() + "/none.txt";
  Str2Int read{{"stale", 1}};
  testing::internal::CaptureStderr();
  grabClusteringData(read, file, {});
  EXPECT_EQ("Warning: cannot open cluster file " + file + "\n",
            testing::internal::GetCapturedStderr());
  EXPECT_TRUE(read.empty());
}

TEST(ClusterCounts, DistinctAndNontrivial) {
  const Str2Int abc{{"a", 1}, {"b", 1}, {"c", 2}};
  EXPECT_EQ(2, countNumClusters(abc));
  EXPECT_EQ(1, countNumNontrivialClusters(abc));
  EXPECT_EQ(0, countNumClusters({}));
  EXPECT_EQ(0, countNumNontrivialClusters({}));
  const Str2Int unclustered{{"a", -1}, {"b", -1}};
  EXPECT_EQ(1, countNumClusters(unclustered));
  EXPECT_EQ(1, countNumNontrivialClusters(unclustered));
  EXPECT_EQ(0, countNumNontrivialClusters({{"a", -1}}));
}

TEST(CountWithinClusterEdges, FractionOfEdgesWithBothEndsClustered) {
  const Str2Int clusters{{"a", 1}, {"b", 1}, {"c", 2}};
  std::map<int, int> perCluster{{9, 9}};
  EXPECT_EQ(0.5, countWithinClusterEdges(
                     clusters, {{{"a", "b"}, 0.1}, {{"a", "c"}, 7}, {{"b", "x"}, 1}}, perCluster));
  EXPECT_EQ((std::map<int, int>{{1, 1}}), perCluster);
  EXPECT_TRUE(std::isnan(countWithinClusterEdges(clusters, {{{"b", "x"}, 1}}, perCluster)));
  EXPECT_TRUE(perCluster.empty());
}

TEST(GrabGO_DIPdata, KeysAndCooccurrenceCounts) {
  const std::string dir = testutil::makeTempDir();
  writeFile(dir + "/DIP_GO_assoc.tab",
            "K;p;q;r\nL;q;p\n\nM;;x  x;y\n" + std::string(300, 'k') + "\tz;w\n");
  Str2Int keys{{"stale", 1}};
  StrPair2Dbl pairs{{{"s", "t"}, 1}};
  // The two-argument form reads the table from the working directory.
  char* cwd = getcwd(nullptr, 0);
  ASSERT_EQ(0, chdir(dir.c_str()));
  grabGO_DIPdata(keys, pairs);
  ASSERT_EQ(0, chdir(cwd));
  free(cwd);
  EXPECT_EQ((Str2Int{{"K", 1}, {"L", 1}, {"M", 1}, {std::string(300, 'k'), 1}}), keys);
  // x repeated on one line pairs with y once per position and never with itself.
  EXPECT_EQ((StrPair2Dbl{{{"p", "q"}, 2}, {{"p", "r"}, 1}, {{"q", "r"}, 1}, {{"w", "z"}, 1},
                         {{"x", "y"}, 2}}),
            pairs);

  testing::internal::CaptureStderr();
  grabGO_DIPdata(keys, pairs, dir + "/none.tab");
  EXPECT_EQ("Warning: cannot open GO association table " + dir + "/none.tab\n",
            testing::internal::GetCapturedStderr());
  EXPECT_TRUE(keys.empty());
  EXPECT_TRUE(pairs.empty());
}

TEST(GetIdListFromPairs, EveryIdentifierOnceAscending) {
  EXPECT_EQ((VecStr{"a", "b", "c"}), getIdListFromPairs({{{"b", "c"}, 1}, {{"a", "b"}, 2}}));
  EXPECT_TRUE(getIdListFromPairs({}).empty());
}

}  // namespace
