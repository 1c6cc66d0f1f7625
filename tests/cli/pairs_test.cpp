// The species-pair jobs: pair files merged give the whole run's match-score
// file byte for byte, and the merge refuses what it cannot merge exactly.
#include "cli/pairs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
  std::string path = testutil::makeTempDir();
  ~Folder() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

std::string mergeError(const std::vector<std::string>& texts) {
  Folder d;
  std::vector<std::string> names;
  for (size_t k = 0; k < texts.size(); ++k) {
    names.push_back(d / ("part" + std::to_string(k) + ".txt"));
    testutil::writeFile(names.back(), texts[k]);
  }
  try {
    mergeMatchScoreFiles(names, d / "out.txt");
  } catch (const RunError& e) {
    return e.what();
  }
  return "merged: " + testutil::readFile(d / "out.txt");
}

TEST(MergeMatchScoreFiles, InterleavesByFirstThenSecondIdentifierByteByByte) {
  // "a b" sorts before "a! c" by the first identifier ("a" < "a!") even though
  // the line "a! ..." sorts before "a b..." as text.
  EXPECT_EQ("merged: a b 0.5\na c 1e-05\na! c 2\nb a 3\n",
            mergeError({"a c 1e-05\nb a 3\n", "a b 0.5\na! c 2\n", ""}));
}

TEST(MergeMatchScoreFiles, RefusesWhatItCannotMergeExactly) {
  for (const auto& c : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"a b 1\na a 2\n"}, "part0.txt line 2: out of order"},
           {{"a b 1\nc d 1\n", "a b 2\n"}, "line 1: pair 'a b' is also in"},
           {{"a b 1\nab\n"}, "part0.txt line 2: not a line of a match-score file"},
           {{"a  b 1\n"}, "part0.txt line 1: not a line"},
       }) {
    const std::string message = mergeError(c.first);
    EXPECT_NE(std::string::npos, message.find(c.second)) << message;
  }
  EXPECT_THROW(mergeMatchScoreFiles({"/nonexistent/part.txt"}, "/tmp/never-written.txt"), RunError);
}

// Every pair computed on its own, then merged: the whole run's file, and the
// clusters from it are the whole run's clusters; with the factored sweep too.
TEST(PairJobs, MergedPairFilesAreTheWholeRunsMatchScoreFile) {
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, std::vector<std::string>{"-K", "8", "-alpha", "0.7", "-maxveclen", "20"},
        std::vector<std::string>{"--factored", "-K", "6"}}) {
    Folder d;
    testutil::copyTree(testutil::dataDir() + "/runs/three/input", d.path);
    std::vector<std::string> whole = options;
    whole.push_back("data.in");
    ASSERT_EQ(0, testutil::runTrivanex(whole, d.path).exitCode);
    const std::string expected = testutil::readFile(d / "tmp_match-score.txt");
    const std::string clusters = testutil::readFile(d / "tmp_output_cluster.txt");

    const testutil::RunResult list = testutil::runProgram(TRIVANEX_PAIRS_EXE, {"list", "data.in"}, d.path);
    ASSERT_EQ(0, list.exitCode);
    EXPECT_EQ("ce-hs\nce-sc\nhs-sc\n", list.out);
    std::vector<std::string> merge{"merge", "merged.txt"};
    for (const char* pair : {"ce-hs", "sc-ce", "hs-sc"}) {  // either order names a pair
      std::vector<std::string> args{"align", pair, std::string("part-") + pair};
      args.insert(args.end(), whole.begin(), whole.end());
      const testutil::RunResult r = testutil::runProgram(TRIVANEX_PAIRS_EXE, args, d.path);
      ASSERT_EQ(0, r.exitCode) << r.err;
      merge.push_back(std::string("part-") + pair);
    }
    ASSERT_EQ(0, testutil::runProgram(TRIVANEX_PAIRS_EXE, merge, d.path).exitCode);
    EXPECT_EQ(expected, testutil::readFile(d / "merged.txt"));
    ASSERT_EQ(0, testutil::runTrivanex({"--scorefile", "merged.txt", "-o", "c.txt", "data.in"}, d.path).exitCode);
    EXPECT_EQ(clusters, testutil::readFile(d / "c.txt"));
  }
}

TEST(PairJobs, UnknownPairAndUnknownCommandStopWithStatusOne) {
  Folder d;
  testutil::copyTree(testutil::dataDir() + "/runs/three/input", d.path);
  const testutil::RunResult bad =
      testutil::runProgram(TRIVANEX_PAIRS_EXE, {"align", "ce-xx", "o.txt", "data.in"}, d.path);
  EXPECT_EQ(1, bad.exitCode);
  EXPECT_NE(std::string::npos, bad.err.find("Error: 'ce-xx' is not a pair of species of data.in"));
  EXPECT_FALSE(testutil::fileExists(d / "o.txt"));
  const testutil::RunResult unknown = testutil::runProgram(TRIVANEX_PAIRS_EXE, {"split"}, d.path);
  EXPECT_EQ(1, unknown.exitCode);
  EXPECT_EQ("Error: unknown command 'split'\n\n" + pairsUsageText(), unknown.err);
}

}  // namespace
