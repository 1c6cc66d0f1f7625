// Complete runs of the executable on small data sets (tests/data/runs/<case>),
// compared byte for byte with the expected standard output, standard error
// and files; then reruns from the match-score file and from the star cache
// files of the first run.
//
// Layout of a case: input/ (data.in and the .tab/.evals files it names, copied
// into a scratch working directory) and expected/stepN.stdout,
// expected/stepN.stderr and expected/stepN.files/<file> for the N-th run.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

struct Step {
  std::vector<std::string> args;
  std::vector<std::string> files;  // written by this run, compared with the expected copies
};

class CaseRun {
 public:
  explicit CaseRun(const std::string& name)
      : caseDir_(testutil::dataDir() + "/runs/" + name), work_(testutil::makeTempDir()) {
    testutil::copyTree(caseDir_ + "/input", work_);
  }
  ~CaseRun() { fs::remove_all(work_); }

  // Runs step number `n` (from 1) and compares everything it produced.
  void run(int n, const Step& step) {
    SCOPED_TRACE("step " + std::to_string(n));
    const std::string exp = caseDir_ + "/expected/step" + std::to_string(n);
    const testutil::RunResult r = testutil::runTrivanex(step.args, work_);
    EXPECT_EQ(0, r.exitCode);
    EXPECT_EQ(testutil::readFile(exp + ".stdout"), r.out);
    EXPECT_EQ(testutil::readFile(exp + ".stderr"), r.err);
    for (const auto& f : step.files) {
      ASSERT_TRUE(testutil::fileExists(work_ + "/" + f)) << f << " not written";
      EXPECT_EQ(testutil::readFile(exp + ".files/" + f), file(f)) << f;
    }
  }

  std::string file(const std::string& name) const { return testutil::readFile(work_ + "/" + name); }
  bool has(const std::string& name) const { return testutil::fileExists(work_ + "/" + name); }

  std::set<std::string> listing() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(work_)) names.insert(e.path().filename().string());
    return names;
  }

 private:
  std::string caseDir_, work_;
};

}  // namespace

// Two species with one interaction each and a single sequence score: the
// first sweep gives 2/3 and 1/3, which is already the fixed point, so the
// change measured at the fourth iteration is 0 and the iteration stops there.
TEST(PipelineRun, TwoSpeciesComputeThenScoreFileThenCachedStars) {
  CaseRun c("worked");
  const std::set<std::string> inputs = c.listing();
  const std::vector<std::string> outputs{"tmp_match-score.txt", "tmp_output_cluster.txt", "stars_A.txt",
                                         "stars_B.txt"};
  c.run(1, {{"data.in", "--alpha", "0.5"}, outputs});
  EXPECT_EQ("a1 b1 0.666667\na2 b2 0.333333\n", c.file("tmp_match-score.txt"));
  EXPECT_EQ("b1 a1 \nb2 a2 \n", c.file("tmp_output_cluster.txt"));
  std::set<std::string> expected = inputs;
  expected.insert(outputs.begin(), outputs.end());
  EXPECT_EQ(expected, c.listing());  // nothing else is written
  const std::string clusters = c.file("tmp_output_cluster.txt");
  const std::string scores = c.file("tmp_match-score.txt");

  // Scores from the file: the same clusters, and no match-score file written.
  c.run(2, {{"--scorefile", "tmp_match-score.txt", "-o", "from_scores.txt", "data.in"},
            {"from_scores.txt", "stars_A.txt", "stars_B.txt"}});
  EXPECT_EQ(clusters, c.file("from_scores.txt"));
  EXPECT_EQ(scores, c.file("tmp_match-score.txt"));

  // Cached stars: nothing is built, the same clusters.
  c.run(3, {{"data.in", "--readstar", "--alpha=0.5", "--o", "cached.txt"}, {"cached.txt", "tmp_match-score.txt"}});
  EXPECT_EQ(clusters, c.file("cached.txt"));
}

