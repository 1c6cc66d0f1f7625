// A run restricted to one CPU and a run on two give the same bytes: the sweep
// threads split the columns of a row, and nothing they write may depend on it.
#include <gtest/gtest.h>

#include <sched.h>

#include <filesystem>
#include <random>
#include <set>
#include <sstream>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

// Three species of 400 to 500 proteins with about 13 partners each: rows
// heavy enough for the sweep to use its threads. Species "ce" has a
// self-interaction (a row that reads itself) and a repeated interaction.
void writeDataSet(const std::string& dir) {
  std::mt19937 rng(99);
  const char* species[] = {"ce", "hs", "sc"};
  const int sizes[] = {400, 500, 450};
  for (int s = 0; s < 3; ++s) {
    std::string tab = "INTERACTOR_A INTERACTOR_B\n";
    for (int e = 0; e < sizes[s] * 13 / 2; ++e)
      tab += std::string(species[s]) + std::to_string(rng() % sizes[s]) + " " + species[s] +
             std::to_string(rng() % sizes[s]) + "\n";
    tab += "ce7 ce7\nce3 ce4\nce4 ce3\n";
    if (s != 0) tab.resize(tab.size() - std::string("ce7 ce7\nce3 ce4\nce4 ce3\n").size());
    testutil::writeFile(dir + "/" + species[s] + ".tab", tab);
  }
  for (int a = 0; a < 3; ++a)
    for (int b = a + 1; b < 3; ++b) {
      std::string evals;
      for (int k = 0; k < 1500; ++k)
        evals += std::string(species[a]) + std::to_string(rng() % sizes[a]) + " " + species[b] +
                 std::to_string(rng() % sizes[b]) + " " + std::to_string(20 + rng() % 400) + "." +
                 std::to_string(rng() % 10) + "\n";
      testutil::writeFile(dir + "/" + species[a] + "-" + species[b] + ".evals", evals);
    }
  testutil::writeFile(dir + "/data.in", ". - 3 sc hs ce\n");
}

testutil::RunResult runOn(int cpus, const std::vector<std::string>& args, const std::string& dir) {
  return testutil::runOnCpus(cpus, TRIVANEX_EXE, args, dir);
}

int cpusGiven() {
  cpu_set_t mask;
  sched_getaffinity(0, sizeof mask, &mask);
  return CPU_COUNT(&mask);
}

std::map<std::string, std::string> outputs(const std::string& dir, const std::set<std::string>& inputs) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (!inputs.count(name)) files[name] = testutil::readFile(e.path().string());
  }
  return files;
}

TEST(Threads, OneCpuAndTwoCpusWriteTheSameBytes) {
  if (cpusGiven() < 2) GTEST_SKIP() << "this machine gives the tests one CPU";

  const std::string one = testutil::makeTempDir(), two = testutil::makeTempDir();
  writeDataSet(one);
  writeDataSet(two);
  std::set<std::string> inputs;
  for (const auto& e : fs::directory_iterator(one)) inputs.insert(e.path().filename().string());

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"data.in"}, std::vector<std::string>{"--maxveclen", "5000", "data.in"}}) {
    const testutil::RunResult r1 = runOn(1, args, one);
    const testutil::RunResult r2 = runOn(2, args, two);
    ASSERT_EQ(0, r1.exitCode) << r1.err.substr(r1.err.size() > 300 ? r1.err.size() - 300 : 0);
    ASSERT_EQ(0, r2.exitCode);
    EXPECT_EQ(r1.out, r2.out);
    EXPECT_EQ(r1.err, r2.err);
    const auto f1 = outputs(one, inputs), f2 = outputs(two, inputs);
    EXPECT_EQ(5u, f1.size());
    for (const auto& f : f1) {
      ASSERT_TRUE(f2.count(f.first)) << f.first;
      EXPECT_TRUE(f.second == f2.at(f.first)) << f.first << " differs";
    }
    // The run did cluster and did align every pair.
    EXPECT_GT(f1.at("tmp_output_cluster.txt").size(), 1000u);
    EXPECT_GT(f1.at("tmp_match-score.txt").size(), 100000u);
  }
  fs::remove_all(one);
  fs::remove_all(two);
}

// The joint assembly, after either sweep, on one CPU and on two: the same
// bytes, and clusters that keep its promises (a protein in one cluster at
// most, every cluster across two species or more).
TEST(Threads, JointRunsWriteTheSameBytesAndKeepTheirInvariants) {
  if (cpusGiven() < 2) GTEST_SKIP() << "this machine gives the tests one CPU";
  const std::string one = testutil::makeTempDir(), two = testutil::makeTempDir();
  writeDataSet(one);
  writeDataSet(two);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--joint", "data.in"},
        std::vector<std::string>{"--joint", "--factored", "data.in"}}) {
    const testutil::RunResult r1 = runOn(1, args, one);
    const testutil::RunResult r2 = runOn(2, args, two);
    ASSERT_EQ(0, r1.exitCode) << r1.err;
    EXPECT_EQ(r1.err, r2.err);
    EXPECT_EQ(r1.out, r2.out);
    const std::string clusters = testutil::readFile(one + "/tmp_output_cluster.txt");
    EXPECT_EQ(clusters, testutil::readFile(two + "/tmp_output_cluster.txt"));
    std::istringstream lines(clusters);
    std::string line, id;
    std::set<std::string> seen;
    int count = 0;
    while (std::getline(lines, line)) {
      std::istringstream ids(line);
      std::set<std::string> species;
      while (ids >> id) {
        EXPECT_TRUE(seen.insert(id).second) << id << " is in two clusters";
        species.insert(id.substr(0, 2));
      }
      EXPECT_GE(species.size(), 2u) << line;
      ++count;
    }
    EXPECT_GT(count, 50);
  }
  EXPECT_FALSE(fs::exists(one + "/stars_ce.txt"));
  fs::remove_all(one);
  fs::remove_all(two);
}

}  // namespace
