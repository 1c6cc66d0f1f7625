// trivanex --joint on tests/data/runs/joint: three species whose networks have
// the same shape. a1's best sequence hit in b is b2 (a2's partner), so the
// default run clusters a1 with b2 and leaves b1 to a3's cluster; the third
// species and the neighbours put a1 with b1 and a2 with b2 again.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

// The last `lines` lines of a text.
std::string tail(const std::string& text, int lines) {
  size_t at = text.size();
  for (int n = 0; n <= lines && at > 0; ++n) at = text.rfind('\n', at - 1);
  return at == std::string::npos ? text : text.substr(at + 1);
}

TEST(JointRun, MendsTheDefaultPairingAndReadsItsScoresBack) {
  const std::string data = testutil::dataDir() + "/runs/joint";
  const std::string work = testutil::makeTempDir();
  testutil::copyTree(data + "/input", work);

  const testutil::RunResult plain = testutil::runTrivanex({"data.in"}, work);
  ASSERT_EQ(0, plain.exitCode);
  EXPECT_EQ(testutil::readFile(data + "/expected/default_cluster.txt"),
            testutil::readFile(work + "/tmp_output_cluster.txt"));
  const std::string scores = testutil::readFile(work + "/tmp_match-score.txt");
  for (const char* sp : {"a", "b", "c"}) fs::remove(work + "/stars_" + sp + ".txt");

  const testutil::RunResult joint = testutil::runTrivanex({"--joint", "--o", "j.txt", "data.in"}, work);
  ASSERT_EQ(0, joint.exitCode) << joint.err;
  const std::string clusters = testutil::readFile(data + "/expected/joint_cluster.txt");
  EXPECT_EQ(clusters, testutil::readFile(work + "/j.txt"));
  EXPECT_EQ(clusters, joint.out);
  EXPECT_EQ(scores, testutil::readFile(work + "/tmp_match-score.txt"));
  EXPECT_FALSE(testutil::fileExists(work + "/stars_a.txt"));
  // Between the summary line and the clustering step, the default run's lines.
  auto computing = [](const std::string& err) {
    const size_t from = err.find('\n') + 1;
    return err.substr(from, err.find("Flag: 6\n") - from);
  };
  EXPECT_EQ(computing(plain.err), computing(joint.err));
  EXPECT_EQ("Joint assembly: 108 candidate pairs, 6 clusters of 18 proteins written to j.txt\n"
            "Networks a b: 4 of 5 pairs best by the scores are best by the neighbours too\n"
            "Networks a c: 6 of 6 pairs best by the scores are best by the neighbours too\n"
            "Networks b c: 6 of 6 pairs best by the scores are best by the neighbours too\n"
            "Reciprocal best sequence hits: 16, in one cluster by the assembly: 15, joined since "
            "the networks do not object: 0, kept apart by the networks: 1\n"
            "Flag: 7\n",
            tail(joint.err, 6));

  // Scores read back: the same clusters; --readstar has nothing to read.
  const testutil::RunResult back = testutil::runTrivanex(
      {"--joint", "--readstar", "--scorefile", "tmp_match-score.txt", "--o", "r.txt", "data.in"}, work);
  ASSERT_EQ(0, back.exitCode) << back.err;
  EXPECT_EQ(clusters, testutil::readFile(work + "/r.txt"));
  EXPECT_NE(std::string::npos, back.err.find("Note: --joint builds no stars; --readstar is ignored\n"));

  const testutil::RunResult quiet = testutil::runTrivanex({"--joint", "--quiet", "--o", "q.txt", "data.in"}, work);
  EXPECT_EQ("Wrote q.txt (6 clusters), tmp_match-score.txt\n", quiet.err);
  EXPECT_EQ("", quiet.out);
  EXPECT_EQ(clusters, testutil::readFile(work + "/q.txt"));
  fs::remove_all(work);
}

}  // namespace