// Three species: a weighted network with a self-interaction, a within-species
// score file, missing score files, a protein known only from a score file,
// pruning, a chosen prefix and cluster file; many-to-many clusters.
TEST(PipelineRun, ThreeSpeciesWithPruningAndReruns) {
  CaseRun c("three");
  const std::string computeArgs[] = {"data.in", "--K", "8", "--alpha", "0.7", "--maxveclen", "20", "--prefix", "run1"};
  std::vector<std::string> args(std::begin(computeArgs), std::end(computeArgs));
  std::vector<std::string> first = args;
  first.insert(first.end(), {"--o", "clusters.txt"});
  c.run(1, {first, {"run1_match-score.txt", "clusters.txt", "stars_ce.txt", "stars_hs.txt", "stars_sc.txt"}});
  EXPECT_FALSE(c.has("tmp_match-score.txt"));
  EXPECT_FALSE(c.has("tmp_output_cluster.txt"));
  const std::string clusters = c.file("clusters.txt");
  const std::string scores = c.file("run1_match-score.txt");
  const std::string stars = c.file("stars_ce.txt") + c.file("stars_hs.txt") + c.file("stars_sc.txt");

  std::vector<std::string> cached = args;
  cached.insert(cached.end(), {"--readstar", "--o", "clusters_cached.txt"});
  c.run(2, {cached, {"clusters_cached.txt", "run1_match-score.txt"}});
  EXPECT_EQ(clusters, c.file("clusters_cached.txt"));
  EXPECT_EQ(stars, c.file("stars_ce.txt") + c.file("stars_hs.txt") + c.file("stars_sc.txt"));

  c.run(3, {{"--scorefile", "run1_match-score.txt", "--o", "clusters_scores.txt", "data.in"},
            {"clusters_scores.txt"}});
  EXPECT_EQ(clusters, c.file("clusters_scores.txt"));
  EXPECT_EQ(scores, c.file("run1_match-score.txt"));
  EXPECT_FALSE(c.has("tmp_match-score.txt"));
}

// One species: no species pair, an empty match-score file, stars without rows
// and weight 0, and an empty cluster file.
TEST(PipelineRun, OneSpecies) {
  CaseRun c("single");
  c.run(1, {{"data.in"}, {"tmp_match-score.txt", "tmp_output_cluster.txt", "stars_A.txt"}});
  EXPECT_EQ("", c.file("tmp_match-score.txt"));
  EXPECT_EQ("", c.file("tmp_output_cluster.txt"));
  EXPECT_EQ("10 10 10 \na1 0\na2 0\na3 0\n", c.file("stars_A.txt"));
}

// A species without any protein: its pairs have no protein pair at all, and
// as a centre species it has no star.
TEST(PipelineRun, SpeciesWithoutProteins) {
  CaseRun c("protein_free_centre");
  c.run(1, {{"data.in"}, {"tmp_match-score.txt", "tmp_output_cluster.txt", "stars_A.txt", "stars_B.txt",
                          "stars_E.txt"}});
  EXPECT_EQ("0 0 0 0 \n", c.file("stars_E.txt"));
}

// Three heavy-tailed networks with self-interactions, pruned hard: the sweeps
// over dense R, over rows, and the pushing of sparse rows all take part. The
// diagnostics, the match-score file and the cluster file are those written
// before any of them existed (the standard output is left out to keep the
// case small; the other cases compare it).
TEST(PipelineRun, PrunedRunWithSelfInteractionsKeepsItsBytes) {
  const std::string dir = testutil::dataDir() + "/runs/pruned_self";
  const std::string work = testutil::makeTempDir();
  testutil::copyTree(dir + "/input", work);
  const testutil::RunResult r = testutil::runTrivanex({"data.in", "--maxveclen", "100"}, work);
  EXPECT_EQ(0, r.exitCode);
  EXPECT_EQ(testutil::readFile(dir + "/expected/step1.stderr"), r.err);
  for (const char* f : {"tmp_match-score.txt", "tmp_output_cluster.txt"})
    EXPECT_EQ(testutil::readFile(dir + "/expected/step1.files/" + f),
              testutil::readFile(work + "/" + f))
        << f;
  fs::remove_all(work);
}
