// A run scaled out over its species pairs with exact score files clusters as
// the single run does, ties in the sixth digit included, at one CPU and two;
// the six-digit match-score file read back cannot.
#include <gtest/gtest.h>

#include <sched.h>

#include <filesystem>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

const char* const kOutputs[] = {"tmp_output_cluster.txt", "stars_A.txt", "stars_B.txt", "stars_C.txt"};

TEST(ExactHandOver, PairJobsClusterAsTheSingleRunTiesIncluded) {
  const std::string input = testutil::dataDir() + "/runs/ties/input";
  const std::string root = testutil::makeTempDir();
  fs::create_directories(root + "/single");
  testutil::copyTree(input, root + "/single");
  auto single = testutil::runOnCpus(2, TRIVANEX_EXE, {"data.in"}, root + "/single");
  ASSERT_EQ(0, single.exitCode) << single.err;

  // The family holds its ties: read back from six digits, the order changes.
  fs::create_directories(root + "/text");
  testutil::copyTree(input, root + "/text");
  auto text = testutil::runOnCpus(2, TRIVANEX_EXE, {"--scorefile", "../single/tmp_match-score.txt", "data.in"},
                    root + "/text");
  ASSERT_EQ(0, text.exitCode) << text.err;
  ASSERT_NE(testutil::readFile(root + "/single/tmp_output_cluster.txt"),
            testutil::readFile(root + "/text/tmp_output_cluster.txt"));

  for (int cpus : {1, 2}) {
    SCOPED_TRACE("cpus " + std::to_string(cpus));
    const std::string dir = root + "/split" + std::to_string(cpus);
    fs::create_directories(dir);
    testutil::copyTree(input, dir);
    std::vector<std::string> merge{"merge", "--exact", "all.exact", "match-score.txt"};
    for (const char* pair : {"A-B", "A-C", "B-C"}) {
      const std::string out = std::string(pair) + ".exact";
      auto r = testutil::runOnCpus(cpus, TRIVANEX_PAIRS_EXE, {"align", "--exact", pair, out, "data.in"}, dir);
      ASSERT_EQ(0, r.exitCode) << r.err;
      merge.push_back(out);
    }
    auto m = testutil::runOnCpus(cpus, TRIVANEX_PAIRS_EXE, merge, dir);
    ASSERT_EQ(0, m.exitCode) << m.err;
    EXPECT_EQ(testutil::readFile(root + "/single/tmp_match-score.txt"),
              testutil::readFile(dir + "/match-score.txt"));
    auto c = testutil::runOnCpus(cpus, TRIVANEX_EXE, {"--exact-scores", "all.exact", "data.in"}, dir);
    ASSERT_EQ(0, c.exitCode) << c.err;
    EXPECT_EQ(single.out, c.out);
    for (const char* name : kOutputs)
      EXPECT_EQ(testutil::readFile(root + "/single/" + name), testutil::readFile(dir + "/" + name))
          << name;
  }

  // The clustering refuses scores of other data, naming the file.
  testutil::writeFile(root + "/text/A.tab", "INTERACTOR_A INTERACTOR_B\na11 a12\na11 a99\n");
  auto other = testutil::runTrivanex({"--exact-scores", "../split2/all.exact", "data.in"}, root + "/text");
  EXPECT_EQ(1, other.exitCode);
  EXPECT_NE(std::string::npos,
            other.err.find("Error: ../split2/all.exact: its proteins are not those of this run's data"))
      << other.err;
  fs::remove_all(root);
}

}  // namespace
